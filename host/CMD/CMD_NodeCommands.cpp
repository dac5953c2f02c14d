#include <CMD/CMD_NodeCommands.h>

#include <CMD/CMD_Manager.h>
#include <CMD/CMD_NodeArgs.h>
#include <CMD/CMD_SceneLoader.h>
#include <CMD/CMD_SpareCommand.h>
#include <EV/EV_Expression.h>
#include <OP/OP_BundleFilter.h>
#include <OP/OP_Director.h>
#include <OP/OP_GalleryEntry.h>
#include <OP/OP_NodePin.h>
#include <OP/OP_SpareParmState.h>
#include <PRM/PRM_Parm.h>
#include <UT/UT_FloatText.h>
#include <UT/UT_String.h>
#include <UT/UT_WorkBuffer.h>
#include <VOP/VOP_CodeGenerator.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

namespace
{

void cmd_failNoParm(CMD_Args &args, const OP_Node &node, const char *name)
{
    args.fail("No parameter '" + std::string(name) + "' on " + node.getFullPath());
}

std::string cmd_evalComponent(const PRM_Parm &parm, int component, float time)
{
    const int thread = UT_Thread::getMySequentialThreadIndex();
    switch (parm.getTemplatePtr()->getBasicType())
    {
    case PRM_BASIC_FLOAT:
        return UTshortestFloatText(parm.evalFloat(component, time, thread));
    case PRM_BASIC_ORDINAL:
        return std::to_string(parm.evalInt(component, time, thread));
    default:
        return parm.evalString(component, time, thread);
    }
}

void cmd_add(CMD_Args &args)
{
    if (!CMD_NodeArgs::needArgs(args, 1))
        return;
    std::string error;
    if (!OPgetDirector()->getCwd()->createNode(args(1), args(2), error))
        args.fail(error);
}

void cmd_cd(CMD_Args &args)
{
    const char *path = args.argc() > 1 ? args(1) : "/";
    OP_Node *node = CMD_NodeArgs::findNode(args, path);
    if (!node)
        return;
    if (!node->isNetwork())
    {
        args.fail(node->getFullPath() + " is not a network");
        return;
    }
    OPgetDirector()->setCwd(static_cast<OP_Network *>(node));
}

void cmd_pwd(CMD_Args &args)
{
    args.out() << OPgetDirector()->getCwd()->getFullPath() << "\n";
}

void cmd_ls(CMD_Args &args)
{
    OP_Node *node =
        args.argc() > 1 ? CMD_NodeArgs::findNode(args, args(1)) : OPgetDirector()->getCwd();
    if (!node)
        return;
    if (!node->isNetwork())
    {
        args.fail(node->getFullPath() + " is not a network");
        return;
    }
    const OP_BundleFilter *filter = nullptr;
    std::string error;
    if (const char *name = args.argp('f');
        name && !(filter = OP_BundleFilter::findFilter(name, error)))
    {
        args.fail(error);
        return;
    }
    OP_Network *net = static_cast<OP_Network *>(node);
    for (int i = 0; i < net->getNchildren(); ++i)
        if (!filter || filter->isNodeValid(nullptr, net->getChild(i)))
            args.out() << net->getChild(i)->getName() << "\n";
}

void cmd_rm(CMD_Args &args)
{
    if (!CMD_NodeArgs::needArgs(args, 1))
        return;
    // Every target is found before any is deleted, so that a bad one changes nothing.
    std::vector<int> ids;
    for (int i = 1; i < args.argc(); ++i)
    {
        OP_Node *node = CMD_NodeArgs::findNode(args, args(i));
        if (!node)
            return;
        if (!node->getParent())
        {
            args.fail("The root cannot be deleted");
            return;
        }
        // Whoever uses the node further up the stack would be left with freed memory.
        if (const std::string use = OP_NodePin::describeUse(*node); !use.empty())
        {
            args.fail("Cannot delete " + node->getFullPath() + ": " + use);
            return;
        }
        ids.push_back(node->getUniqueId());
    }
    // By id: a target named twice, or inside another target, is gone by its turn.
    for (int id : ids)
    {
        std::string error;
        OP_Node *node = OPgetDirector()->lookupNode(id);
        if (node && !node->getParent()->destroyNode(node, error))
        {
            args.fail(error);
            return;
        }
    }
}

void cmd_rename(CMD_Args &args)
{
    OP_Node *node = CMD_NodeArgs::memberArg(args, 2, "The root cannot be renamed");
    if (!node)
        return;
    std::string error;
    if (!node->getParent()->renameNode(node, args(2), error))
        args.fail(error);
}

void cmd_wire(CMD_Args &args)
{
    if (!CMD_NodeArgs::needArgs(args, 3))
        return;
    OP_Node *src = CMD_NodeArgs::findNode(args, args(1));
    OP_Node *dst = src ? CMD_NodeArgs::findNode(args, args(2)) : nullptr;
    unsigned input = 0, output = 0;
    if (!dst || !CMD_NodeArgs::parseIndex(args, args(3), "input", input) ||
        (args.argc() > 4 && !CMD_NodeArgs::parseIndex(args, args(4), "output", output)))
        return;
    std::string error;
    if (!dst->setInput(input, src, output, error))
        args.fail(error);
}

void cmd_unwire(CMD_Args &args)
{
    OP_Node *dst = CMD_NodeArgs::nodeArg(args, 2);
    unsigned input = 0;
    if (!dst || !CMD_NodeArgs::parseIndex(args, args(2), "input", input))
        return;
    std::string error;
    if (!dst->setInput(input, nullptr, 0, error))
        args.fail(error);
}

// While a scene file loads, a value for a parameter the node lacks is held for the loader,
// which asks the node to make the parameter once the whole file is read.
bool cmd_holdForLoad(CMD_Args &args, OP_Node &node)
{
    CMD_SceneLoader *loader = CMD_SceneLoader::active();
    if (!loader)
        return false;
    std::vector<std::string> values;
    for (int i = 3; i < args.argc(); ++i)
        values.emplace_back(args(i));
    loader->holdSet(node, args(2), std::move(values), args.found('e'));
    return true;
}

void cmd_set(CMD_Args &args)
{
    if (!CMD_NodeArgs::needArgs(args, 3))
        return;
    OP_Node *node = CMD_NodeArgs::findNode(args, args(1));
    if (!node)
        return;
    int component = -1;
    PRM_Parm *parm = node->getParmList()->findParmOrChannel(args(2), &component);
    if (!parm && !cmd_holdForLoad(args, *node))
        cmd_failNoParm(args, *node, args(2));
    if (!parm)
        return;
    const int first = component < 0 ? 0 : component;
    const int count = args.argc() - 3;
    if (first + count > parm->getVectorSize())
    {
        args.fail("Parameter '" + std::string(parm->getToken()) + "' has " +
                  std::to_string(parm->getVectorSize()) + " components, " + std::to_string(count) +
                  " values given");
        return;
    }
    // Check every value before changing any, so that a bad value changes nothing.
    std::vector<std::unique_ptr<EV_Expression>> checked;
    for (int i = 0; i < count; ++i)
    {
        const char *text = args(3 + i);
        std::string error;
        bool ok = args.found('e')
                      ? EV_Expression::parse(text, error) != nullptr
                      : parm->getTemplatePtr()->getBasicType() == PRM_BASIC_STRING ||
                            UT_String::isNumber(text) ||
                            (parm->getTemplatePtr()->getChoiceList() &&
                             parm->getTemplatePtr()->getChoiceList()->findToken(text) >= 0);
        if (!ok)
        {
            args.fail(error.empty() ? "Bad value '" + std::string(text) + "' for parameter '" +
                                          parm->getToken() + "'"
                                    : error);
            return;
        }
    }
    for (int i = 0; i < count; ++i)
    {
        std::string error;
        bool ok = args.found('e') ? parm->setExpression(first + i, args(3 + i), error)
                                  : parm->setValueFromText(first + i, args(3 + i), error);
        if (!ok)
        {
            args.fail(error);
            return;
        }
    }
}

// A parameter of the node, or a property it takes from elsewhere (nodes that layer
// properties answer for names they lack); `node` becomes the node that holds it.
PRM_Parm *cmd_findParmOrProperty(CMD_Args &args, OP_Node *&node, int &component)
{
    node = CMD_NodeArgs::findNode(args, args(1));
    if (!node)
        return nullptr;
    PRM_Parm *parm = node->getParmList()->findParmOrChannel(args(2), &component);
    const float now = CMDgetManager()->getTime();
    OP_Node *holder = nullptr;
    if (!parm && node->getParameterOrProperty(args(2), now, holder, parm, nullptr, false))
        node = holder;
    else if (!parm &&
             node->getParameterOrPropertyByChannel(args(2), now, holder, parm, component, nullptr))
        node = holder;
    if (!parm)
        cmd_failNoParm(args, *node, args(2));
    return parm;
}

void cmd_eval(CMD_Args &args)
{
    if (!CMD_NodeArgs::needArgs(args, 2))
        return;
    OP_Node *node = nullptr;
    int component = -1;
    PRM_Parm *parm = cmd_findParmOrProperty(args, node, component);
    if (!parm)
        return;
    if (args.argc() > 3)
    {
        unsigned index = 0;
        if (!CMD_NodeArgs::parseIndex(args, args(3), "component", index))
            return;
        if (static_cast<int>(index) >= parm->getVectorSize())
        {
            args.fail("Parameter '" + std::string(parm->getToken()) + "' has no component " +
                      args(3));
            return;
        }
        component = static_cast<int>(index);
    }
    const float time = CMDgetManager()->getTime();
    UT_ErrorManager &errors = node->getErrorManager();
    const int before = errors.getNumErrors();
    std::string text;
    const int first = component < 0 ? 0 : component;
    const int last = component < 0 ? parm->getVectorSize() : component + 1;
    for (int c = first; c < last; ++c)
    {
        if (c > first)
            text += ' ';
        text += cmd_evalComponent(*parm, c, time);
    }
    // Only what this evaluation reported counts: an older error on the node, or a warning
    // now, is no failure of this value.
    for (int i = before; i < errors.getNumErrors(); ++i)
        if (errors.getError(i).getSeverity() >= UT_ERROR_ABORT)
        {
            args.fail(errors.getError(i).getText());
            return;
        }
    args.out() << text << "\n";
}

// The node that argument 1 names, cooked at the commands' time; null when there is none.
OP_Node *cmd_cookedNode(CMD_Args &args, OP_Context &context)
{
    OP_Node *node = CMD_NodeArgs::nodeArg(args, 1);
    if (node)
        node->cook(context);
    return node;
}

void cmd_errors(CMD_Args &args)
{
    OP_Context context(CMDgetManager()->getTime());
    OP_Node *node = cmd_cookedNode(args, context);
    if (!node)
        return;
    for (const UT_Error &error : node->getErrorManager().getErrors())
        args.out() << UTseverityName(error.getSeverity()) << ": "
                   << CMD_Manager::printable(error.getText()) << "\n";
}

void cmd_info(CMD_Args &args)
{
    OP_Context context(CMDgetManager()->getTime());
    OP_Node *node = cmd_cookedNode(args, context);
    if (!node)
        return;
    UT_WorkBuffer text;
    node->getNodeSpecificInfoText(context, 1, text);
    args.out() << text.toStdString() << "\n";
}

void cmd_vopcode(CMD_Args &args)
{
    if (!CMD_NodeArgs::needArgs(args, 1))
        return;
    OP_Node *node = CMD_NodeArgs::findNode(args, args(1));
    if (!node)
        return;
    VOP_CodeGenerator *generator = node->getVopCodeGenerator();
    if (!generator)
    {
        args.fail(node->getFullPath() + " is not a VOP network");
        return;
    }
    const std::string &source = generator->getSource();
    if (source.empty())
    {
        std::string why;
        for (const UT_Error &error : generator->getErrorManager().getErrors())
            why += (why.empty() ? "" : "; ") + error.getMessage();
        args.fail("No code for " + node->getFullPath() + ": " + why);
        return;
    }
    args.out() << source;
}

void cmd_echo(CMD_Args &args)
{
    for (int i = 1; i < args.argc(); ++i)
        args.out() << (i > 1 ? " " : "") << args(i);
    args.out() << "\n";
}

void cmd_source(CMD_Args &args)
{
    if (!CMD_NodeArgs::needArgs(args, 1))
        return;
    std::string text, error;
    if (!CMD_Manager::readScript(args(1), text, error))
    {
        args.fail(error);
        return;
    }
    if (!CMDgetManager()->runScript(text, args(1), args.out(), args.err()))
        args.fail(""); // the failing line was reported where it stands
}

void cmd_types(CMD_Args &args)
{
    for (const auto &[name, table] : OPgetDirector()->getOperatorTables())
        for (OP_Operator *op : table->getOperators())
            args.out() << name << "/" << op->getName() << "\t" << op->getLabel() << "\n";
}

void cmd_gallery(CMD_Args &args)
{
    OP_Node *node = CMD_NodeArgs::nodeArg(args, 1);
    if (!node)
        return;
    OP_GalleryEntry entry;
    node->createGalleryEntry(entry);
    args.out() << "keywords: " << entry.getKeywords() << "\ncategory: " << entry.getCategories()
               << "\n";
}

void cmd_help(CMD_Args &args)
{
    CMD_Manager *manager = CMDgetManager();
    if (args.argc() > 1)
    {
        const char *usage = manager->getUsage(args(1));
        if (!usage)
            args.fail("Unknown command '" + std::string(args(1)) + "'");
        else
            args.out() << usage << "\n";
        return;
    }
    for (const std::string &name : manager->getCommandNames())
        args.out() << manager->getUsage(name.c_str()) << "\n";
}
} // namespace

void CMD_NodeCommands::install(CMD_Manager &m)
{
    m.installCommand("add", "", cmd_add, true, "add TYPE [NAME]");
    m.installCommand("cd", "", cmd_cd, true, "cd [PATH]");
    m.installCommand("pwd", "", cmd_pwd, true, "pwd");
    m.installCommand("ls", "f:", cmd_ls, true, "ls [-f FILTER] [PATH]");
    m.installCommand("vopcode", "", cmd_vopcode, true, "vopcode PATH");
    m.installCommand("rm", "", cmd_rm, true, "rm PATH...");
    m.installCommand("rename", "", cmd_rename, true, "rename PATH NEWNAME");
    m.installCommand("wire", "", cmd_wire, true, "wire SRC DST INPUT [OUTPUT]");
    m.installCommand("unwire", "", cmd_unwire, true, "unwire DST INPUT");
    m.installCommand("set", "e", cmd_set, true, "set [-e] PATH PARM VALUE...");
    CMD_SpareCommand::install(m);
    m.installCommand("eval", "", cmd_eval, true, "eval PATH PARM [COMPONENT]");
    m.installCommand("errors", "", cmd_errors, true, "errors PATH");
    m.installCommand("info", "", cmd_info, true, "info PATH");
    m.installCommand("echo", "", cmd_echo, true, "echo WORDS...");
    m.installCommand("source", "", cmd_source, true, "source FILE");
    m.installCommand("types", "", cmd_types, true, "types");
    m.installCommand("gallery", "", cmd_gallery, true, "gallery PATH");
    m.installCommand("help", "", cmd_help, true, "help [COMMAND]");
}
