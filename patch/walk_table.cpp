// The walk over the parsed table. Both searches look at one level at a time
// (MXML_DESCEND_FIRST), which is what makes the reading rules: the table
// must stand at the top level, nothing between the Patch elements is looked
// into, and a Patch with content sends the next search inside it.
#include "patch/patch_document.h"

#include "patch/patch_address.h"

PatchWalk BeginPatchWalk(mxml_node_t* top)
{
    PatchWalk walk = {top, nullptr};
    walk.current = mxmlFindElement(top, top, "StarInfoData", nullptr, nullptr, MXML_DESCEND_FIRST);
    return walk;
}

bool NextPatchEntry(PatchWalk* walk, PatchEntry* entry)
{
    walk->current = mxmlFindElement(walk->current, walk->top, "Patch", nullptr, nullptr, MXML_DESCEND_FIRST);
    if (walk->current == nullptr)
        return false;
    const char* version = mxmlElementGetAttr(walk->current, "Version");
    const char* ptr1 = mxmlElementGetAttr(walk->current, "Ptr1");
    entry->version = version != nullptr ? version : "";
    entry->address = ptr1 != nullptr ? ParsePatchAddress(ptr1) : 0;
    return true;
}
