#pragma once

#include <OP/OP_OTLDefinition.h>

#include <istream>
#include <string>
#include <vector>

/// Reads asset files: one or more operator definitions, each with named sections.
///
/// The format (text; `#` starts a comment line outside section data):
///
///     assetfile 1
///     definition plastic
///         label "Plastic"
///         type surface
///         subnet 0
///         section DialogScript 1733400000 412
///     <exactly 412 bytes of section data>
///     end
///
/// Words may be quoted with double quotes (backslash escapes). A section header gives the
/// section's name, modification time and data size in bytes; the data follows on the next line
/// and is followed by a newline. "end" closes a definition. Every error names the file and the
/// line, and a file with any error yields no definitions at all.
class OP_OTLLibrary
{
public:
    /// Reads the asset file at `path`; false with `error` set ("<path>:<line>: <what>").
    bool load(const std::string &path, std::string &error);
    /// Reads asset text; `path` names it in errors and source paths.
    bool parse(std::istream &in, const std::string &path, std::string &error);

    const std::vector<OP_OTLDefinition> &getDefinitions() const { return myDefinitions; }

    /// Writes definitions in the format above (what `load` reads back).
    static void write(std::ostream &out, const std::vector<OP_OTLDefinition> &definitions);

private:
    std::vector<OP_OTLDefinition> myDefinitions;
};
