#include <CMD/CMD_SceneWriter.h>

#include <CMD/CMD_Tokenizer.h>
#include <OP/OP_Director.h>
#include <OP/OP_Operator.h>
#include <PRM/PRM_Parm.h>
#include <UT/UT_Progress.h>

#include <charconv>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace
{
// Whether a component's default is an expression, which `spare` cannot give: the parameter is
// then written with a default of 0 and its expression set after it.
bool cmd_expressionDefault(const PRM_Parm &parm, int component)
{
    const PRM_Default *def = parm.getTemplatePtr()->getDefault(component);
    return parm.isSpareParm() && def && def->isExpression();
}

void cmd_defaultText(const PRM_Template &tmpl, int component, std::string &text)
{
    const PRM_Default *def = tmpl.getDefault(component);
    // Appended rather than assigned: GCC 12 takes assigned literals for overlapping copies.
    text.clear();
    if (def && def->isExpression())
    {
        if (tmpl.getBasicType() != PRM_BASIC_STRING)
            text.push_back('0');
        return;
    }
    if (tmpl.getType().hasFlag(PRM_TYPE_SWITCHERLIST))
    {
        text.append(std::to_string(def ? def->getOrdinal() : 0)).push_back(':');
        text.append(def && def->getString() ? def->getString() : "");
        return;
    }
    if (tmpl.getBasicType() == PRM_BASIC_STRING)
    {
        text.append(def && def->getString() ? def->getString() : "");
        return;
    }
    // The shortest text that reads back as the same number.
    char number[64];
    auto end = std::to_chars(number, number + sizeof(number), def ? def->getFloat() : 0.0).ptr;
    text.append(number, end);
}

// Where a stream is written to, the text goes over in pieces of about this size.
constexpr size_t theFlushSize = size_t(1) << 20;
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
    myText += "# shophost scene: read it back with \"load FILE\"\n";
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
    myText += "cd /\n";
    flush(true);
}

std::string CMD_SceneWriter::writeSubtree(OP_Node &node)
{
    std::string text;
    CMD_SceneWriter writer(text);
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
    writer.writeCd();
    text += "add";
    writer.writeWord(node.getOperator()->getName());
    writer.writeWord(node.getName());
    text += '\n';
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
                writer.writeWire(node, *reader, i);
    if (network)
    {
        at(*network);
        writer.walk([&writer](OP_Node &child) { writer.writeSpareParms(child); });
        writer.walk([&writer](OP_Node &child) { writer.writeParms(child); });
        writer.walk([&writer](OP_Node &child) { writer.writeWires(child); });
    }
    return text;
}

void CMD_SceneWriter::writeWord(std::string_view word)
{
    myText += ' ';
    CMD_Tokenizer::appendQuoted(myText, word);
}

void CMD_SceneWriter::flush(bool all)
{
    if (!myStream || myText.empty() || (!all && myText.size() < theFlushSize))
        return;
    myStream->write(myText.data(), static_cast<std::streamsize>(myText.size()));
    myText.clear();
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
        flush(false);
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
            writeCd();
            myNodeCount += network.getNchildren();
            for (int i = 0; i < network.getNchildren(); ++i)
            {
                OP_Node *child = network.getChild(i);
                myText += "add";
                writeWord(child->getOperator()->getName());
                writeWord(child->getName());
                myText += '\n';
                flush(false);
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

void CMD_SceneWriter::writeCd()
{
    const int depth = static_cast<int>(myNetworks.size()) - 1;
    // GCC 12 takes assignments of one-character literals to strings for overlapping copies
    // (-Wrestrict); characters it reads right.
    std::string &path = myScratch;
    path.clear();
    if (myCwdDepth < 0 || myPath.size() <= theLongPath)
        path.append(myPath.empty() ? std::string_view("/") : std::string_view(myPath));
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
    myText += "cd";
    writeWord(path);
    myText += '\n';
}

const std::string &CMD_SceneWriter::nodePath(const OP_Node &node, std::string &word)
{
    // `node` lies in the network the walk is in.
    word.clear();
    if (myPath.size() + 1 + node.getName().size() <= theLongPath)
    {
        myScratch.assign(myPath).append(1, '/').append(node.getName());
        CMD_Tokenizer::appendQuoted(word, myScratch);
        return word;
    }
    const int depth = static_cast<int>(myNetworks.size()) - 1;
    if (myCwdDepth != depth || myCwdUp != 0)
        writeCd();
    CMD_Tokenizer::appendQuoted(word, node.getName());
    return word;
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
    const std::string &path = nodePath(node, myNodeWord);
    // Every word but the node's path comes from the template alone: made once for all the
    // nodes that share it.
    auto [it, made] = mySpareLines.try_emplace(&tmpl);
    if (made)
        spareLine(tmpl, multi, it->second.first, it->second.second);
    myText.append(it->second.first).append(path).append(it->second.second);
}

void CMD_SceneWriter::spareLine(const PRM_Template &tmpl, const char *multi, std::string &head,
                                std::string &tail)
{
    const auto word = [](std::string &line, std::string_view text)
    {
        line += ' ';
        CMD_Tokenizer::appendQuoted(line, text);
    };
    head = "spare";
    if (multi)
    {
        head += " -m";
        word(head, multi);
    }
    if (std::strcmp(tmpl.getLabel(), tmpl.getToken()) != 0)
    {
        head += " -l";
        word(head, tmpl.getLabel());
    }
    if (const PRM_SpareData *spare = tmpl.getSparePtr())
        for (const auto &[key, value] : spare->getValues())
        {
            head += " -t";
            word(head, key + "=" + value);
        }
    head += ' ';
    tail.clear();
    word(tail, tmpl.getToken());
    tail.append(1, ' ').append(spareTypeName(tmpl)).append(1, ' ');
    tail += std::to_string(tmpl.getVectorSize());
    // A count's one word after its size is the number of its first instance.
    if (tmpl.isMultiParm())
        tail.append(1, ' ').append(std::to_string(tmpl.getMultiStartOffset()));
    else if (tmpl.hasDefaults())
    {
        std::string text;
        for (int c = 0; c < tmpl.getVectorSize(); ++c)
        {
            cmd_defaultText(tmpl, c, text);
            word(tail, text);
        }
    }
    tail += '\n';
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
    const std::string &path = nodePath(node, myNodeWord);
    if (!anyExpression)
    {
        // Plain values go on one line, as a user would type them.
        myText.append("set ").append(path);
        writeWord(parm.getToken());
        for (int c = 0; c < parm.getVectorSize(); ++c)
            writeWord(parm.getValueText(c));
        myText += '\n';
        return;
    }
    // Otherwise each changed component by its channel name, as values and expressions mix.
    for (int c = 0; c < parm.getVectorSize(); ++c)
    {
        if (parm.isFactoryDefault(c) && !cmd_expressionDefault(parm, c))
            continue;
        myText.append(parm.isExpression(c) ? "set -e " : "set ").append(path);
        writeWord(parm.getChannelToken(c));
        writeWord(parm.getValueText(c));
        myText += '\n';
    }
}

void CMD_SceneWriter::writeWires(OP_Node &node)
{
    for (unsigned i = 0; i < node.nInputs(); ++i)
        if (OP_Node *input = node.getInput(i))
            writeWire(*input, node, i);
}

void CMD_SceneWriter::writeWire(const OP_Node &input, const OP_Node &node, unsigned index)
{
    nodePath(node, myNodeWord);
    myText += "wire ";
    myText.append(nodePath(input, myInputWord)).append(1, ' ').append(myNodeWord);
    myText.append(1, ' ').append(std::to_string(index));
    if (node.getInputOutputIndex(index) > 0)
        myText.append(1, ' ').append(std::to_string(node.getInputOutputIndex(index)));
    myText += '\n';
}
