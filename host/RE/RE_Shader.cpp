#include <RE/RE_Shader.h>

#include <RE/RE_GL.h>
#include <RE/RE_Render.h>

namespace
{
// Unit 0 belongs to the material's own texture layers.
constexpr int theFirstProgramUnit = 1;

std::string re_infoLog(GLuint object, bool program)
{
    GLint length = 0;
    if (program)
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    else
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 1)
        return {};
    std::string log(static_cast<std::size_t>(length), '\0');
    GLsizei written = 0;
    if (program)
        glGetProgramInfoLog(object, length, &written, log.data());
    else
        glGetShaderInfoLog(object, length, &written, log.data());
    log.resize(static_cast<std::size_t>(written));
    return log;
}
} // namespace

RE_Shader::RE_Shader(const char *name) : myName(name ? name : "") {}

RE_Shader::~RE_Shader()
{
    if (!RE_Render::getMainRender())
        return;
    for (GLuint stage : myStages)
        glDeleteShader(stage);
    if (myProgram)
        glDeleteProgram(myProgram);
}

bool RE_Shader::compileStage(unsigned stage, const char *source, const char *label)
{
    if (!source || !*source)
        return true;
    const GLuint object = glCreateShader(stage);
    myStages.push_back(object);
    glShaderSource(object, 1, &source, nullptr);
    glCompileShader(object);
    GLint ok = GL_FALSE;
    glGetShaderiv(object, GL_COMPILE_STATUS, &ok);
    const std::string log = re_infoLog(object, false);
    if (!log.empty())
        myLog += std::string(label) + " shader: " + log + (log.back() == '\n' ? "" : "\n");
    if (ok != GL_TRUE && log.empty())
        myLog += std::string(label) + " shader: failed to compile\n";
    return ok == GL_TRUE;
}

bool RE_Shader::loadShader(const char *name, const char *vertex, const char *fragment,
                           const char *geometry)
{
    if (name)
        myName = name;
    myLog.clear();
    if (!RE_Render::getMainRender())
    {
        myLog = "no renderer: nothing compiles\n";
        return false;
    }
    if ((!vertex || !*vertex) && (!fragment || !*fragment) && (!geometry || !*geometry))
    {
        myLog = "no source\n";
        return false;
    }
    bool ok = compileStage(GL_VERTEX_SHADER, vertex, "vertex");
    ok = compileStage(GL_FRAGMENT_SHADER, fragment, "fragment") && ok;
    ok = compileStage(GL_GEOMETRY_SHADER, geometry, "geometry") && ok;
    if (!ok)
        return false;
    const GLuint program = glCreateProgram();
    for (GLuint stage : myStages)
        glAttachShader(program, stage);
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    const std::string log = re_infoLog(program, true);
    if (!log.empty())
        myLog += "link: " + log + (log.back() == '\n' ? "" : "\n");
    if (linked != GL_TRUE)
    {
        if (log.empty())
            myLog += "link: failed\n";
        glDeleteProgram(program);
        return false;
    }
    myProgram = program;
    return true;
}

int RE_Shader::location(const char *name) const
{
    if (!myProgram || !name)
        return -1;
    // A setter reads glGetError after its call: nothing earlier may linger there.
    while (glGetError() != GL_NO_ERROR)
    {
    }
    return glGetUniformLocation(myProgram, name);
}

int RE_Shader::bindTexture(const char *name, const char *file, const char *nodePath)
{
    const int where = location(name);
    if (where < 0)
        return -1;
    auto map = std::make_unique<RE_Texture2DMap>();
    map->setMap(file, nodePath, nullptr);
    if (!map->getTextureId())
        return -1;
    myTextures.push_back(std::move(map));
    return theFirstProgramUnit + static_cast<int>(myTextures.size()) - 1;
}

bool RE_Shader::bindInt(const char *name, int value)
{
    const int where = location(name);
    if (where < 0)
        return false;
    glProgramUniform1i(myProgram, where, value);
    return glGetError() == GL_NO_ERROR;
}

bool RE_Shader::bindFloat(const char *name, float value)
{
    const int where = location(name);
    if (where < 0)
        return false;
    glProgramUniform1f(myProgram, where, value);
    return glGetError() == GL_NO_ERROR;
}

bool RE_Shader::bindVector(const char *name, const float *values, int size)
{
    const int where = location(name);
    if (where < 0 || !values)
        return false;
    switch (size)
    {
    case 2:
        glProgramUniform2fv(myProgram, where, 1, values);
        break;
    case 3:
        glProgramUniform3fv(myProgram, where, 1, values);
        break;
    case 4:
        glProgramUniform4fv(myProgram, where, 1, values);
        break;
    default:
        return false;
    }
    // A uniform of another type or size refuses the value.
    return glGetError() == GL_NO_ERROR;
}

void RE_Shader::bind()
{
    if (!myProgram)
        return;
    glUseProgram(myProgram);
    for (std::size_t i = 0; i < myTextures.size(); ++i)
    {
        glActiveTexture(GL_TEXTURE0 + theFirstProgramUnit + static_cast<GLenum>(i));
        glBindTexture(GL_TEXTURE_2D, myTextures[i]->getTextureId());
    }
    glActiveTexture(GL_TEXTURE0);
}

void RE_Shader::unbind()
{
    glUseProgram(0);
}
