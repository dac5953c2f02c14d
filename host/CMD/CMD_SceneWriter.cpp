#include <CMD/CMD_SceneWriter.h>

#include <CMD/CMD_Tokenizer.h>
#include <OP/OP_Director.h>
#include <PRM/PRM_Parm.h>

#include <charconv>
#include <string>

namespace
{
std::string cmd_q(const std::string &word)
{
    return CMD_Tokenizer::quote(word);
}

std::string cmd_defaultText(const PRM_Template &tmpl, int component)
{
    const PRM_Default *def = tmpl.getDefault(component);
    if (tmpl.getBasicType() == PRM_BASIC_STRING)
        return def && def->getString() ? def->getString() : "";
    // The shortest text that reads back as the same number.
    char text[64];
    auto end = std::to_chars(text, text + sizeof(text), def ? def->getFloat() : 0.0).ptr;
    return std::string(text, end);
}
} // namespace

const char *CMD_SceneWriter::spareTypeName(const PRM_Parm &parm)
{
    const PRM_Type &type = parm.getTemplatePtr()->getType();
    if (type == PRM_TOGGLE)
        return "toggle";
    if (type == PRM_RGB)
        return "color";
    if (type == PRM_XYZ)
        return "vector";
    switch (type.getBasicType())
    {
    case PRM_BASIC_FLOAT:
        return "float";
    case PRM_BASIC_ORDINAL:
        return "int";
    default:
        return "string";
    }
}

void CMD_SceneWriter::write(OP_Network &root)
{
    myOut << "# shophost scene: read it back with \"load FILE\"\n";
    writeNodes(root);
    // Spare parameters first: a parameter's value may refer to another node's spare one.
    OP_Director::traverse(&root, [this](OP_Node &node) { writeSpareParms(node); });
    OP_Director::traverse(&root, [this](OP_Node &node) { writeParms(node); });
    OP_Director::traverse(&root, [this](OP_Node &node) { writeWires(node); });
    myOut << "cd /\n";
}

void CMD_SceneWriter::writeNodes(OP_Network &network)
{
    if (network.getNchildren() == 0)
        return;
    myOut << "cd " << cmd_q(network.getFullPath()) << "\n";
    for (int i = 0; i < network.getNchildren(); ++i)
    {
        OP_Node *child = network.getChild(i);
        myOut << "add " << cmd_q(child->getOperator()->getName()) << " " << cmd_q(child->getName())
              << "\n";
    }
    for (int i = 0; i < network.getNchildren(); ++i)
        if (network.getChild(i)->isNetwork())
            writeNodes(*static_cast<OP_Network *>(network.getChild(i)));
}

void CMD_SceneWriter::writeSpareParms(OP_Node &node)
{
    const PRM_ParmList &list = *node.getParmList();
    for (int i = 0; i < list.getEntries(); ++i)
    {
        const PRM_Parm &parm = *list.getParmPtr(i);
        if (!parm.isSpareParm())
            continue;
        const PRM_Template &tmpl = *parm.getTemplatePtr();
        myOut << "spare ";
        if (std::string(tmpl.getLabel()) != tmpl.getToken())
            myOut << "-l " << cmd_q(tmpl.getLabel()) << " ";
        myOut << cmd_q(node.getFullPath()) << " " << cmd_q(tmpl.getToken()) << " "
              << spareTypeName(parm) << " " << tmpl.getVectorSize();
        if (tmpl.hasDefaults())
            for (int c = 0; c < tmpl.getVectorSize(); ++c)
                myOut << " " << cmd_q(cmd_defaultText(tmpl, c));
        myOut << "\n";
    }
}

void CMD_SceneWriter::writeParms(OP_Node &node)
{
    const PRM_ParmList &list = *node.getParmList();
    for (int i = 0; i < list.getEntries(); ++i)
        writeParm(node, *list.getParmPtr(i));
}

void CMD_SceneWriter::writeParm(const OP_Node &node, const PRM_Parm &parm)
{
    bool anyExpression = false;
    bool anyChange = false;
    for (int c = 0; c < parm.getVectorSize(); ++c)
    {
        anyExpression = anyExpression || parm.isExpression(c);
        anyChange = anyChange || !parm.isFactoryDefault(c);
    }
    if (!anyChange)
        return;
    const std::string path = cmd_q(node.getFullPath());
    if (!anyExpression)
    {
        // Plain values go on one line, as a user would type them.
        myOut << "set " << path << " " << cmd_q(parm.getToken());
        for (int c = 0; c < parm.getVectorSize(); ++c)
            myOut << " " << cmd_q(parm.getValueText(c));
        myOut << "\n";
        return;
    }
    // Otherwise each changed component by its channel name, as values and expressions mix.
    for (int c = 0; c < parm.getVectorSize(); ++c)
    {
        if (parm.isFactoryDefault(c))
            continue;
        myOut << (parm.isExpression(c) ? "set -e " : "set ") << path << " "
              << cmd_q(parm.getChannelToken(c)) << " " << cmd_q(parm.getValueText(c)) << "\n";
    }
}

void CMD_SceneWriter::writeWires(OP_Node &node)
{
    for (unsigned i = 0; i < node.nInputs(); ++i)
    {
        OP_Node *input = node.getInput(i);
        if (!input)
            continue;
        myOut << "wire " << cmd_q(input->getFullPath()) << " " << cmd_q(node.getFullPath()) << " "
              << i;
        if (node.getInputOutputIndex(i) > 0)
            myOut << " " << node.getInputOutputIndex(i);
        myOut << "\n";
    }
}
