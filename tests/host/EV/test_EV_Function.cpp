#include <EV/EV_Expression.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <numbers>
#include <thread>

namespace
{

std::atomic<int> theAllocs{0};
std::atomic<int> theFrees{0};

void *allocCounter()
{
    ++theAllocs;
    return new int(0);
}

void freeCounter(void *data)
{
    ++theFrees;
    delete static_cast<int *>(data);
}

// Counts its own evaluations per call site; -1 when the site has no data.
void evalCounter(EV_FunctionCall &call)
{
    int *count = static_cast<int *>(call.instanceData);
    call.result.num = count ? ++*count : -1;
}

void evalTime(EV_FunctionCall &call)
{
    call.result.num = call.context.time;
}

void evalFail(EV_FunctionCall &call)
{
    if (call.args[0].num != 0)
        call.context.error = "tst_fail was asked to";
    call.failed = true;
}

void evalJoin(EV_FunctionCall &call)
{
    for (const EV_Value &arg : call.args)
        call.result.str += arg.str + ";";
}

// tst_ref(path, index): "path:index", with a reference to a node path in its first argument.
void evalRef(EV_FunctionCall &call)
{
    call.result.str = call.args[0].str + ":" + call.args[1].asString();
}

struct RecordedSite
{
    std::vector<EV_Value> args;
    std::vector<bool> literal;
    void *owner;
};
std::vector<RecordedSite> theSites;

void refDependency(const EV_CallSite &site)
{
    theSites.push_back({site.args, site.literal, site.owner});
}

bool refRename(const EV_CallSite &site, int arg, const std::string &oldPath,
               const std::string &newPath, std::string &replacement)
{
    if (arg != 0)
        return false;
    const std::string &path = site.args[0].str;
    if (path.compare(0, oldPath.size(), oldPath) != 0 ||
        (path.size() > oldPath.size() && path[oldPath.size()] != '/'))
        return false;
    replacement = newPath + path.substr(oldPath.size());
    return true;
}

const EV_Type theNumbers[] = {EV_TYPE_FLOAT, EV_TYPE_FLOAT};
const EV_Type theRefArgs[] = {EV_TYPE_STRING, EV_TYPE_FLOAT};
const EV_Type theTexts[] = {EV_TYPE_STRING};

EV_FUNCTION theCounter(0, "tst_counter", 0, EV_TYPE_FLOAT, nullptr, evalCounter);
EV_FUNCTION theSite(0, "tst_site", 0, EV_TYPE_FLOAT, nullptr, evalCounter);
EV_FUNCTION theLate(0, "tst_late", 1, EV_TYPE_FLOAT, theNumbers, evalCounter);
EV_FUNCTION theTime(EV_FLAG_TIME_DEPENDENT, "tst_time", 0, EV_TYPE_FLOAT, nullptr, evalTime);
EV_FUNCTION theFail(0, "tst_fail", 1, EV_TYPE_FLOAT, theNumbers, evalFail);
EV_FUNCTION theJoin(0, "tst_join", -1, EV_TYPE_STRING, theTexts, evalJoin);
EV_FUNCTION theRef(0, "tst_ref", 2, EV_TYPE_STRING, theRefArgs, evalRef);
EV_FUNCTION theNoCallback(0, "tst_nocallback", 0, EV_TYPE_FLOAT, nullptr, nullptr);

std::unique_ptr<EV_Expression> parseOk(const std::string &text)
{
    std::string error;
    auto expr = EV_Expression::parse(text, error);
    EXPECT_TRUE(expr) << text << ": " << error;
    return expr;
}

EV_Value evalOk(const EV_Expression &expr, EV_Context &context)
{
    EV_Value value;
    EXPECT_TRUE(expr.evaluate(context, value)) << expr.getText() << ": " << context.error;
    return value;
}

EV_Value evalOk(const std::string &text)
{
    EV_Context context;
    auto expr = parseOk(text);
    return expr ? evalOk(*expr, context) : EV_Value();
}

std::string evalError(const std::string &text)
{
    EV_Context context;
    EV_Value value;
    auto expr = parseOk(text);
    if (expr)
    {
        EXPECT_FALSE(expr->evaluate(context, value)) << text;
    }
    return context.error;
}

} // namespace

TEST(EV_Function, BuiltIns)
{
    const std::pair<const char *, double> numbers[] = {
        {"abs(-2)", 2},
        {"abs('-3')", 3},
        {"floor(-1.5)", -2},
        {"ceil(1.2)", 2},
        {"round(2.5) + round(-2.5)", 0},
        {"round(-2.5)", -3},
        {"sqrt(16)", 4},
        {"exp(0) + log(1)", 1},
        {"sin(0) + cos(0) + tan(0)", 1},
        {"atan2(1, 1) * 4", std::numbers::pi},
        {"asin(1) * 2", std::numbers::pi},
        {"acos(1) + atan(0)", 0},
        {"pow(2, 10)", 1024},
        {"min(3, 1, 2)", 1},
        {"max(3)", 3},
        {"max(-1, '7', 2)", 7},
        {"clamp(5, 0, 1)", 1},
        {"clamp(-1, 0, 1)", 0},
        {"clamp(0.5, 0, 1)", 0.5},
        {"fit(5, 0, 10, 0, 100)", 50},
        {"fit(20, 0, 10, 0, 100)", 100},
        {"fit(-20, 0, 10, 0, 100)", 0},
        {"fit(5, 10, 0, 0, 1)", 0.5},
        {"fit(1, 2, 2, 7, 9)", 7},
        {"strlen('abc')", 3},
        {"strlen(12345)", 5},
        {"strlen(0.5 + '')", 3},
        {"strcmp('a', 'b')", -1},
        {"strcmp('b', 'b')", 0},
        {"strcmp(10, 9)", -1},
    };
    for (const auto &[text, expected] : numbers)
    {
        EV_Value value = evalOk(text);
        EXPECT_FALSE(value.isString()) << text;
        EXPECT_NEAR(value.num, expected, 1e-12) << text;
    }

    const std::pair<const char *, const char *> texts[] = {
        {"substr('hello', 1, 3)", "ell"},
        {"substr('hello', -2, 100)", "hello"},
        {"substr('hello', 4, 10)", "o"},
        {"substr('hello', 10, 1)", ""},
        {"substr('hello', 1, -1)", ""},
        {"substr(12345, 1.7, 2)", "23"},
        {"upper('aZ1_b')", "AZ1_B"},
        {"lower('aZ1_B')", "az1_b"},
        {"upper(substr('path', 0, 1)) + substr('path', 1, 99)", "Path"},
    };
    for (const auto &[text, expected] : texts)
    {
        EV_Value value = evalOk(text);
        EXPECT_TRUE(value.isString()) << text;
        EXPECT_EQ(value.str, expected) << text;
    }

    EXPECT_EQ(evalError("min()"), "Function 'min' needs at least one argument");

    std::vector<std::string> names = ev_FunctionNames();
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    for (const char *name : {"abs", "clamp", "fit", "max", "strlen", "substr"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    EXPECT_EQ(ev_FindFunction("nosuch"), nullptr);
    EXPECT_STREQ(ev_FindFunction("fit")->name, "fit");
}

TEST(EV_Function, EveryArgumentOfABuiltInCounts)
{
    // A call, and for each argument in turn another value that must change the result: a
    // function that drops an argument (the last of a variable count, say) gives itself away.
    struct Call
    {
        const char *name;
        std::vector<const char *> args;
        std::vector<const char *> others;
    };
    const Call calls[] = {
        {"min", {"3", "2", "1"}, {"0", "0", "5"}},
        {"min", {"4", "-7"}, {"-9", "9"}},
        {"max", {"1", "2", "3", "4"}, {"5", "6", "7", "0"}},
        {"max", {"-1", "'7'"}, {"8", "-2"}},
        {"clamp", {"0.5", "0", "1"}, {"0.25", "0.75", "0.25"}},
        {"fit", {"5", "0", "10", "0", "100"}, {"2.5", "5", "20", "10", "200"}},
        {"atan2", {"1", "1"}, {"2", "2"}},
        {"pow", {"2", "3"}, {"3", "4"}},
        {"substr", {"'hello'", "1", "3"}, {"'world'", "2", "2"}},
        {"strcmp", {"'a'", "'b'"}, {"'c'", "'a'"}},
    };
    auto text = [](const char *name, const std::vector<const char *> &args)
    {
        std::string call = std::string(name) + "(";
        for (size_t i = 0; i < args.size(); ++i)
            call += (i ? ", " : "") + std::string(args[i]);
        return call + ")";
    };
    for (const Call &call : calls)
    {
        ASSERT_EQ(call.args.size(), call.others.size()) << call.name;
        const std::string base = text(call.name, call.args);
        const std::string result = evalOk(base).asString();
        for (size_t i = 0; i < call.args.size(); ++i)
        {
            std::vector<const char *> changed = call.args;
            changed[i] = call.others[i];
            EXPECT_NE(evalOk(text(call.name, changed)).asString(), result)
                << base << ": argument " << i + 1 << " makes no difference";
        }
    }
}

TEST(EV_Function, ArgumentsAreConvertedAndResultsReported)
{
    ev_AddFunction(&theJoin);
    ev_AddFunction(&theTime);
    ev_AddFunction(&theFail);
    ev_AddFunction(&theNoCallback);

    // Variable-count functions take any count, each converted to the declared type.
    EXPECT_EQ(evalOk("tst_join()").str, "");
    EXPECT_EQ(evalOk("tst_join(1, 'a', 0.25, 1 + 1)").str, "1;a;0.25;2;");
    // Nested calls each get their own arguments.
    EXPECT_EQ(evalOk("tst_join(tst_join(1, 2), tst_join(3, tst_join(4)), 5)").str, "1;2;;3;4;;;5;");

    EV_Context context;
    context.time = 1.5f;
    auto plain = parseOk("abs(-1) + 2");
    evalOk(*plain, context);
    EXPECT_FALSE(context.timeDependent);
    auto timed = parseOk("1 + tst_time() * 2");
    EXPECT_DOUBLE_EQ(evalOk(*timed, context).num, 4);
    EXPECT_TRUE(context.timeDependent);

    EXPECT_EQ(evalError("1 + tst_fail(1)"), "tst_fail was asked to");
    EXPECT_EQ(evalError("tst_fail(0)"), "Function 'tst_fail' failed");
    EXPECT_EQ(evalError("tst_nocallback()"), "Function 'tst_nocallback' cannot be evaluated");
    // A failing argument stops the call before the callback runs.
    EXPECT_EQ(evalError("tst_fail($NOPE)"), "Unknown variable '$NOPE'");
}

TEST(EV_Function, UnknownAtParseTimeResolvesLater)
{
    // Unknown names parse, whatever their argument count, and fail only when evaluated.
    auto early = parseOk("tst_late(4) + 1");
    auto wrongCount = parseOk("tst_late(1, 2)");
    EV_Context context;
    EV_Value value;
    EXPECT_FALSE(early->evaluate(context, value));
    EXPECT_EQ(context.error, "Unknown function 'tst_late'");
    EXPECT_EQ(evalError("2 * nosuchfunction(1, 'a')"), "Unknown function 'nosuchfunction'");

    int allocs = theAllocs, frees = theFrees;
    ev_AddFunction(&theLate);
    ev_SetFunctionInstanceAllocator("tst_late", allocCounter, freeCounter);
    EXPECT_FALSE(wrongCount->evaluate(context, value));
    EXPECT_EQ(context.error, "Function 'tst_late' takes 1 argument, not 2");

    // Evaluated concurrently, the call site still gets exactly one instance.
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [&]
            {
                EV_Context local;
                EV_Value result;
                for (int i = 0; i < 100; ++i)
                    if (!early->evaluate(local, result))
                        ++failures;
            });
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(theAllocs - allocs, 2); // one per resolved call site: early and wrongCount
    early.reset();
    wrongCount.reset();
    EXPECT_EQ(theFrees - frees, 2);
}

TEST(EV_Function, InstanceDataPerCallSite)
{
    ev_AddFunction(&theCounter);
    ev_AddFunction(&theSite);
    ev_SetFunctionInstanceAllocator("tst_counter", allocCounter, freeCounter);
    int allocs = theAllocs, frees = theFrees;
    {
        auto expr = parseOk("tst_counter() * 10 + tst_counter()");
        EXPECT_EQ(theAllocs - allocs, 2);
        EV_Context context;
        EXPECT_DOUBLE_EQ(evalOk(*expr, context).num, 11);
        EXPECT_DOUBLE_EQ(evalOk(*expr, context).num, 22);
        // Another expression has call sites of its own.
        auto other = parseOk("tst_counter()");
        EXPECT_DOUBLE_EQ(evalOk(*other, context).num, 1);
        EXPECT_EQ(theFrees - frees, 0);
    }
    EXPECT_EQ(theAllocs - allocs, 3);
    EXPECT_EQ(theFrees - frees, 3);

    // A parse that fails part way frees what it made.
    std::string error;
    EXPECT_FALSE(EV_Expression::parse("tst_counter() + tst_counter() + (", error));
    EXPECT_EQ(theAllocs - allocs, 5);
    EXPECT_EQ(theFrees - frees, 5);

    // Expressions parsed before an allocator was set keep what they had.
    auto before = parseOk("tst_site()");
    ev_SetFunctionInstanceAllocator("tst_site", allocCounter, freeCounter);
    auto after = parseOk("tst_site()");
    EV_Context context;
    EXPECT_DOUBLE_EQ(evalOk(*before, context).num, -1);
    EXPECT_DOUBLE_EQ(evalOk(*after, context).num, 1);
    ev_SetFunctionInstanceAllocator("tst_site", nullptr, nullptr);
    after.reset();
    EXPECT_EQ(theAllocs - allocs, 6);
    EXPECT_EQ(theFrees - frees, 6);
}

TEST(EV_Function, DependencyCallbacksSeeLiteralArguments)
{
    ev_AddFunction(&theRef);
    ev_SetFunctionDependencyCallbacks("tst_ref", refDependency, refRename);
    auto expr = parseOk("tst_ref('/obj/a', -2) + tst_ref($P, 7) + tst_ref(upper('x'), 1 + 1)");
    theSites.clear();
    int owner = 0;
    expr->collectDependencies(&owner);
    ASSERT_EQ(theSites.size(), 3u);
    EXPECT_EQ(theSites[0].owner, &owner);
    EXPECT_EQ(theSites[0].literal, (std::vector<bool>{true, true}));
    EXPECT_EQ(theSites[0].args[0].str, "/obj/a");
    EXPECT_DOUBLE_EQ(theSites[0].args[1].num, -2);
    EXPECT_EQ(theSites[1].literal, (std::vector<bool>{false, true}));
    EXPECT_DOUBLE_EQ(theSites[1].args[1].num, 7);
    EXPECT_EQ(theSites[2].literal, (std::vector<bool>{false, false}));
    ASSERT_EQ(theSites[2].args.size(), 2u);

    // Literals are handed over converted to the declared argument types.
    theSites.clear();
    parseOk("tst_ref(5, '3')")->collectDependencies(nullptr);
    ASSERT_EQ(theSites.size(), 1u);
    EXPECT_EQ(theSites[0].args[0].str, "5");
    EXPECT_FALSE(theSites[0].args[1].isString());
    EXPECT_DOUBLE_EQ(theSites[0].args[1].num, 3);
}

TEST(EV_Function, RenameRewritesOnlyTheLiterals)
{
    ev_AddFunction(&theRef);
    ev_SetFunctionDependencyCallbacks("tst_ref", refDependency, refRename);
    const std::string text = "tst_ref(  '/obj/geo1' ,2 )+tst_ref(\"/obj/geo1/x\", 0)  \n"
                             "  + tst_ref($P, 1) + \"/obj/geo1\" + tst_ref('/obj/geo10', 3)";
    auto expr = parseOk(text);

    EXPECT_FALSE(expr->renameReferences(nullptr, "/obj/other", "/obj/x"));
    EXPECT_EQ(expr->getText(), text);

    EXPECT_TRUE(expr->renameReferences(nullptr, "/obj/geo1", "/obj/my \"geo\"\\"));
    EXPECT_EQ(expr->getText(),
              "tst_ref(  \"/obj/my \\\"geo\\\"\\\\\" ,2 )+tst_ref(\"/obj/my \\\"geo\\\"\\\\/x\", "
              "0)  \n  + tst_ref($P, 1) + \"/obj/geo1\" + tst_ref('/obj/geo10', 3)");

    // The rewritten text parses back to the same values the tree now holds.
    class PathContext : public EV_Context
    {
    public:
        bool getVariable(const std::string &, EV_Value &value) override
        {
            value = EV_Value::string("/p");
            return true;
        }
    } paths;
    const std::string expected =
        "/obj/my \"geo\"\\:2/obj/my \"geo\"\\/x:0/p:1/obj/geo1/obj/geo10:3";
    EXPECT_EQ(evalOk(*expr, paths).str, expected);
    EXPECT_EQ(evalOk(*parseOk(expr->getText()), paths).str, expected);

    // A second rename relies on the literal positions having moved with the first.
    EXPECT_TRUE(expr->renameReferences(nullptr, "/obj/my \"geo\"\\", "/g"));
    EXPECT_EQ(expr->getText(), "tst_ref(  \"/g\" ,2 )+tst_ref(\"/g/x\", 0)  \n"
                               "  + tst_ref($P, 1) + \"/obj/geo1\" + tst_ref('/obj/geo10', 3)");
    EXPECT_TRUE(expr->renameReferences(nullptr, "/obj/geo10", "/h"));
    EXPECT_EQ(expr->getText(), "tst_ref(  \"/g\" ,2 )+tst_ref(\"/g/x\", 0)  \n"
                               "  + tst_ref($P, 1) + \"/obj/geo1\" + tst_ref(\"/h\", 3)");
    EXPECT_EQ(evalOk(*expr, paths).str, "/g:2/g/x:0/p:1/obj/geo1/h:3");

    // Renaming to the same text changes nothing.
    EXPECT_FALSE(expr->renameReferences(nullptr, "/g", "/g"));
}

TEST(EV_Function, LaterRecordReplacesEarlier)
{
    static EV_FUNCTION first(0, "tst_replace", 0, EV_TYPE_FLOAT, nullptr,
                             [](EV_FunctionCall &call) { call.result.num = 1; });
    static EV_FUNCTION second(0, "tst_replace", 0, EV_TYPE_STRING, nullptr,
                              [](EV_FunctionCall &call) { call.result.str = "two"; });
    ev_AddFunction(&first);
    EXPECT_DOUBLE_EQ(evalOk("tst_replace()").num, 1);
    ev_AddFunction(&second);
    EXPECT_EQ(ev_FindFunction("tst_replace"), &second);
    EXPECT_EQ(evalOk("tst_replace()").str, "two");
}
