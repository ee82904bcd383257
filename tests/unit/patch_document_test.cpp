// The StarInfoData reading rules, document by document: each case is a
// whole document and the (Version, Ptr1) entries it must give, in order.
// Several of these rules are Mini-XML's behaviour; the cases pin them, so a
// different release of the library that reads a document differently fails
// here by name.
#include "patch/patch_document.h"
#ifdef _WINDOWS_
#error "the document reader must build without <windows.h>"
#endif

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, uint32_t>>;

struct DocumentCase {
    const char* name;
    std::string text;
    Entries expected;
};

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
const std::string kThreePatches =
    "<StarInfoData>\n"
    "  <Patch Version=\"1.5.3.23260\" Ptr1=\"0x02F4A1C8\"/>\n"
    "  <Patch Version=\"1.5.4.24540\" Ptr1=\"0x02F4B2D0\"/>\n"
    "  <Patch Version=\"2.0.4.24944\" Ptr1=\"0x0316E5A0\"/>\n"
    "</StarInfoData>\n";
const Entries kThreeEntries = {
    {"1.5.3.23260", 0x02F4A1C8}, {"1.5.4.24540", 0x02F4B2D0}, {"2.0.4.24944", 0x0316E5A0}};

std::string Table(const std::string& patches)
{
    return kDeclaration + "<StarInfoData>" + patches + "</StarInfoData>\n";
}

const DocumentCase kDocumentCases[] = {
    // The top node.
    {"declaration, table, three empty Patch elements", kDeclaration + kThreePatches, kThreeEntries},
    {"the same without the declaration", kThreePatches, {}},
    {"a comment before the declaration", "<!-- patch table -->\n" + kDeclaration + kThreePatches, kThreeEntries},
    {"a document type declaration instead of the XML declaration", "<!DOCTYPE StarInfoData>\n" + kThreePatches,
     kThreeEntries},
    {"another processing instruction instead of the declaration",
     "<?xml-stylesheet type=\"text/xsl\" href=\"table.xsl\"?>\n" + kThreePatches, kThreeEntries},
    {"a document type declaration after the declaration",
     kDeclaration + "<!DOCTYPE StarInfoData>\n" + kThreePatches, kThreeEntries},
    {"white space before the declaration", "\n \t\r\n" + kDeclaration + kThreePatches, kThreeEntries},
    {"text before the declaration", "Patch table follows\n" + kDeclaration + kThreePatches, kThreeEntries},
    {"a UTF-8 byte-order mark before the declaration", "\xEF\xBB\xBF" + kDeclaration + kThreePatches,
     kThreeEntries},
    {"a CDATA section before the declaration", "<![CDATA[<Patch Version=\"no\"/>]]>" + kDeclaration + kThreePatches,
     kThreeEntries},
    {"comments, text and white space before the declaration",
     " first <!-- a --> second <!-- b -->\n" + kDeclaration + kThreePatches, kThreeEntries},
    {"a complete element before the declaration is left out",
     "<Note><Patch Version=\"inside note\" Ptr1=\"9\"/></Note>\n" + kDeclaration + kThreePatches, kThreeEntries},
    {"a table before the declaration is left out",
     "<StarInfoData><Patch Version=\"early\" Ptr1=\"1\"/></StarInfoData>" + kDeclaration +
         "<StarInfoData><Patch Version=\"late\" Ptr1=\"2\"/></StarInfoData>",
     {{"late", 2}}},
    {"a table before the declaration and none after it",
     "<StarInfoData><Patch Version=\"early\" Ptr1=\"1\"/></StarInfoData>" + kDeclaration, {}},
    {"a declaration inside an element does not count",
     "<Wrapper><?xml version=\"1.0\"?></Wrapper>" + kThreePatches, {}},

    // The table element.
    {"a table nested in another element is not found",
     kDeclaration + "<Root>" + kThreePatches + "</Root>", {}},
    {"a processing instruction between declaration and table",
     kDeclaration + "<?generator tool?>\n<!-- c -->\n" + kThreePatches, kThreeEntries},
    {"a Patch before the table is not read",
     kDeclaration + "<Patch Version=\"stray\" Ptr1=\"1\"/>\n" + kThreePatches, kThreeEntries},
    {"the table's own attributes are ignored",
     kDeclaration + "<StarInfoData Version=\"x\" Ptr1=\"5\"><Patch Version=\"a\" Ptr1=\"1\"/></StarInfoData>",
     {{"a", 1}}},
    {"a table without Patch elements", Table(""), {}},
    {"an empty-element table", kDeclaration + "<StarInfoData/>", {}},
    {"a table of white space and comments only", Table("\n  <!-- none yet -->\n"), {}},
    {"Patch elements of a second table are not read",
     kDeclaration + "<StarInfoData><Patch Version=\"first\" Ptr1=\"1\"/></StarInfoData>\n"
                    "<StarInfoData><Patch Version=\"second\" Ptr1=\"2\"/></StarInfoData>",
     {{"first", 1}}},
    {"nor those of a second table right after the first",
     kDeclaration + "<StarInfoData><Patch Version=\"first\" Ptr1=\"1\"/></StarInfoData>"
                    "<StarInfoData><Patch Version=\"second\" Ptr1=\"2\"/></StarInfoData>",
     {{"first", 1}}},
    {"names are compared with their letter case",
     kDeclaration + "<starinfodata><Patch Version=\"a\" Ptr1=\"1\"/></starinfodata>", {}},

    // The Patch elements.
    {"start and end tags with nothing between them",
     Table("<Patch Version=\"a\" Ptr1=\"1\"></Patch><Patch Version=\"b\" Ptr1=\"2\"></Patch>"),
     {{"a", 1}, {"b", 2}}},
    {"a Patch with a line break inside ends the list",
     Table("<Patch Version=\"a\" Ptr1=\"1\">\n</Patch>\n<Patch Version=\"b\" Ptr1=\"2\"/>"), {{"a", 1}}},
    {"a Patch with a space inside ends the list",
     Table("<Patch Version=\"a\" Ptr1=\"1\"> </Patch><Patch Version=\"b\" Ptr1=\"2\"/>"), {{"a", 1}}},
    {"a Patch with text inside ends the list",
     Table("<Patch Version=\"a\" Ptr1=\"1\">note</Patch><Patch Version=\"b\" Ptr1=\"2\"/>"), {{"a", 1}}},
    {"a Patch with a comment inside ends the list",
     Table("<Patch Version=\"a\" Ptr1=\"1\"><!-- c --></Patch><Patch Version=\"b\" Ptr1=\"2\"/>"), {{"a", 1}}},
    {"a Patch inside a Patch is read, and the list goes on after the outer one",
     Table("<Patch Version=\"a\" Ptr1=\"1\"><Patch Version=\"b\" Ptr1=\"2\"/></Patch><Patch Version=\"c\" Ptr1=\"3\"/>"),
     {{"a", 1}, {"b", 2}, {"c", 3}}},
    {"text, white space, comments and other elements between Patch elements are skipped unsearched",
     Table("\n text <Patch Version=\"a\" Ptr1=\"1\"/> more text <!-- <Patch Version=\"c\"/> -->\n"
           "<Group><Patch Version=\"grouped\" Ptr1=\"7\"/></Group><![CDATA[x]]><?pi?>"
           "<Patch Version=\"b\" Ptr1=\"2\"/>\n"),
     {{"a", 1}, {"b", 2}}},
    {"element names are compared with their letter case",
     Table("<patch Version=\"lower\" Ptr1=\"1\"/><PATCH Version=\"upper\" Ptr1=\"2\"/>"
           "<Patch Version=\"right\" Ptr1=\"3\"/><Patches Version=\"longer\" Ptr1=\"4\"/>"),
     {{"right", 3}}},
    {"attribute names are compared with their letter case",
     Table("<Patch version=\"v\" ptr1=\"5\" VERSION=\"V\" PTR1=\"6\"/>"), {{"", 0}}},
    {"a Patch without Version or Ptr1 is listed empty",
     Table("<Patch Ptr1=\"10\"/><Patch Version=\"no address\"/><Patch/>"),
     {{"", 0x10}, {"no address", 0}, {"", 0}}},
    {"other attributes and their order make no difference",
     Table("<Patch Ptr1=\"0x10\" Build=\"1\" Version=\"a\"/><Patch Note=\"x\" Version=\"b\" Ptr1=\"20\" Ptr2=\"30\"/>"),
     {{"a", 0x10}, {"b", 0x20}}},
    {"single-quoted attribute values", Table("<Patch Version='a' Ptr1='0x10'/>"), {{"a", 0x10}}},
    {"two Patch elements with the same Version",
     Table("<Patch Version=\"1.0\" Ptr1=\"1\"/><Patch Version=\"1.0\" Ptr1=\"2\"/>"), {{"1.0", 1}, {"1.0", 2}}},
    {"order of the document, unsorted",
     Table("<Patch Version=\"b\" Ptr1=\"2\"/><Patch Version=\"c\" Ptr1=\"3\"/><Patch Version=\"a\" Ptr1=\"1\"/>"),
     {{"b", 2}, {"c", 3}, {"a", 1}}},
    {"a first Ptr1 of 0 is listed", Table("<Patch Version=\"a\" Ptr1=\"0\"/><Patch Version=\"b\" Ptr1=\"20\"/>"),
     {{"a", 0}, {"b", 0x20}}},
    {"a Patch right after the table's end tag is listed",
     kDeclaration + "<StarInfoData><Patch Version=\"a\" Ptr1=\"1\"/><Patch Version=\"b\" Ptr1=\"2\"/></StarInfoData>"
                    "<Patch Version=\"after\" Ptr1=\"3\"/>",
     {{"a", 1}, {"b", 2}, {"after", 3}}},
    {"and beyond white space after the end tag",
     kDeclaration + "<StarInfoData><Patch Version=\"a\" Ptr1=\"1\"/></StarInfoData>\n\n"
                    "<Patch Version=\"after\" Ptr1=\"3\"/>",
     {{"a", 1}, {"after", 3}}},
    {"but not when white space stands before the table's end tag",
     kDeclaration + "<StarInfoData><Patch Version=\"a\" Ptr1=\"1\"/>\n</StarInfoData>"
                    "<Patch Version=\"after\" Ptr1=\"3\"/>",
     {{"a", 1}}},

    // Ptr1 forms.
    {"Ptr1 with and without prefix, in either letter case",
     Table("<Patch Version=\"a\" Ptr1=\"0x1A2B3C4D\"/><Patch Version=\"b\" Ptr1=\"0X1A2B3C4D\"/>"
           "<Patch Version=\"c\" Ptr1=\"1a2b3c4d\"/><Patch Version=\"d\" Ptr1=\"1A2b3C4d\"/>"),
     {{"a", 0x1A2B3C4D}, {"b", 0x1A2B3C4D}, {"c", 0x1A2B3C4D}, {"d", 0x1A2B3C4D}}},
    {"Ptr1 of nine significant digits, and digits followed by other characters",
     Table("<Patch Version=\"a\" Ptr1=\"123456789\"/><Patch Version=\"b\" Ptr1=\"12G4\"/>"
           "<Patch Version=\"c\" Ptr1=\"none\"/><Patch Version=\"d\" Ptr1=\"\"/><Patch Version=\"e\" Ptr1=\" -1\"/>"),
     {{"a", 0xFFFFFFFF}, {"b", 0x12}, {"c", 0}, {"d", 0}, {"e", 0xFFFFFFFF}}},
    {"Ptr1 written with character references", Table("<Patch Version=\"a\" Ptr1=\"&#x31;&#48;\"/>"), {{"a", 0x10}}},

    // Texts of Version.
    {"a Version in UTF-8", Table("<Patch Version=\"\xC3\x89t\xC3\xA9 \xE2\x9C\x93 \xF0\x9F\x98\x80\" Ptr1=\"1\"/>"),
     {{"\xC3\x89t\xC3\xA9 \xE2\x9C\x93 \xF0\x9F\x98\x80", 1}}},
    {"the same Version as character references",
     Table("<Patch Version=\"&#xC9;t&#233; &#x2713; &#x1F600;\" Ptr1=\"1\"/>"),
     {{"\xC3\x89t\xC3\xA9 \xE2\x9C\x93 \xF0\x9F\x98\x80", 1}}},
    {"the predefined entities", Table("<Patch Version=\"&amp;&lt;&gt;&quot;&apos;\" Ptr1=\"1\"/>"),
     {{"&<>\"'", 1}}},
    {"a U+FEFF inside a Version is dropped", Table("<Patch Version=\"1.\xEF\xBB\xBF" "0\" Ptr1=\"1\"/>"),
     {{"1.0", 1}}},
    {"tab, line feed and carriage return, raw and as references",
     Table("<Patch Version=\"a\tb\" Ptr1=\"1\"/><Patch Version=\"a&#9;b&#10;c&#13;\" Ptr1=\"2\"/>"),
     {{"a\tb", 1}, {"a\tb\nc\r", 2}}},

    // Documents that cannot be parsed give nothing at all.
    {"empty text", "", {}},
    {"text without markup", "StarInfoData Patch 1.0 0x20000000", {}},
    {"the table left unclosed, as a cut leaves it",
     kDeclaration + "<StarInfoData><Patch Version=\"a\" Ptr1=\"1\"/><Patch Version=\"b\" Ptr1=\"2\"/>", {}},
    {"cut inside a Patch",
     kDeclaration + "<StarInfoData><Patch Version=\"a\" Ptr1=\"1\"/><Patch Version=\"b\" Pt", {}},
    {"cut inside an end tag", kDeclaration + "<StarInfoData><Patch Version=\"a\" Ptr1=\"1\"/></StarInf", {}},
    {"a Patch left unclosed",
     Table("<Patch Version=\"a\" Ptr1=\"1\"><Patch Version=\"b\" Ptr1=\"2\"/>"), {}},
    {"an end tag that does not match",
     kDeclaration + "<StarInfoData><Patch Version=\"a\" Ptr1=\"1\"/></StarInfo>", {}},
    {"an attribute repeated within one element",
     Table("<Patch Version=\"a\" Ptr1=\"1\"/><Patch Version=\"b\" Ptr1=\"2\" Ptr1=\"3\"/>"), {}},
    {"a byte that is not UTF-8", Table("<Patch Version=\"a\" Ptr1=\"1\"/><Patch Version=\"\xFF\" Ptr1=\"2\"/>"), {}},
    {"a UTF-8 sequence cut short", Table("<Patch Version=\"a\xC3\" Ptr1=\"1\"/>"), {}},
    {"an overlong UTF-8 sequence", Table("<Patch Version=\"a\xC0\xAF\" Ptr1=\"1\"/>"), {}},
    {"a raw control character", Table("<Patch Version=\"a\x01\" Ptr1=\"1\"/>"), {}},
    {"a control character as a reference", Table("<Patch Version=\"a&#1;\" Ptr1=\"1\"/>"), {}},
    {"a control character as a hexadecimal reference", Table("<Patch Version=\"a&#x1F;\" Ptr1=\"1\"/>"), {}},
    {"a reference to an unknown entity", Table("<Patch Version=\"a&kestrel;\" Ptr1=\"1\"/>"), {}},
    {"a start tag that cannot be read, before the declaration",
     "<Note version\n" + kDeclaration + kThreePatches, {}},
    {"a text cut inside its first start tag", "<StarInfoData Version", {}},
    {"an end tag that closes the instruction in front of the table",
     "<?generator?></?generator?><!DOCTYPE StarInfoData>" + kThreePatches, {}},
    {"a zero byte before the table's end",
     std::string(kDeclaration + "<StarInfoData><Patch Version=\"a\" Ptr1=\"1\"/>") + std::string(1, '\0') +
         "</StarInfoData>",
     {}},

    // Bytes chosen by someone on the network path. End tags may spell any
    // name with character references, and FF FE or FE FF is a UTF-16
    // byte-order mark to Mini-XML wherever it stands.
    {"an end tag at the top level naming an element with a blank in its name",
     "<?xml version=\"1.0\"?></document&#32;holder>", {}},
    {"the same with a hexadecimal reference and a table after it",
     "<?xml version=\"1.0\"?></document&#x20;holder>" + kThreePatches, {}},
    {"an end tag at the top level after the table", kDeclaration + kThreePatches + "</StarInfoData>", {}},
    {"an end tag spelling a control character", kDeclaration + "</&#1;document&#32;holder>" + kThreePatches, {}},
    {"FF FE after the declaration", "<?xml version=\"1.0\"?>\xFF\xFE" "A", {}},
    {"FE FF after the declaration", "<?xml version=\"1.0\"?>\xFE\xFF" "A", {}},
    {"FF FE inside a Version", Table("<Patch Version=\"a\xFF\xFE\" Ptr1=\"1\"/>"), {}},
    {"FE FF in a comment before the declaration", "<!-- \xFE\xFF -->" + kDeclaration + kThreePatches, {}},
    {"FF FE after the end of the table", kDeclaration + kThreePatches + "\xFF\xFE", {}},
    {"a text that begins with FF FE is not read as UTF-8", "\xFF\xFE" + kDeclaration + kThreePatches, {}},
    {"nor one that begins with FE FF", "\xFE\xFF" + kDeclaration + kThreePatches, {}},
};

std::string Describe(const Entries& entries)
{
    std::string text = "[";
    for (const auto& entry : entries) {
        constexpr size_t kAddressChars = 11;  // "0x", eight digits, terminator
        char address[kAddressChars];
        std::snprintf(address, sizeof address, "0x%08X", unsigned(entry.second));
        text += (text.size() > 1 ? ", (" : "(") + testing::PrintToString(entry.first) + ", " + address + ")";
    }
    return text + "]";
}

Entries ReadEntries(const std::string& text)
{
    // A heap block of exactly the text and its terminator, as the receive
    // buffer holds it at full length: a read past the terminator then lands
    // outside the block, where the address sanitizer sees it.
    std::unique_ptr<char[]> exact(new char[text.size() + 1]);
    std::memcpy(exact.get(), text.c_str(), text.size() + 1);
    Entries entries;
    mxml_node_t* top = ParsePatchDocument(exact.get());
    PatchWalk walk = BeginPatchWalk(top);
    PatchEntry entry;
    while (NextPatchEntry(&walk, &entry))
        entries.emplace_back(entry.version, entry.address);
    mxmlDelete(top);
    return entries;
}

TEST(PatchDocument, EachDocumentGivesItsEntriesInOrder)
{
    for (const DocumentCase& c : kDocumentCases) {
        const Entries actual = ReadEntries(c.text);
        EXPECT_EQ(actual, c.expected) << "case \"" << c.name << "\"\n  expected " << Describe(c.expected)
                                      << "\n  actual   " << Describe(actual);
    }
}

TEST(PatchDocument, TheTopNodeIsTheFirstInstructionOrDeclaration)
{
    const struct {
        const char* name;
        std::string text;
        const char* topName;  // null: no tree
    } cases[] = {
        {"declaration", kDeclaration + kThreePatches, "?xml version=\"1.0\" encoding=\"UTF-8\"?"},
        {"comment first", "<!-- c -->" + kDeclaration + kThreePatches, "?xml version=\"1.0\" encoding=\"UTF-8\"?"},
        {"element first", "<Note/>" + kDeclaration + kThreePatches, "?xml version=\"1.0\" encoding=\"UTF-8\"?"},
        {"document type", "<!DOCTYPE StarInfoData>" + kDeclaration + kThreePatches, "!DOCTYPE StarInfoData"},
        {"none", kThreePatches, nullptr},
        {"not well-formed", kDeclaration + "<StarInfoData>", nullptr},
    };
    for (const auto& c : cases) {
        mxml_node_t* top = ParsePatchDocument(c.text.c_str());
        if (c.topName == nullptr) {
            EXPECT_EQ(top, nullptr) << "case \"" << c.name << "\"";
        } else if (top == nullptr) {
            ADD_FAILURE() << "case \"" << c.name << "\": no tree";
        } else {
            EXPECT_EQ(mxmlGetParent(top), nullptr) << "case \"" << c.name << "\"";
            EXPECT_STREQ(mxmlGetElement(top), c.topName) << "case \"" << c.name << "\"";
            // Nothing from before the top node is kept beside it.
            EXPECT_EQ(mxmlGetNextSibling(top), nullptr) << "case \"" << c.name << "\"";
            EXPECT_EQ(mxmlGetPrevSibling(top), nullptr) << "case \"" << c.name << "\"";
        }
        mxmlDelete(top);
    }
}

TEST(PatchDocument, ANullTreeYieldsNothing)
{
    PatchWalk walk = BeginPatchWalk(nullptr);
    PatchEntry entry = {"untouched", 7};
    EXPECT_FALSE(NextPatchEntry(&walk, &entry));
    EXPECT_STREQ(entry.version, "untouched");
    EXPECT_EQ(entry.address, 7u);
}

// The longest document the download keeps, with its table at the very end.
TEST(PatchDocument, ADocumentOfTheFullLengthIsRead)
{
    const std::string table = "<StarInfoData><Patch Version=\"last\" Ptr1=\"0x20000000\"/></StarInfoData>";
    const size_t padding = 16383 - kDeclaration.size() - table.size() - 7;
    const std::string text = kDeclaration + "<!--" + std::string(padding, ' ') + "-->" + table;
    ASSERT_EQ(text.size(), 16383u);
    EXPECT_EQ(ReadEntries(text), (Entries{{"last", 0x20000000}}));
}

// A mark that would switch the reader to UTF-16 as the last two bytes of a
// full-length body: the reader must not step past the receive buffer.
TEST(PatchDocument, AByteOrderMarkAtTheEndOfAFullLengthBodyGivesNothing)
{
    for (const char* mark : {"\xFF\xFE", "\xFE\xFF"}) {
        const std::string head = kDeclaration + "<!--";
        const std::string text = head + std::string(16383 - head.size() - 2, ' ') + mark;
        ASSERT_EQ(text.size(), 16383u);
        EXPECT_TRUE(ReadEntries(text).empty());
    }
}

} // namespace
