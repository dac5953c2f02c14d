#pragma once

// Private to host/EV.

#include <EV/ev_Node.h>

#include <cstddef>

/// Evaluates the tree under `node` into `out`; on failure sets context.error and returns false.
bool evEval(const ev_Node &node, EV_Context &context, EV_Value &out);

/// The function a call names, looked up on first use when parsing did not know it; null when
/// there is still no such function. Safe to call from concurrent evaluators.
const EV_FUNCTION *evResolve(const ev_Node &node);

/// The type argument `i` is converted to before the function sees it; false when it has none.
bool evArgType(const EV_FUNCTION &fn, size_t i, EV_Type &type);

void evConvert(EV_Value &value, EV_Type type);
