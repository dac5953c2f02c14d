#pragma once

/// Integer settings of the host, read from environment variables.
enum UT_IntControl
{
    ENV_SHOP_GLSL = 63,            // SHOP_GLSL: the GLSL viewport path
    ENV_SHOP_ALL_PARMS = 109,      // SHOP_ALL_PARMS: shader strings list defaults too
    ENV_SHOP_SWITCH_NOFLAGS = 113, // SHOP_SWITCH_NOFLAGS: clear the switch operator's flags
    ENV_SHOP_NO_RENDERER = 200,    // SHOP_NO_RENDERER: make no OpenGL context
};

class UT_EnvControl
{
public:
    /// The setting's value: its environment variable read as an integer, 0 when unset or not a
    /// number.
    static int getInt(UT_IntControl control);
    /// The environment variable behind a setting, or null for an unknown one.
    static const char *getVariableName(UT_IntControl control);
};
