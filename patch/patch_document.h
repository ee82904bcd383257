// The StarInfoData document as the patch loader reads it: the parse into a
// Mini-XML tree and the walk over its Patch elements. Plain C++ on purpose:
// the reader is tested and fuzzed on any platform, without <windows.h>.
#pragma once
#include <cstdint>
#include <mxml.h>

// One Patch element of the table.
struct PatchEntry {
    const char* version;  // UTF-8, owned by the tree; "" when the element has no Version
    uint32_t address;     // Ptr1; 0 when the element has no Ptr1
};

// Parses the zero-terminated text. The tree's top node is the first
// processing instruction or markup declaration at the top level, and every
// later top-level node lies beneath it; what stands at the top level before
// it is left out. Null when the text cannot be parsed or has no such node.
// Free the tree with mxmlDelete.
mxml_node_t* ParsePatchDocument(const char* text);

// Where the walk over a parsed tree stands.
struct PatchWalk {
    mxml_node_t* top;
    mxml_node_t* current;  // the table, then the Patch last yielded; null at the end
};

// Starts at the first StarInfoData directly beneath the top node (a null
// tree gives a walk that yields nothing).
PatchWalk BeginPatchWalk(mxml_node_t* top);

// Moves to the next Patch element and fills `entry` from it; false at the
// end. The search looks first inside the current node, then beside it, then
// beside its enclosing elements, and never inside the nodes it passes over:
// so a Patch with content (even a line break) ends the list after itself.
bool NextPatchEntry(PatchWalk* walk, PatchEntry* entry);
