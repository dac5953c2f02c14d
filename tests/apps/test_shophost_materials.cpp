// End-to-end runs of materials: promotion of shader parameters, the history that takes
// commands back, and shader strings shown in parameters.

#include "ShophostRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <unistd.h>

using namespace shophosttest;

namespace
{
// A surface with a folder, disable rules and an integer mode, and a material asset.
const char *const theSurfaceScript =
    "{ name tsurf\n"
    "  parm { name diff label \"Diffuse\" type float default { 0.5 } }\n"
    "  parm { name spec type float default { 0.25 }\n"
    "         parmtag { disablewhen \"{ mode == 0 } { gone != 1 }\" } }\n"
    "  parm { name mode type int default { 1 } }\n"
    "  parm { name tint type color default { 1 1 1 }\n"
    "         parmtag { disablewhen \"{ mode == 0 missing 1 } { tintr > 0.5 }\" } }\n"
    "  group { name extras label \"Extras\" parm { name far type float default { 0 } } }\n"
    "}";

class MaterialFolder : public UserFolder
{
public:
    MaterialFolder()
    {
        write("assets/test.asset",
              "assetfile 1\n" +
                  UserFolder::definition("tsurf", "surface", false, theSurfaceScript) +
                  UserFolder::definition("tlook", "subnet", true));
    }
};

// A material asset holding one surface wired to its output node.
const char *const theScene = "cd /shop\n"
                             "add tlook look\n"
                             "cd look\n"
                             "add tsurf surface1\n"
                             "wire surface1 out 1\n"
                             "cd /shop\n";

// The `spare` lines a save writes for one node.
std::string spareLines(const std::string &saved, const std::string &node)
{
    std::istringstream in(saved);
    std::string line, kept;
    while (std::getline(in, line))
        if (line.starts_with("spare ") && line.find(" " + node + " ") != std::string::npos)
            kept += line + "\n";
    return kept;
}

std::string tempPath(const std::string &name)
{
    return ::testing::TempDir() + name + "_" + std::to_string(::getpid()) + ".cmd";
}
} // namespace

TEST(ShophostMaterials, PromotionMakesOneFolderOfLinkedParametersAndIsIdempotent)
{
    MaterialFolder user;
    const std::string once = tempPath("once"), twice = tempPath("twice");
    HostRun run = shophost("", std::string(theScene) +
                                   // A parameter reading from outside the material stays.
                                   "add plastic outside\n"
                                   "set -e look/surface1 far 'ch(\"/shop/outside/Kd\")'\n"
                                   "shoppromote /shop/look\n"
                                   "save " +
                                   once +
                                   "\n"
                                   "shoppromote look\n"
                                   "save " +
                                   twice +
                                   "\n"
                                   "set look surface1_diff 0.25\n"
                                   "set look surface1_tint 0.25 0.5 1\n"
                                   "shader look\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // Linked parameters are expressions, which shader strings always list.
    EXPECT_EQ(run.out, "tsurf diff 0.25 spec 0.25 mode 1 tint 0.25 0.5 1 far 1\n");
    const std::string saved = readFile(once);
    EXPECT_EQ(readFile(twice), saved);
    // The folder holds the shader's parameters with its values as defaults; its empty
    // "Extras" folder stays until the next clear. Disable rules name the promoted parameters;
    // a comparison with a parameter the material lacks goes, and an empty block with it.
    EXPECT_EQ(spareLines(saved, "/shop/look"),
              "spare -l Surface /shop/look folder1 folder 1 5:Surface\n"
              "spare -l Diffuse -t material_promoted=1 /shop/look surface1_diff float 1 0.5\n"
              "spare -l spec -t 'disablewhen={ surface1_mode == 0 }' -t material_promoted=1 "
              "/shop/look surface1_spec float 1 0.25\n"
              "spare -l mode -t material_promoted=1 /shop/look surface1_mode int 1 1\n"
              "spare -l tint -t 'disablewhen={ surface1_mode == 0 } { surface1_tintr > 0.5 }' "
              "-t material_promoted=1 /shop/look surface1_tint color 3 1 1 1\n"
              "spare -l Extras /shop/look surface1_extras folder 1 0:Extras\n");
    EXPECT_NE(saved.find("set -e /shop/look/surface1 diff 'ch(\"../surface1_diff\")'\n"),
              std::string::npos);
    EXPECT_NE(saved.find("set -e /shop/look/surface1 far 'ch(\"/shop/outside/Kd\")'\n"),
              std::string::npos);

    // A promoted material survives a save and a load: the same text again, and still driven
    // from its own parameters.
    HostRun again = shophost("", "load " + once + "\nsave " + twice +
                                     "\nset /shop/look surface1_diff 0.125\nshader /shop/look\n");
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, "tsurf diff 0.125 spec 0.25 mode 1 tint 1 1 1 far 1\n");
    EXPECT_EQ(readFile(twice), saved);
    std::filesystem::remove(once);
    std::filesystem::remove(twice);
}

TEST(ShophostMaterials, ClearKeepsTheMaterialsOwnParametersUnlessForced)
{
    MaterialFolder user;
    const std::string cleared = tempPath("cleared");
    HostRun run = shophost("", std::string(theScene) +
                                   "spare look own float 1 3\n"
                                   "shoppromote look\n"
                                   "set look surface1_diff 0.75\n"
                                   "shoppromote -c look\n"
                                   "save " +
                                   cleared +
                                   "\n"
                                   "eval look/surface1 diff\n"
                                   "shoppromote -c -f look\n"
                                   "eval look own\n");
    EXPECT_EQ(run.status, 1);
    // The shader keeps the value it read, and the empty folders go with the promoted ones.
    EXPECT_EQ(spareLines(readFile(cleared), "/shop/look"), "spare /shop/look own float 1 3\n");
    EXPECT_EQ(run.out, "0.75\n");
    EXPECT_NE(run.err.find("No parameter 'own'"), std::string::npos) << run.err;
}

TEST(ShophostMaterials, CommandWarnsOfPatternsNodesAndMessagesOncePerMaterial)
{
    MaterialFolder user;
    // Two materials whose own parameter takes the name a promotion would give.
    HostRun run = shophost("", std::string(theScene) +
                                   "add tlook look2\n"
                                   "cd look2\nadd tsurf surface1\nwire surface1 out 1\ncd ..\n"
                                   "spare look surface1_diff float 1\n"
                                   "spare look2 surface1_diff float 1\n"
                                   "shoppromote /shop/nothing* /shop/look/surface1 /shop/*\n"
                                   "eval look surface1_mode\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "Warning: No materials match /shop/nothing*\n"
                       "Warning: /shop/look/surface1 is not a material\n"
                       "/shop/look: Parameter 'surface1_diff' already exists\n"
                       "/shop/look2: Parameter 'surface1_diff' already exists\n");
    EXPECT_EQ(run.out, "1\n");
}

TEST(ShophostMaterials, BundleFilterChoosesWhatIsPromotedAndAnUnknownOneChangesNothing)
{
    MaterialFolder user;
    const std::string cleared = tempPath("filtered");
    const std::string materials = " -F '!!SHOP/MATERIAL!!'";
    std::string script = std::string(theScene) +
                         "add tlook look2\n"
                         "cd look2\nadd tsurf surface1\nwire surface1 out 1\ncd ..\n"
                         "add tsurf loose\n";
    // No pattern: the materials among the current network's children, and no word of the
    // surface beside them; a pattern that names only the surface matches nothing.
    script += "shoppromote" + materials + "\neval look surface1_mode\neval look2 surface1_mode\n";
    script += "shoppromote -c" + materials + " look* loose\nsave " + cleared + "\n";
    // Matches that the filter turns away are no matches; an unknown filter stops the script.
    script += "shoppromote -F '!!SHOP/SURFACE!!' look\n"
              "shoppromote -F '!!SHOP/NOPE!!' look\n"
              "echo never\n";
    HostRun run = shophost("", script);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "1\n1\n");
    const std::string saved = readFile(cleared);
    EXPECT_NE(saved, "");
    EXPECT_EQ(spareLines(saved, "/shop/look") + spareLines(saved, "/shop/look2"), "");
    EXPECT_TRUE(run.err.starts_with("Warning: No materials match loose\n"
                                    "Warning: No materials match look\n"
                                    "Error: Unknown bundle filter '!!SHOP/NOPE!!'; the filters "
                                    "are: !!SHOP/MATERIAL!! !!SHOP/PROPERTIES!!"))
        << run.err;
}

TEST(ShophostMaterials, CoShadersOfOneTypeGetNumberedFoldersAndNothingWiredOnlyClears)
{
    MaterialFolder user;
    user.write(
        "assets/co.asset",
        "assetfile 1\n" +
            UserFolder::definition("tco", "coshader", false,
                                   "{ name tco parm { name amount type float default { 0.5 } } }"));
    const std::string merged = tempPath("merged"), emptied = tempPath("emptied");
    HostRun run = shophost("", "cd /shop\nadd tlook look\ncd look\n"
                               "add tco co1\nadd tco co2\nadd mergecoshader merge\n"
                               "wire co1 merge 0\nwire co2 merge 1\nwire merge out 0\n"
                               "cd /shop\nshoppromote look\nsave " +
                                   merged +
                                   "\n"
                                   // With the output node's inputs all empty, promotion takes
                                   // back what it promoted before.
                                   "rm look/merge\nshoppromote look\nsave " +
                                   emptied + "\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(spareLines(readFile(merged), "/shop/look"),
              "spare -l Co-Shader /shop/look folder1 folder 2 1:Co-Shader '1:Co-Shader 2'\n"
              "spare -l amount -t material_promoted=1 /shop/look co1_amount float 1 0.5\n"
              "spare -l amount -t material_promoted=1 /shop/look co2_amount float 1 0.5\n");
    EXPECT_EQ(spareLines(readFile(emptied), "/shop/look"), "");
}

TEST(ShophostMaterials, UndoTakesBackWholeStepsAndRedoReplaysThem)
{
    MaterialFolder user;
    const std::string before = tempPath("before"), promoted = tempPath("promoted"),
                      undone = tempPath("undone"), redone = tempPath("redone"),
                      edited = tempPath("edited"), back = tempPath("back");
    const std::string python = writeScript(
        "undo.py", "import host\n"
                   "host.cmd('cd /obj')\nhost.cmd('add null n')\n"
                   "print(host.undo(), host.node('/obj/n'), host.redo(), host.redo())\n");
    std::string script = theScene;
    for (const std::string &line : std::initializer_list<std::string>{
             "spare look own float 1 3", "set look own 4", "save " + before,
             // A promotion and a change of a promoted parameter, taken back and replayed.
             "shoppromote look", "set look surface1_diff 0.2", "save " + promoted, "undo\nundo",
             "save " + undone, "redo\nredo", "save " + redone,
             // A clear, a rename and a deletion.
             "shoppromote -c -f look", "rename look/surface1 renamed", "rm look/renamed",
             "save " + edited, "undo\nundo\nundo", "save " + back, "redo\nredo\nredo\nredo",
             // A loaded scene starts a new history; Python takes back its own commands.
             "load " + before, "undo", "python " + python})
        script += line + "\n";
    HostRun run = shophost("", script);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFile(undone), readFile(before));
    EXPECT_EQ(readFile(redone), readFile(promoted));
    EXPECT_EQ(readFile(back), readFile(promoted));
    EXPECT_NE(readFile(edited), readFile(promoted));
    EXPECT_NE(readFile(promoted), readFile(before));
    EXPECT_EQ(run.err, "Warning: nothing to redo\nWarning: nothing to undo\n");
    EXPECT_EQ(run.out, "True None True False\n");
}
