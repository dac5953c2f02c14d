// Random VOP networks: the input is a list of small operations (add a node of any type, wire,
// unwire, set a parameter to a value or name from a small list, delete, rename) on a network
// of one of six contexts. Whatever the wiring, generating code must not crash or leak, and
// the code of a surface network, whenever there is any, must pass the grammar check the tests
// use: one function, declared parameters, every variable assigned before it is read.

#include "../tests/host/VOP/VOP_ForwardingOwner.h"
#include "../tests/host/VOP/VOP_SourceCheck.h"

#include <OP/OP_Director.h>
#include <OP/OP_GenericNetwork.h>
#include <OP/OP_OperatorTable.h>
#include <PRM/PRM_Parm.h>
#include <VOP/VOP_CodeGenerator.h>
#include <VOP/VOP_Operator.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
template <int VEX, int RSL>
OP_Node *fuzz_make(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new voptest::ForwardingOwner(parent, name, op, VEX, RSL);
}

const char *const theOwners[] = {"vexsurface", "rslsurface", "vexdisplace",
                                 "vexlight",   "vexcvex",    "rslvolume"};
const char *const theTypes[] = {"global",         "parameter",
                                "constant",       "add",
                                "multiply",       "mix",
                                "lighting",       "texture",
                                "surface_output", "displace_output",
                                "light_output",   "fog_output",
                                "cvex_output"};
const char *const theTexts[] = {"Kd",  "N",      "a b", "x\n",   "",       "surface",
                                "map", "vector", "1",   "color", "string", "\"q\\"};

void fuzz_install()
{
    OP_Director *director = OPgetDirector();
    VOP_Operator::buildOperatorTable(*director->getOperatorTable(VOP_Operator::theTableName));
    const PRM_Template parms[] = {
        PRM_Template(PRM_STRING, 1, PRM_Name(VOP_CodeGenerator::theVopCompilerName),
                     {PRM_Default(0, VOP_CodeGenerator::theVopCompilerVexDefault)},
                     VOP_CodeGenerator::theVopCompilerChoices),
        PRM_Template(),
    };
    const OP_Constructor makers[] = {fuzz_make<1, 0>, fuzz_make<0, 1>,       fuzz_make<2, 0>,
                                     fuzz_make<4, 0>, fuzz_make<0x20000, 0>, fuzz_make<0, 8>};
    OP_OperatorTable *root = director->getOperatorTable(OP_Director::theRootTableName);
    for (size_t i = 0; i < 6; ++i)
    {
        auto *op = new OP_Operator(theOwners[i], theOwners[i], makers[i], parms, 0, 0,
                                   VOP_CodeGenerator::theLocalVariables, OP_FLAG_NETWORK);
        op->setChildTableName(VOP_Operator::theTableName);
        root->addOperator(op);
    }
}

void fuzz_setParm(OP_Node &node, uint8_t which, uint8_t value)
{
    const PRM_ParmList &parms = *node.getParmList();
    if (parms.getEntries() == 0)
        return;
    PRM_Parm &parm = *parms.getParmPtr(which % parms.getEntries());
    std::string error;
    const int component = (value >> 4) % 3;
    if (parm.getTemplatePtr()->getBasicType() == PRM_BASIC_STRING)
        parm.setValueFromText(0, theTexts[value % std::size(theTexts)], error);
    else
        parm.setValue(component, static_cast<double>(value % 16) / 4 - 1);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool theInstalled = (fuzz_install(), true);
    (void)theInstalled;
    if (size < 1)
        return 0;
    const size_t kind = data[0] % 6;
    auto *owner = static_cast<voptest::ForwardingOwner *>(
        OPgetDirector()->getRoot()->createNode(theOwners[kind], "net"));
    if (!owner)
        std::abort();
    std::vector<int> ids; // by id: operations delete nodes
    auto nodeAt = [&](uint8_t byte) -> OP_Node *
    { return ids.empty() ? nullptr : OPgetDirector()->lookupNode(ids[byte % ids.size()]); };
    for (size_t i = 1; i + 3 < size && i < 400; i += 4)
    {
        const uint8_t op = data[i], a = data[i + 1], b = data[i + 2], c = data[i + 3];
        OP_Node *first = nodeAt(a);
        OP_Node *second = nodeAt(b);
        switch (op % 6)
        {
        case 0:
        case 1:
            if (OP_Node *node = owner->createNode(theTypes[a % std::size(theTypes)]))
                ids.push_back(node->getUniqueId());
            break;
        case 2:
            if (first && second)
                second->setInput(c % 4, first, (c >> 2) % 6);
            break;
        case 3:
            if (second)
                second->setInput(c % 4, nullptr);
            break;
        case 4:
            if (first)
                fuzz_setParm(*first, b, c);
            break;
        case 5:
            if (first && (c & 1))
                owner->destroyNode(first);
            else if (first)
            {
                std::string error;
                owner->renameNode(first, theTexts[c % std::size(theTexts)], error);
            }
            break;
        }
    }
    VOP_CodeGenerator &generator = *owner->getVopCodeGenerator();
    const std::string source = generator.getSource();
    if (!source.empty() && kind < 2)
    {
        voptest::SourceCheck check(kind == 0 ? voptest::vexSurface() : voptest::rslSurface(),
                                   "surface");
        const std::string error = check.check(source);
        if (!error.empty())
        {
            std::fprintf(stderr, "Generated code fails the check: %s\n%s", error.c_str(),
                         source.c_str());
            std::abort();
        }
    }
    OPgetDirector()->getRoot()->destroyNode(owner);
    return 0;
}
