#include <CMD/CMD_SceneWriter.h>

#include <CMD/CMD_Tokenizer.h>
#include <OP/OP_Director.h>
#include <OP/OP_Operator.h>
#include <PRM/PRM_Parm.h>
#include <UT/UT_Progress.h>

#include <charconv>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace
{
std::string cmd_q(const std::string &word)
{
    return CMD_Tokenizer::quote(word);
}

// Whether a component's default is an expression, which `spare` cannot give: the parameter is
// then written with a default of 0 and its expression set after it.
bool cmd_expressionDefault(const PRM_Parm &parm, int component)
{
    const PRM_Default *def = parm.getTemplatePtr()->getDefault(component);
    return parm.isSpareParm() && def && def->isExpression();
}

std::string cmd_defaultText(const PRM_Template &tmpl, int component)
{
    const PRM_Default *def = tmpl.getDefault(component);
    if (def && def->isExpression())
        return tmpl.getBasicType() == PRM_BASIC_STRING ? "" : "0";
    if (tmpl.getType().hasFlag(PRM_TYPE_SWITCHERLIST))
        return std::to_string(def ? def->getOrdinal() : 0) + ":" +
               (def && def->getString() ? def->getString() : "");
    if (tmpl.getBasicType() == PRM_BASIC_STRING)
        return def && def->getString() ? def->getString() : "";
    // The shortest text that reads back as the same number.
    char text[64];
    auto end = std::to_chars(text, text + sizeof(text), def ? def->getFloat() : 0.0).ptr;
    return std::string(text, end);
}
} // namespace

const char *CMD_SceneWriter::spareTypeName(const PRM_Template &tmpl)
{
    const PRM_Type &type = tmpl.getType();
    if (type.hasFlag(PRM_TYPE_SWITCHERLIST))
        return "folder";
    if (tmpl.isMultiParm())
        return "multi";
    if (type == PRM_FILE)
        return "file";
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
    const std::string rootPath = root.getFullPath();
    myNetworks.assign(1, &root);
    myPath = rootPath == "/" ? std::string() : rootPath;
    myCwdDepth = -1;
    myCwdUp = 0;
    writeNodes();
    // Three walks over every node follow.
    if (myProgress)
        myProgress->setTotal(3 * myNodeCount);
    // Spare parameters first: a parameter's value may refer to another node's spare one.
    walk([this](OP_Node &node) { writeSpareParms(node); });
    walk([this](OP_Node &node) { writeParms(node); });
    walk([this](OP_Node &node) { writeWires(node); });
    myOut << "cd /\n";
}

std::string CMD_SceneWriter::writeSubtree(OP_Node &node)
{
    std::ostringstream out;
    CMD_SceneWriter writer(out);
    OP_Network *parent = node.getParent();
    if (!parent)
        return std::string();
    // The node's own lines are written from its network, its contents' from itself.
    auto at = [&writer](OP_Network &network)
    {
        const std::string path = network.getFullPath();
        writer.myNetworks.assign(1, &network);
        writer.myPath = path == "/" ? std::string() : path;
        writer.myCwdDepth = -1;
        writer.myCwdUp = 0;
    };
    auto *network = node.isNetwork() ? static_cast<OP_Network *>(&node) : nullptr;
    at(*parent);
    out << "cd " << writer.networkPath() << "\n";
    out << "add " << cmd_q(node.getOperator()->getName()) << " " << cmd_q(node.getName()) << "\n";
    if (network)
    {
        at(*network);
        writer.writeNodes();
    }
    at(*parent);
    writer.writeSpareParms(node);
    writer.writeParms(node);
    writer.writeWires(node);
    for (OP_Node *reader : node.getOutputNodes())
        for (unsigned i = 0; i < reader->nInputs(); ++i)
            if (reader->getInput(i) == &node)
            {
                out << "wire " << writer.nodePath(node) << " " << writer.nodePath(*reader) << " "
                    << i;
                if (reader->getInputOutputIndex(i) > 0)
                    out << " " << reader->getInputOutputIndex(i);
                out << "\n";
            }
    if (network)
    {
        at(*network);
        writer.walk([&writer](OP_Node &child) { writer.writeSpareParms(child); });
        writer.walk([&writer](OP_Node &child) { writer.writeParms(child); });
        writer.walk([&writer](OP_Node &child) { writer.writeWires(child); });
    }
    return out.str();
}

void CMD_SceneWriter::enter(OP_Network &network)
{
    myNetworks.push_back(&network);
    myPath += '/';
    myPath += network.getName();
}

void CMD_SceneWriter::leave()
{
    const int depth = static_cast<int>(myNetworks.size()) - 1;
    myPath.resize(myPath.size() - myNetworks.back()->getName().size() - 1);
    myNetworks.pop_back();
    // The file's current network lay inside the one left: it is now one level further below
    // the nearest network of the walk.
    if (myCwdDepth == depth)
    {
        --myCwdDepth;
        ++myCwdUp;
    }
}

template <typename Visit>
void CMD_SceneWriter::walk(Visit visit)
{
    // Parents before children, with a stack of its own rather than a call per level: networks
    // may be nested deeper than the stack allows calls.
    std::vector<int> next(1, 0); // per network of the walk, its next child
    while (!next.empty())
    {
        OP_Node *child = myNetworks.back()->getChild(next.back()++);
        if (!child)
        {
            next.pop_back();
            if (!next.empty())
                leave();
            continue;
        }
        visit(*child);
        if (myProgress)
            myProgress->update(++myVisits);
        if (child->isNetwork())
        {
            enter(*static_cast<OP_Network *>(child));
            next.push_back(0);
        }
    }
}

void CMD_SceneWriter::writeNodes()
{
    // Each network's children, then the networks among them in turn, depth first.
    std::vector<int> next(1, -1); // per network of the walk, the child last descended into
    while (!next.empty())
    {
        OP_Network &network = *myNetworks.back();
        if (next.back() < 0 && network.getNchildren() > 0)
        {
            myOut << "cd " << networkPath() << "\n";
            myNodeCount += network.getNchildren();
            for (int i = 0; i < network.getNchildren(); ++i)
            {
                OP_Node *child = network.getChild(i);
                myOut << "add " << cmd_q(child->getOperator()->getName()) << " "
                      << cmd_q(child->getName()) << "\n";
            }
        }
        OP_Node *child = network.getChild(++next.back());
        if (!child)
        {
            next.pop_back();
            if (!next.empty())
                leave();
        }
        else if (child->isNetwork())
        {
            enter(*static_cast<OP_Network *>(child));
            next.push_back(-1);
        }
    }
}

std::string CMD_SceneWriter::networkPath()
{
    const int depth = static_cast<int>(myNetworks.size()) - 1;
    // GCC 12 takes assignments of one-character literals to strings for overlapping copies
    // (-Wrestrict); characters it reads right.
    std::string path;
    if (myCwdDepth < 0 || myPath.size() <= theLongPath)
        path = myPath.empty() ? std::string(1, '/') : myPath;
    else
    {
        // Up from the file's current network to the nearest network of the walk, then down
        // the walk: each level of a deep tree is climbed and descended once in all.
        for (int i = 0; i < myCwdUp + depth - myCwdDepth; ++i)
        {
            if (i > 0)
                path.push_back('/');
            if (i < myCwdUp)
                path.append(2, '.');
            else
                path.append(
                    myNetworks[static_cast<size_t>(myCwdDepth + 1 + i - myCwdUp)]->getName());
        }
        if (path.empty())
            path.push_back('.');
    }
    myCwdDepth = depth;
    myCwdUp = 0;
    return cmd_q(path);
}

std::string CMD_SceneWriter::nodePath(const OP_Node &node)
{
    // `node` lies in the network the walk is in.
    if (myPath.size() + 1 + node.getName().size() <= theLongPath)
        return cmd_q(myPath + "/" + node.getName());
    const int depth = static_cast<int>(myNetworks.size()) - 1;
    if (myCwdDepth != depth || myCwdUp != 0)
        myOut << "cd " << networkPath() << "\n";
    return cmd_q(node.getName());
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
        writeSpareParm(node, tmpl, nullptr);
        // A multi-parameter's instance group, one child a line.
        if (tmpl.isMultiParm())
            for (const PRM_Template *t = tmpl.getMultiParmTemplates().data();
                 t && !t->isTerminator(); ++t)
                writeSpareParm(node, *t, tmpl.getToken());
    }
}

void CMD_SceneWriter::writeSpareParm(OP_Node &node, const PRM_Template &tmpl, const char *multi)
{
    const std::string path = nodePath(node);
    myOut << "spare ";
    if (multi)
        myOut << "-m " << cmd_q(multi) << " ";
    if (std::string(tmpl.getLabel()) != tmpl.getToken())
        myOut << "-l " << cmd_q(tmpl.getLabel()) << " ";
    if (const PRM_SpareData *spare = tmpl.getSparePtr())
        for (const auto &[key, value] : spare->getValues())
            myOut << "-t " << cmd_q(key + "=" + value) << " ";
    myOut << path << " " << cmd_q(tmpl.getToken()) << " " << spareTypeName(tmpl) << " "
          << tmpl.getVectorSize();
    // A count's one word after its size is the number of its first instance.
    if (tmpl.isMultiParm())
        myOut << " " << tmpl.getMultiStartOffset();
    else if (tmpl.hasDefaults())
        for (int c = 0; c < tmpl.getVectorSize(); ++c)
            myOut << " " << cmd_q(cmd_defaultText(tmpl, c));
    myOut << "\n";
}

void CMD_SceneWriter::writeParms(OP_Node &node)
{
    const PRM_ParmList &list = *node.getParmList();
    // Instances of multi-parameters come last, in order, after the counts that make them.
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
        anyChange = anyChange || !parm.isFactoryDefault(c) || cmd_expressionDefault(parm, c);
    }
    if (!anyChange)
        return;
    const std::string path = nodePath(node);
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
        if (parm.isFactoryDefault(c) && !cmd_expressionDefault(parm, c))
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
        const std::string to = nodePath(node);
        myOut << "wire " << nodePath(*input) << " " << to << " " << i;
        if (node.getInputOutputIndex(i) > 0)
            myOut << " " << node.getInputOutputIndex(i);
        myOut << "\n";
    }
}
