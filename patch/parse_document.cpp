// Mini-XML, given no top node, makes the first top-level processing
// instruction or declaration the root and hangs everything after it below.
// Anything in front of it, from white space to a complete element, the
// document format leaves out; Mini-XML 3.3.1 instead refuses the whole text
// ("XML does not start with '<'", "... cannot be a second root node"). So
// the parser is handed the text from its first '<' and loads through a SAX
// callback that keeps only the nodes from that first instruction or
// declaration on: what it does not retain, Mini-XML frees as soon as it has
// been read, and a freed node no longer counts as the document's first.
#include "patch/patch_document.h"

#include <cstring>

namespace {

struct TopNodeSearch {
    mxml_node_t* top;  // the first top-level instruction or declaration, once read
};

void KeepFromTopNode(mxml_node_t* node, mxml_sax_event_t event, void* data)
{
    TopNodeSearch* search = static_cast<TopNodeSearch*>(data);
    // Top-level text before the top node reaches here as no node at all.
    if (node == nullptr)
        return;
    // An element was retained when it opened; its close would count it twice.
    if (event == MXML_SAX_ELEMENT_CLOSE)
        return;
    if (search->top == nullptr) {
        if (event != MXML_SAX_DIRECTIVE || mxmlGetParent(node) != nullptr)
            return;
        search->top = node;
    }
    mxmlRetain(node);
}

} // namespace

mxml_node_t* ParsePatchDocument(const char* text)
{
    const char* markup = std::strchr(text, '<');
    if (markup == nullptr)
        return nullptr;
    TopNodeSearch search = {nullptr};
    return mxmlSAXLoadString(nullptr, markup, MXML_NO_CALLBACK, KeepFromTopNode, &search);
}
