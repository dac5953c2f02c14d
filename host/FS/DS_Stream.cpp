#include <FS/DS_Stream.h>

void DS_Stream::error(const std::string &what)
{
    if (hasError())
        return;
    myError =
        myAssetPath + ": " + myDefinition + ": line " + std::to_string(getLine()) + ": " + what;
}
