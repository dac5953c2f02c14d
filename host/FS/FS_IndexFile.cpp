#include <FS/FS_IndexFile.h>

#include <cstring>

const FS_IndexFile::Section *FS_IndexFile::find(const char *name) const
{
    if (!name)
        return nullptr;
    for (const Section &section : mySections)
        if (section.name == name)
            return &section;
    return nullptr;
}

bool FS_IndexFile::hasSection(const char *name) const
{
    return find(name) != nullptr;
}

int FS_IndexFile::getSectionDataSize(const char *name) const
{
    const Section *section = find(name);
    return section ? static_cast<int>(section->data.size()) : -1;
}

bool FS_IndexFile::readSection(const char *name, std::string &data) const
{
    const Section *section = find(name);
    if (!section)
        return false;
    data = section->data;
    return true;
}

long FS_IndexFile::getSectionModTime(const char *name) const
{
    const Section *section = find(name);
    return section ? section->modTime : -1;
}

// A section of a name already present replaces it, so that a name always means one section.
void FS_IndexFile::addSection(Section section)
{
    for (Section &existing : mySections)
        if (existing.name == section.name)
        {
            existing = std::move(section);
            return;
        }
    mySections.push_back(std::move(section));
}
