#pragma once

// Private to host/EV.

#include <EV/ev_Node.h>

#include <string>

/// Builds the tree of `text`. On a syntax error returns null with `error` naming the column;
/// otherwise clears `error`. The tree keeps source offsets into `text`, not a reference to it.
ev_NodePtr evParse(const std::string &text, std::string &error);
