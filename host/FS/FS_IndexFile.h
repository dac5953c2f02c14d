#pragma once

#include <string>
#include <vector>

/// The named sections of one operator definition in an asset file, each with its data and the
/// time it was last modified (seconds since the epoch).
class FS_IndexFile
{
public:
    struct Section
    {
        std::string name;
        long modTime = 0;
        std::string data;
    };

    FS_IndexFile() = default;
    explicit FS_IndexFile(std::string sourcePath) : mySourcePath(std::move(sourcePath)) {}

    const std::string &getSourcePath() const { return mySourcePath; }
    bool hasSection(const char *name) const;
    /// The size of a section's data in bytes, or -1 when there is no such section.
    int getSectionDataSize(const char *name) const;
    /// Copies a section's data; false when there is no such section.
    bool readSection(const char *name, std::string &data) const;
    /// The section's modification time, or -1 when there is no such section.
    long getSectionModTime(const char *name) const;

    void addSection(Section section);
    const std::vector<Section> &getSections() const { return mySections; }

private:
    const Section *find(const char *name) const;

    std::string mySourcePath;
    std::vector<Section> mySections;
};
