// The material command end to end: the printed material, preview pictures through the real
// OpenGL context with and without GLSL, and the runs where no context may be made.
#include "ShophostRun.h"

#include <IMG/IMG_Raster.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

using namespace shophosttest;

namespace
{
std::string mt_tempDir()
{
    char dir[] = "/tmp/shophost_materialXXXXXX";
    EXPECT_NE(mkdtemp(dir), nullptr);
    return dir;
}

// The distinct colours of a picture, to tell a drawn sphere from a flat fill.
std::set<unsigned> mt_colours(const IMG_Raster &picture)
{
    std::set<unsigned> colours;
    for (int y = 0; y < picture.getYres(); ++y)
        for (int x = 0; x < picture.getXres(); ++x)
        {
            const std::uint8_t *p = picture.getPixel(x, y);
            colours.insert(p[0] << 16 | p[1] << 8 | p[2]);
        }
    return colours;
}

IMG_Raster mt_read(const std::string &file)
{
    IMG_Raster picture;
    std::string error;
    EXPECT_TRUE(picture.readPNG(file.c_str(), error)) << error;
    return picture;
}
} // namespace

TEST(ShophostMaterial, PrintsTheMaterialAndDrawsPreviewsWithAndWithoutGlsl)
{
    const std::string dir = mt_tempDir();
    const std::string script = "cd /shop\nadd plastic p\nset p Cs 1 0.2 0.1\nset p ogl_diff 0.2 "
                               "0.4 0.6\nmaterial p -p " +
                               dir + "/p.png -s 64\n";
    HostRun off = shophost("", script);
    ASSERT_EQ(off.status, 0) << off.err;
    EXPECT_NE(off.out.find("material /shop/p _shop_plastic\n  ambient 1 1 1\n  diffuse 0.2 0.4 "
                           "0.6\n"),
              std::string::npos)
        << off.out;
    EXPECT_NE(off.out.find("  roughness 0.1\n  alpha 1\n  lighting on\n  cutout on\n  textures "
                           "none\n  glsl none\n"),
              std::string::npos)
        << off.out;
    const IMG_Raster fixed = mt_read(dir + "/p.png");
    EXPECT_EQ(fixed.getXres(), 64);
    EXPECT_GT(mt_colours(fixed).size(), 20u);

    std::rename((dir + "/p.png").c_str(), (dir + "/fixed.png").c_str());
    HostRun on = shophost("", script, "SHOP_GLSL=1");
    ASSERT_EQ(on.status, 0) << on.err;
    EXPECT_NE(on.out.find("  glsl plastic linked\n"), std::string::npos) << on.out;
    EXPECT_EQ(on.err, "") << "every uniform of the shipped plastic binds";
    const IMG_Raster glsl = mt_read(dir + "/p.png");
    // The program draws the shader's red base colour; the fixed-function sphere is blue-ish.
    const std::uint8_t *centre = glsl.getPixel(32, 32);
    const std::uint8_t *plain = fixed.getPixel(32, 32);
    EXPECT_GT(centre[0], centre[2]);
    EXPECT_LT(plain[0], plain[2]);

    HostRun bad = shophost("", "cd /shop\nadd plastic p\nmaterial p -p " + dir + "/x.png -s 0\n");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("Bad picture size '0'"), std::string::npos) << bad.err;
    HostRun unwritable =
        shophost("", "cd /shop\nadd plastic p\nmaterial p -p " + dir + "/no/such/x.png\n");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("No preview of /shop/p: " + dir + "/no/such/x.png"),
              std::string::npos)
        << unwritable.err;
    std::system(("rm -rf " + dir).c_str());
}

TEST(ShophostMaterial, WithoutARendererGlslFailsOnceSaidAndMaterialsStayFixedFunction)
{
    const std::string dir = mt_tempDir();
    HostRun run = shophost("",
                           "cd /shop\nadd plastic p\nadd metal m\nmaterial p\nmaterial m\n"
                           "material p -p " +
                               dir + "/p.png\n",
                           "SHOP_GLSL=1 SHOP_NO_RENDERER=1");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("  lighting on\n  cutout on\n  textures none\n  glsl plastic failed\n"
                           "    no renderer: nothing compiles\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("ERROR: Shader 'plastic' failed to compile!\n"), std::string::npos);
    EXPECT_NE(run.err.find("ERROR: Shader 'metal' failed to compile!\n"), std::string::npos);
    const std::string said = "No renderer: SHOP_NO_RENDERER is set";
    ASSERT_NE(run.err.find(said), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(said, run.err.find(said) + 1), std::string::npos) << "said once";
    EXPECT_NE(run.err.find("No preview of /shop/p: no renderer"), std::string::npos) << run.err;

    // Shader strings never ask for OpenGL, so they never hear of it.
    HostRun strings =
        shophost("", "cd /shop\nadd plastic p\nshader p\n", "SHOP_GLSL=1 SHOP_NO_RENDERER=1");
    EXPECT_EQ(strings.status, 0);
    EXPECT_EQ(strings.err, "");
    std::system(("rm -rf " + dir).c_str());
}
