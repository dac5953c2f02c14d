#pragma once

class PRM_Parm;

/// Called just before a component of a parameter takes a new value or expression, so that a
/// history can keep what it held. Null (the default) calls nothing.
using PRM_ChangeHook = void (*)(PRM_Parm &parm, int component);

/// The installed hook; the host's node layer installs one.
inline PRM_ChangeHook &PRMchangeHook()
{
    static PRM_ChangeHook theHook = nullptr;
    return theHook;
}
