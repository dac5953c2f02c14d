#pragma once

#include <FS/CPP_TokenStream.h>

#include <string>

/// The token stream of one dialog script, which knows where the script came from so that every
/// error names the asset file, the definition and the line.
class DS_Stream : public CPP_TokenStream
{
public:
    DS_Stream(std::string text, std::string assetPath, std::string definition)
        : CPP_TokenStream(std::move(text)), myAssetPath(std::move(assetPath)),
          myDefinition(std::move(definition))
    {
    }

    /// Records an error at the current line: "<asset file>: <definition>: line <n>: <what>".
    /// The first error is kept; later ones are usually its consequences.
    void error(const std::string &what);
    bool hasError() const { return !myError.empty(); }
    const std::string &getErrorText() const { return myError; }

private:
    std::string myAssetPath;
    std::string myDefinition;
    std::string myError;
};
