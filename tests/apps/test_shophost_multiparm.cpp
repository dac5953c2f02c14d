// Multi-parameters as users meet them: the texture layers of surfaces, whose count makes each
// layer's parameters, set, evaluated, saved, loaded and taken back like any other.

#include "ShophostRun.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

using namespace shophosttest;

namespace
{
std::string tempPath(const std::string &name)
{
    return ::testing::TempDir() + "multiparm_" + std::to_string(::getpid()) + "_" + name;
}
} // namespace

TEST(ShophostMultiParm, LayerCountMakesRealParametersThatKeepTheirValues)
{
    HostRun run = shophost("", R"(cd /shop
add plastic p
eval p ogl_numtex
set p ogl_numtex 2
eval p ogl_tex_min_filter2
set p ogl_tex1 wood.png
set p ogl_tex2 stone.png
set -e p ogl_clamping_mode2 'ch("ogl_numtex") - 1'
eval p ogl_clamping_mode2
spare p mirror string 1
set -e p mirror 'chs("ogl_tex1")'
eval p mirror
material p
set p ogl_tex1 bark.png
eval p mirror
set p ogl_numtex 1
eval p ogl_tex1
set p ogl_numtex 3
eval p ogl_tex2
eval p ogl_clamping_mode2
material p
python )" +
                                   writeScript("multiparm_layers.py",
                                               "import host\n"
                                               "p = host.node('/shop/p')\n"
                                               "p.parm('ogl_numtex').set(4)\n"
                                               "print(p.parm('ogl_tex4').eval(), "
                                               "p.parm('ogl_tex_mag_filter4').eval())\n"
                                               "p.parm('ogl_numtex').set(0)\n"
                                               "print(p.parm('ogl_tex1'))\n") +
                                   "\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string expected = "0\n"
                                 "GL_LINEAR_MIPMAP_LINEAR\n"
                                 "1\n"
                                 "wood.png\n";
    ASSERT_EQ(run.out.substr(0, expected.size()), expected) << run.out;
    const std::string layers = "  textures 2 layers\n"
                               "    layer 1 wood.png min GL_LINEAR_MIPMAP_LINEAR mag GL_LINEAR "
                               "clamp 0\n"
                               "    layer 2 stone.png min GL_LINEAR_MIPMAP_LINEAR mag GL_LINEAR "
                               "clamp 1\n";
    EXPECT_NE(run.out.find(layers), std::string::npos) << run.out;
    // ch() follows the instance's new value; lowering the count kept layer 1 and dropped
    // layer 2, which comes back empty.
    const std::string after = "bark.png\n"
                              "bark.png\n"
                              "\n"
                              "0\n";
    EXPECT_NE(run.out.find(after), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  textures 3 layers\n    layer 1 bark.png min"), std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("stone.png", run.out.find(after)), std::string::npos)
        << "a dropped layer's value is gone";
    EXPECT_NE(run.out.find(" GL_LINEAR\nNone\n"), std::string::npos) << run.out;
}

TEST(ShophostMultiParm, ScenesWithInstancesRoundTripAndOldScenesStillLoad)
{
    const std::string first = tempPath("a.cmd"), second = tempPath("b.cmd");
    HostRun saved = shophost("", R"(cd /shop
add plastic p
add vopsurface v
add constant c
spare -l 'Decals' c decals multi 1 0
spare -m decals -l 'Decal # Tint' c 'tint#' color 3 1 0.5 0.25
spare -m decals c 'pic#' file 1 none.png
set c decals 2
set c tint1 0 0 1
set -e c pic0 'chs("pic1") + "x"'
set p ogl_numtex 2
set p ogl_tex2 stone.png
set p ogl_tex1 wood.png
set p ogl_numtex 3
set p ogl_clamping_mode3 1
set v ogl_numtex 1
set v ogl_tex1 grain.png
save )" + first + "\n");
    ASSERT_EQ(saved.status, 0) << saved.err;
    const std::string text = readFile(first);
    EXPECT_NE(text.find("spare -l Decals /shop/c decals multi 1 0\n"
                        "spare -m decals -l 'Decal # Tint' /shop/c 'tint#' color 3 1 0.5 0.25\n"
                        "spare -m decals /shop/c 'pic#' file 1 none.png\n"),
              std::string::npos)
        << text;
    // The count first, then each instance in order (after every other parameter), whatever
    // order they were set in.
    EXPECT_NE(text.find("set /shop/p ogl_numtex 3\n"
                        "set /shop/p osl_layer p\n"
                        "set /shop/p ogl_tex1 wood.png\n"
                        "set /shop/p ogl_tex2 stone.png\n"
                        "set /shop/p ogl_clamping_mode3 1\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("set /shop/v ogl_numtex 1\nset /shop/v ogl_tex1 grain.png\n"),
              std::string::npos)
        << text;

    HostRun loaded = shophost("", "load " + first +
                                      "\neval /shop/c pic0\neval /shop/c tint1 2\nmaterial "
                                      "/shop/v\nsave " +
                                      second + "\n");
    ASSERT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_EQ(loaded.err, "");
    EXPECT_TRUE(loaded.out.starts_with("none.pngx\n1\n")) << loaded.out;
    EXPECT_NE(loaded.out.find("    layer 1 grain.png min"), std::string::npos) << loaded.out;
    EXPECT_EQ(readFile(second), text);

    // As an older version wrote them: layers as plain spare parameters, on a surface of the
    // shipped library and on a VOP surface, whose count is now a parameter of its own.
    const std::string old = tempPath("old.cmd");
    std::ofstream(old) << "add shopnet shop\ncd /shop\nadd plastic p\nadd vopsurface v\n"
                          "spare -l 'OGL Texture Layers' /shop/p ogl_numtex int 1 0\n"
                          "spare /shop/p ogl_tex1 string 1\n"
                          "spare -l 'OGL Texture Layers' /shop/v ogl_numtex int 1 0\n"
                          "spare /shop/v ogl_tex1 string 1\n"
                          "set /shop/p ogl_numtex 1\nset /shop/p ogl_tex1 wood.png\n"
                          "set /shop/v ogl_numtex 1\nset /shop/v ogl_tex1 grain.png\n";
    HostRun older = shophost("", "load " + old + "\nmaterial /shop/p\nmaterial /shop/v\n");
    ASSERT_EQ(older.status, 0) << older.err;
    EXPECT_NE(older.out.find("    layer 1 wood.png min"), std::string::npos) << older.out;
    EXPECT_NE(older.out.find("    layer 1 grain.png min"), std::string::npos) << older.out;
    for (const std::string &path : {first, second, old})
        unlink(path.c_str());
}

TEST(ShophostMultiParm, UndoOfACountBringsBackTheInstancesWithTheirValues)
{
    const std::string before = tempPath("before.cmd"), lowered = tempPath("lowered.cmd"),
                      back = tempPath("back.cmd"), again = tempPath("again.cmd");
    HostRun run = shophost("", "cd /shop\nadd plastic p\nset p ogl_numtex 3\n"
                               "set p ogl_tex1 a.png\nset p ogl_tex3 c.png\n"
                               "set p ogl_tex_mag_filter3 GL_NEAREST\nsave " +
                                   before + "\nset p ogl_numtex 1\nsave " + lowered +
                                   "\nundo\nsave " + back + "\nredo\nsave " + again +
                                   "\nundo\neval p ogl_tex3\n"
                                   // A group grown by one more parameter, and taken back.
                                   "spare -m ogl_numtex p 'ogl_extra#' float 1 0.5\n"
                                   "eval p ogl_extra2\nundo\neval p ogl_tex3\nset p ogl_numtex 4\n"
                                   "eval p ogl_tex_min_filter4\neval p ogl_extra1\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "c.png\n0.5\nc.png\nGL_LINEAR_MIPMAP_LINEAR\n");
    EXPECT_NE(run.err.find("No parameter 'ogl_extra1' on /shop/p"), std::string::npos) << run.err;
    EXPECT_EQ(readFile(back), readFile(before));
    EXPECT_EQ(readFile(again), readFile(lowered));
    EXPECT_EQ(readFile(lowered).find("c.png"), std::string::npos);
    for (const std::string &path : {before, lowered, back, again})
        unlink(path.c_str());
}

TEST(ShophostMultiParm, CountsAndGroupsRefuseWhatCannotBe)
{
    // The most there may be works; one more, a negative or a count that changes with time
    // are refused and leave the count as it was.
    HostRun most = shophost("", "cd /shop\nadd plastic p\nset p ogl_numtex 1000\n"
                                "eval p ogl_clamping_mode1000\nset p ogl_numtex 1001\n");
    EXPECT_EQ(most.status, 1);
    EXPECT_EQ(most.out, "0\n");
    EXPECT_NE(most.err.find("Parameter 'ogl_numtex' holds 0 to 1000 instances, not 1001"),
              std::string::npos)
        << most.err;
    for (const char *bad :
         {"set p ogl_numtex -1", "set -e p ogl_numtex '$F'", "spare -m nothing p 'x#' int 1",
          "spare -m ogl_numtex p xnohash int 1", "spare -m ogl_numtex p 'x#' folder 1 1:A",
          "spare p m2 multi 2", "spare p m2 multi 1 x", "spare -m ogl_numtex p 'ogl_tex#' int 1"})
    {
        HostRun refused =
            shophost("", std::string("cd /shop\nadd plastic p\n") + bad + "\neval p ogl_numtex\n");
        EXPECT_EQ(refused.status, 1) << bad;
        EXPECT_EQ(refused.out, "") << bad;
        EXPECT_NE(refused.err.find("Error: "), std::string::npos) << bad;
    }
}

TEST(ShophostMultiParm, VopSurfaceShowsItsTextureLayersInTheViewport)
{
    HostRun run = shophost("", R"(cd /shop
add vopsurface v
eval v ogl_numtex
material v
set v ogl_numtex 2
set v ogl_tex2 grain.png
set v ogl_tex_mag_filter2 GL_NEAREST
set v ogl_clamping_mode2 1
material v
)");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, 2), "0\n");
    EXPECT_NE(run.out.find("  textures none\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  textures 2 layers\n"
                           "    layer 2 grain.png min GL_LINEAR_MIPMAP_LINEAR mag GL_NEAREST "
                           "clamp 1\n"),
              std::string::npos)
        << run.out;
}
