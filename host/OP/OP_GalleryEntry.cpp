#include <OP/OP_GalleryEntry.h>

// Callers hand over C strings that may be null (an unset UT_String); null reads as empty.
void OP_GalleryEntry::setOperatorName(const char *name)
{
    myOperatorName = name ? name : "";
}

void OP_GalleryEntry::setLabel(const char *label)
{
    myLabel = label ? label : "";
}

void OP_GalleryEntry::setKeywords(const char *keywords)
{
    myKeywords = keywords ? keywords : "";
}

void OP_GalleryEntry::setCategories(const char *categories)
{
    myCategories = categories ? categories : "";
}
