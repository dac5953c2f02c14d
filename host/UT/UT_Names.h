#pragma once

#include <string>

/// Names that travel into other languages' text: renderer input and script-clerk calls. They are
/// checked where they enter the host, so that none can end a quoted string and go on as
/// directives or code.

/// A parameter name: a letter or '_', then letters, digits and '_'.
bool UTisIdentifier(const std::string &name);

/// A name that renderers read as one word (shader and definition names): printable ASCII
/// without blanks, quotes ('"', '\'') or backslashes; paths such as "shaders/plastic.v2" pass.
bool UTisPlainWord(const std::string &name);

/// Words a renderer reads between quotes (a RenderMan type such as "uniform float[2]"):
/// printable ASCII and blanks, without quotes or backslashes.
bool UTisPlainPhrase(const std::string &text);
