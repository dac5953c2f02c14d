// VOP network shaders as users meet them: built by a command script, asked for their shader
// string and code, saved and loaded.

#include "ShophostRun.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

using namespace shophosttest;

namespace
{
// A VEX surface whose colour is a parameter times the diffuse light.
const char *const theNetwork = R"(cd /shop
add vopsurface shiny
cd shiny
add parameter clr
set clr parmname base
set clr parmlabel "Base Colour"
set clr parmtype color
set clr floatdef 1 0.5 0.25
add lighting lit
add multiply lighted
wire lit lighted 0
wire clr lighted 1
add surface_output out
wire lighted out 0
cd /shop
)";
} // namespace

TEST(ShophostVop, ScriptBuiltNetworkHasParametersShaderStringAndCode)
{
    HostRun run = shophost("", std::string(theNetwork) + R"(eval shiny base 1
shader shiny
set shiny base 0 0 1
shader shiny
vopcode shiny
)");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string expected = "0.5\n"
                                 "op:/shop/shiny\n"
                                 "op:/shop/shiny base 0 0 1\n";
    ASSERT_EQ(run.out.substr(0, expected.size()), expected);
    const std::string code = run.out.substr(expected.size());
    EXPECT_NE(code.find("surface shiny(vector base = {1, 0.5, 0.25})"), std::string::npos) << code;
    EXPECT_NE(code.find("Cf = lighted_product;"), std::string::npos) << code;
}

TEST(ShophostVop, NetworkSavesAndLoadsWithItsValuesAndCode)
{
    const std::string dir = ::testing::TempDir() + "vop_" + std::to_string(::getpid());
    const std::string first = dir + ".a", second = dir + ".b";
    HostRun saved = shophost("", std::string(theNetwork) + "set shiny base 0 1 0\n" +
                                     "vopcode shiny\nsave " + first + "\n");
    ASSERT_EQ(saved.status, 0) << saved.err;
    HostRun loaded = shophost(
        "", "load " + first + "\nvopcode /shop/shiny\nshader /shop/shiny\nsave " + second + "\n");
    ASSERT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_EQ(loaded.err, "");
    EXPECT_EQ(loaded.out, saved.out + "op:/shop/shiny base 0 1 0\n");
    EXPECT_EQ(readFile(second), readFile(first));
    unlink(first.c_str());
    unlink(second.c_str());
}

TEST(ShophostVop, NetworksThatDoNotCompileSayWhy)
{
    HostRun code =
        shophost("", std::string(theNetwork) + "unwire shiny/lighted 1\nvopcode shiny\n");
    EXPECT_EQ(code.status, 1);
    EXPECT_NE(code.err.find("No code for /shop/shiny: /shop/shiny/lighted: input 'input2' is "
                            "not connected"),
              std::string::npos)
        << code.err;

    HostRun shader =
        shophost("", std::string(theNetwork) + "unwire shiny/lighted 1\nshader shiny\n");
    EXPECT_EQ(shader.status, 1);
    EXPECT_NE(shader.err.find("Cannot build the surface shader of /shop/shiny for VKorvit: "
                              "/shop/shiny/lighted: input 'input2' is not connected"),
              std::string::npos)
        << shader.err;

    HostRun plain = shophost("", "cd /shop\nadd plastic p\nvopcode p\n");
    EXPECT_NE(plain.err.find("/shop/p is not a VOP network"), std::string::npos) << plain.err;
}
