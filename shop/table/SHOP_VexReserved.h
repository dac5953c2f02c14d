#pragma once

#include <UT/UT_PtrArray.h>

class PRM_Template;

/// For the host's VOP code: the parameter lists a VEX shader reserves for itself. Shader
/// operators reserve none, so `lists` is left as it is.
void SHOPgetVexReservedTemplateLists(UT_PtrArray<PRM_Template *> &lists);
