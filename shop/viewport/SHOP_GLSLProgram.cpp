#include <shop/viewport/SHOP_GLSLProgram.h>

#include <shop/node/SHOP_Node.h>

#include <FS/FS_IndexFile.h>
#include <OP/OP_ScriptOperator.h>
#include <PRM/PRM_Template.h>
#include <RE/RE_Material.h>
#include <RE/RE_Render.h>
#include <UT/UT_EnvControl.h>
#include <UT/UT_PathSearch.h>
#include <UT/UT_String.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace
{
const FS_IndexFile *shop_assetFile(const SHOP_Node &node)
{
    const auto *op = dynamic_cast<const OP_ScriptOperator *>(node.getOperator());
    return op ? op->getOTLIndexFile() : nullptr;
}

std::string shop_section(const FS_IndexFile &file, const char *name)
{
    std::string text;
    if (file.getSectionDataSize(name) > 0)
        file.readSection(name, text);
    return text;
}

// A shader name becomes part of a file name below "ogl2/": one that climbs out of it (a ".."
// part, or an absolute path) finds no file.
bool shop_staysInFolder(const char *name)
{
    if (!name || !*name || *name == '/')
        return false;
    const std::string text = name;
    std::size_t start = 0;
    while (start <= text.size())
    {
        const std::size_t end = std::min(text.find('/', start), text.size());
        if (text.compare(start, end - start, "..") == 0)
            return false;
        start = end + 1;
    }
    return true;
}

std::string shop_sourceFile(const char *shaderName, const char *extension)
{
    std::string text;
    if (!shop_staysInFolder(shaderName))
        return text;
    std::string path;
    const std::string name = std::string("ogl2/") + shaderName + extension;
    if (!UT_PathSearch::getInstance()->findFile(path, name.c_str()))
        return text;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        text += line + "\n";
    return text;
}

// Sets the uniform of a number parameter: a vector of 2 to 4 components, an integer for a
// toggle, a float otherwise.
bool shop_bindNumbers(RE_Shader &shader, const PRM_Template &tmpl, const float *values, int size)
{
    if (size >= 2)
        return shader.bindVector(tmpl.getToken(), values, size);
    if (tmpl.getType().isOrdinalType() && (tmpl.getType().getFlags() & PRM_TYPE_TOGGLE))
        return shader.bindInt(tmpl.getToken(), values[0] != 0 ? 1 : 0);
    return shader.bindFloat(tmpl.getToken(), values[0]);
}

// Binds one shader parameter; false when it failed, true when it bound or was passed over.
bool shop_bindParameter(SHOP_Node &node, RE_Shader &shader, const PRM_Template &tmpl, int index,
                        float now, const std::string &path, bool &attempted)
{
    const int size = std::min(tmpl.getVectorSize(), 4);
    float values[4] = {0, 0, 0, 0};
    const PRM_Type &type = tmpl.getType();
    // A folder holds no shader value: there is no uniform to feed.
    if (type.getFlags() & PRM_TYPE_SWITCHERLIST)
        return true;
    if (type.isOrdinalType() || type.isFloatType())
    {
        if (size < 1)
            return true;
        for (int c = 0; c < size; ++c)
            values[c] = type.isOrdinalType() ? static_cast<float>(node.evalInt(index, c, now))
                                             : node.evalFloat(index, c, now);
        attempted = true;
        return shop_bindNumbers(shader, tmpl, values, size);
    }
    if (type.isStringType() && (type.getFlags() & PRM_TYPE_PIC))
    {
        UT_String file;
        node.evalString(file, index, 0, now);
        // No picture named: nothing to bind, and nothing wrong.
        if (!file.isstring())
            return true;
        attempted = true;
        const int unit = shader.bindTexture(tmpl.getToken(), file, path.c_str());
        return unit >= 0 && shader.bindInt(tmpl.getToken(), unit);
    }
    return true;
}

void shop_bindParameters(SHOP_Node &node, RE_Shader &shader, const char *name, float now)
{
    const PRM_Template *templates = node.getParmTemplates();
    const int count = PRM_Template::countTemplates(templates);
    const int last = std::min(node.getLastParameter(), count);
    const std::string path = node.getFullPath();
    bool lastFailed = false;
    for (int i = std::max(node.getFirstParameter(), 0); i < last; ++i)
    {
        const PRM_Template &tmpl = templates[i];
        if (tmpl.isTerminator())
            break;
        bool attempted = false;
        const bool bound = shop_bindParameter(node, shader, tmpl, i, now, path, attempted);
        if (!attempted)
            continue;
        lastFailed = !bound;
        if (!bound)
            std::fprintf(stderr, "WARNING[%s]: Failed to bind variable '%s'\n", name,
                         tmpl.getToken());
    }
    if (!lastFailed)
        return;
    // What the program was made of, to read beside the warnings.
    if (*node.getOGLVtxSource())
        std::fprintf(stderr, "%s VERTEX:\n%s\n", name, node.getOGLVtxSource());
    if (*node.getOGLFragSource())
        std::fprintf(stderr, "%s FRAGMENT:\n%s\n", name, node.getOGLFragSource());
}
} // namespace

bool SHOP_GLSLProgram::isWanted(const SHOP_Node &node)
{
    if (!UT_EnvControl::getInt(ENV_SHOP_GLSL) || !std::strstr(node.getRenderMask(), "OGL2"))
        return false;
    const RE_Render *render = REgetRender();
    return !render || render->hasGLExtension(RE_EXT_GLSL_SHADERS);
}

void SHOP_GLSLProgram::readSources(SHOP_Node &node)
{
    if (node.getOGLScriptCacheState() != -1)
        return;
    std::string vertex, fragment;
    if (const FS_IndexFile *file = shop_assetFile(node))
    {
        vertex = shop_section(*file, "GlslVertex");
        fragment = shop_section(*file, "GlslFragment");
        if (vertex.empty() && fragment.empty())
        {
            const char *name = node.getShaderName(false);
            vertex = shop_sourceFile(name, ".vert");
            fragment = shop_sourceFile(name, ".frag");
        }
    }
    if (vertex.empty() && fragment.empty())
        node.setOGLScriptCache(0, nullptr, nullptr);
    else
        node.setOGLScriptCache(1, vertex.c_str(), fragment.c_str());
}

void SHOP_GLSLProgram::attach(SHOP_Node &node, RE_Material &material, float now)
{
    material.createShader();
    RE_Shader *shader = material.getShader();
    const char *name = node.getShaderName(false);
    if (!shader->loadShader(name, node.getOGLVtxSource(), node.getOGLFragSource(), nullptr))
    {
        std::fprintf(stderr, "ERROR: Shader '%s' failed to compile!\n", name);
        return;
    }
    shop_bindParameters(node, *shader, name, now);
}
