#pragma once

#include <FS/FS_IndexFile.h>

#include <memory>
#include <string>

/// One operator definition read from an asset file: what the operator is called, which index
/// of which context takes it (its type text and subnet mark), where it came from, and its
/// sections (the dialog script among them).
class OP_OTLDefinition
{
public:
    const std::string &getName() const { return myName; }
    const std::string &getLabel() const { return myLabel; }
    /// The text an index file matches: for shader assets the shader type name.
    const std::string &getOpType() const { return myOpType; }
    bool getIsSubnet() const { return myIsSubnet; }
    /// "<asset file>?<name>": where the definition lives.
    const std::string &getSourcePath() const { return mySourcePath; }
    const std::string &getAssetPath() const { return myAssetPath; }
    /// 1-based line of the definition in its asset file.
    int getLine() const { return myLine; }
    const FS_IndexFile &getIndexFile() const { return *myIndexFile; }
    /// The sections, shared with the operators the definition makes.
    std::shared_ptr<const FS_IndexFile> shareIndexFile() const { return myIndexFile; }

    void setName(std::string v) { myName = std::move(v); }
    void setLabel(std::string v) { myLabel = std::move(v); }
    void setOpType(std::string v) { myOpType = std::move(v); }
    void setIsSubnet(bool v) { myIsSubnet = v; }
    void setAssetPath(std::string path, int line)
    {
        myAssetPath = std::move(path);
        myLine = line;
    }
    void setSourcePath(std::string v) { mySourcePath = std::move(v); }
    FS_IndexFile &indexFile() { return *myIndexFile; }

private:
    std::string myName;
    std::string myLabel;
    std::string myOpType;
    bool myIsSubnet = false;
    std::string mySourcePath;
    std::string myAssetPath;
    int myLine = 0;
    std::shared_ptr<FS_IndexFile> myIndexFile = std::make_shared<FS_IndexFile>();
};
