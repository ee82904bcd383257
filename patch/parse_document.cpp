// Mini-XML, given no top node, makes the first top-level processing
// instruction or declaration the root and hangs everything after it below.
// Anything in front of it, from white space to a complete element, the
// document format leaves out; Mini-XML 3.3.1 instead refuses the whole text
// ("XML does not start with '<'", "... cannot be a second root node"). So
// the parser is handed the text from its first '<' and loads through a SAX
// callback that keeps only the nodes from that first instruction or
// declaration on: what it does not retain, Mini-XML frees as soon as it has
// been read.
//
// The load itself hangs below a holder node of our own, and the tree is
// arranged as Mini-XML would without one afterwards. Without a holder,
// Mini-XML 3.3.1 loses an element standing at the top level whose start tag
// cannot be parsed ("<a b"): it has no parent yet, and the error path frees
// only what the library has already kept. Below the holder it is freed with
// the holder.
//
// The text comes over plain HTTP, so anyone on the way may choose its bytes,
// and two of Mini-XML's habits would let them reach memory they must not:
// an end tag that names the holder closes it (the library then frees it and
// so would we), and a UTF-16 byte-order mark anywhere in the text switches
// the library's reader to two bytes at a time, past the terminator.
#include "patch/patch_document.h"

#include <cstring>

namespace {

// No end tag can close the holder. Mini-XML decodes character references
// in tag names, so blanks or any other printable character could be spelt
// in an end tag; a control character other than tab, line feed and carriage
// return it refuses both raw and as a reference.
constexpr char kHolderName[] = "\x01" "document holder";
static_assert(kHolderName[0] > 0 && kHolderName[0] < '\t', "a control character that no end tag can name");

struct TopNodeSearch {
    mxml_node_t* holder;
    mxml_node_t* top;  // the first top-level instruction or declaration, once read
};

void KeepFromTopNode(mxml_node_t* node, mxml_sax_event_t event, void* data)
{
    TopNodeSearch* search = static_cast<TopNodeSearch*>(data);
    // Text that Mini-XML ignores reaches here as no node at all.
    if (node == nullptr)
        return;
    // An element was retained when it opened; its close would count it twice.
    if (event == MXML_SAX_ELEMENT_CLOSE)
        return;
    if (search->top == nullptr) {
        if (event != MXML_SAX_DIRECTIVE || mxmlGetParent(node) != search->holder)
            return;
        search->top = node;
    }
    mxmlRetain(node);
}

// Moves what follows the top node at the top level beneath it, in order, and
// takes the top node out of the holder.
void HangBelowTopNode(mxml_node_t* top)
{
    mxml_node_t* next = mxmlGetNextSibling(top);
    while (next != nullptr) {
        mxml_node_t* following = mxmlGetNextSibling(next);
        mxmlAdd(top, MXML_ADD_AFTER, MXML_ADD_TO_PARENT, next);
        next = following;
    }
    mxmlRemove(top);
}

// FF FE and FE FF are what Mini-XML takes for a UTF-16 byte-order mark,
// wherever the pair stands. Neither byte occurs in UTF-8, so a text that
// holds one is not a UTF-8 document, and like other bytes that are not
// UTF-8 it gives nothing; at its very start too, where the mark would make
// the whole text UTF-16.
bool HoldsUtf16ByteOrderMark(const char* text)
{
    for (const unsigned char* byte = reinterpret_cast<const unsigned char*>(text); byte[0] != 0; ++byte) {
        // byte[1] is at most the terminator.
        if ((byte[0] == 0xFF && byte[1] == 0xFE) || (byte[0] == 0xFE && byte[1] == 0xFF))
            return true;
    }
    return false;
}

} // namespace

mxml_node_t* ParsePatchDocument(const char* text)
{
    if (HoldsUtf16ByteOrderMark(text))
        return nullptr;
    const char* markup = std::strchr(text, '<');
    if (markup == nullptr)
        return nullptr;
    mxml_node_t* holder = mxmlNewElement(MXML_NO_PARENT, kHolderName);
    if (holder == nullptr)
        return nullptr;
    TopNodeSearch search = {holder, nullptr};
    mxml_node_t* top = nullptr;
    // On a parse error the result is null, and the top node may be freed.
    if (mxmlSAXLoadString(holder, markup, MXML_NO_CALLBACK, KeepFromTopNode, &search) == holder &&
        search.top != nullptr) {
        top = search.top;
        HangBelowTopNode(top);
    }
    mxmlDelete(holder);
    return top;
}
