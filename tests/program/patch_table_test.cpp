// StarInfoData documents as the user meets them, read by the real program:
// the version list it fills, the item it shows selected, and the address
// its watch worker then reads in the simulated game.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "drive/local_patch_server.h"
#include "drive/message_box.h"
#include "drive/program.h"
#include "drive/simulators.h"

namespace {

// Nothing is mapped there in the simulated game (and Wine reads free memory
// below 0x68000000 as zeros, so it lies above that).
constexpr DWORD kUnmappedAddress = 0x70000000;

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
const std::string kThreePatches =
    "<StarInfoData>\n"
    "  <Patch Version=\"1.5.3.23260\" Ptr1=\"0x20000000\"/>\n"
    "  <Patch Version=\"1.5.4.24540\" Ptr1=\"0x20000100\"/>\n"
    "  <Patch Version=\"2.0.4.24944\" Ptr1=\"0x70000000\"/>\n"
    "</StarInfoData>\n";
const std::vector<PatchItem> kThreeItems = {
    {L"1.5.3.23260", 0x20000000}, {L"1.5.4.24540", 0x20000100}, {L"2.0.4.24944", 0x70000000}};

std::string Table(const std::string& patches)
{
    return kDeclaration + "<StarInfoData>\n" + patches + "</StarInfoData>\n";
}

struct DocumentCase {
    const char* name;
    std::string document;
    std::vector<PatchItem> expected;
};

std::string Describe(const std::vector<PatchItem>& items)
{
    std::string text = "[";
    for (const PatchItem& item : items) {
        constexpr size_t kAddressChars = 11;  // "0x", eight digits, terminator
        char address[kAddressChars];
        std::snprintf(address, sizeof address, "0x%08lX", item.address);
        text += (text.size() > 1 ? ", (" : "(") + testing::PrintToString(item.label) + ", " + address + ")";
    }
    return text + "]";
}

class PatchTableTest : public testing::Test {
protected:
    void SetUp() override { DeleteSettings(); }

    // Runs the program on the document and returns its list once loaded.
    // A list that stays empty gives no sign of the load's end, so then the
    // test waits for the download to end and a little longer.
    std::vector<PatchItem> LoadedItems(KestrelcueProgram& program, LocalPatchServer& server, size_t expectedCount)
    {
        program.UseOutsidePatchServer();
        if (!program.Launch()) {
            ADD_FAILURE() << "the program did not start: " << program.LaunchProblem();
            return {};
        }
        if (expectedCount > 0) {
            program.WaitForPatchCount(int(expectedCount));
            WaitUntil([&] { return program.SelectedPatch() == 0; });
        } else {
            EXPECT_TRUE(server.WaitForClientClose(0)) << "the download never ended";
            Sleep(1000);
        }
        return program.PatchItems();
    }
};

TEST_F(PatchTableTest, EachDocumentFillsTheListWithItsVersionsInOrder)
{
    const std::string longVersion(200, 'v');
    const DocumentCase cases[] = {
        {"declaration, table, three empty Patch elements", kDeclaration + kThreePatches, kThreeItems},
        {"the same without the declaration", kThreePatches, {}},
        {"a comment before the declaration", "<!-- Updated for 2.0.4 -->\n" + kDeclaration + kThreePatches,
         kThreeItems},
        {"white space before the declaration", "\r\n\r\n" + kDeclaration + kThreePatches, kThreeItems},
        {"a byte-order mark before the declaration", "\xEF\xBB\xBF" + kDeclaration + kThreePatches, kThreeItems},
        {"a document type declaration instead of the XML declaration",
         "<!DOCTYPE StarInfoData>\n" + kThreePatches, kThreeItems},
        {"a table without Patch elements", Table(""), {}},
        {"a Patch with a line break inside ends the list",
         Table("<Patch Version=\"1.0\" Ptr1=\"10\">\n</Patch>\n<Patch Version=\"1.1\" Ptr1=\"20\"/>\n"),
         {{L"1.0", 0x10}}},
        {"a Patch with text inside ends the list",
         Table("<Patch Version=\"1.0\" Ptr1=\"10\">old</Patch><Patch Version=\"1.1\" Ptr1=\"20\"/>\n"),
         {{L"1.0", 0x10}}},
        {"start and end tags with nothing between them",
         Table("<Patch Version=\"1.0\" Ptr1=\"10\"></Patch><Patch Version=\"1.1\" Ptr1=\"20\"></Patch>\n"),
         {{L"1.0", 0x10}, {L"1.1", 0x20}}},
        {"a Patch right after the table's end is listed",
         kDeclaration + "<StarInfoData><Patch Version=\"1.0\" Ptr1=\"10\"/></StarInfoData>"
                        "<Patch Version=\"1.1\" Ptr1=\"20\"/>",
         {{L"1.0", 0x10}, {L"1.1", 0x20}}},
        {"Patch elements of a second table are not",
         kDeclaration + "<StarInfoData><Patch Version=\"1.0\" Ptr1=\"10\"/></StarInfoData>\n"
                        "<StarInfoData><Patch Version=\"1.1\" Ptr1=\"20\"/></StarInfoData>\n",
         {{L"1.0", 0x10}}},
        {"two Patch elements with the same Version",
         Table("<Patch Version=\"1.0\" Ptr1=\"10\"/><Patch Version=\"1.0\" Ptr1=\"20\"/>\n"),
         {{L"1.0", 0x10}, {L"1.0", 0x20}}},
        {"the order of the document, not sorted",
         Table("<Patch Version=\"b\" Ptr1=\"2\"/><Patch Version=\"c\" Ptr1=\"3\"/><Patch Version=\"a\" Ptr1=\"1\"/>"),
         {{L"b", 2}, {L"c", 3}, {L"a", 1}}},
        {"Ptr1 forms",
         Table("<Patch Version=\"0x\" Ptr1=\"0x1A2B3C4D\"/><Patch Version=\"0X\" Ptr1=\"0X1a2b3c4d\"/>"
               "<Patch Version=\"bare\" Ptr1=\"1a2B3c4D\"/><Patch Version=\"nine digits\" Ptr1=\"123456789\"/>"
               "<Patch Version=\"trailing\" Ptr1=\"0x20000000h\"/><Patch Version=\"none\" Ptr1=\"n/a\"/>\n"),
         {{L"0x", 0x1A2B3C4D}, {L"0X", 0x1A2B3C4D}, {L"bare", 0x1A2B3C4D}, {L"nine digits", 0xFFFFFFFF},
          {L"trailing", 0x20000000}, {L"none", 0}}},
        {"Version and Ptr1 missing",
         Table("<Patch Ptr1=\"10\"/><Patch Version=\"no address\"/>\n"), {{L"", 0x10}, {L"no address", 0}}},
        {"non-ASCII versions in UTF-8 and as character references",
         Table("<Patch Version=\"\xC3\x89t\xC3\xA9 \xE2\x9C\x93 \xF0\x9F\x98\x80\" Ptr1=\"1\"/>"
               "<Patch Version=\"&#xC9;t&#233; &#x2713; &#x1F600;\" Ptr1=\"2\"/>"
               "<Patch Version=\"&lt;beta&gt; &amp; more\" Ptr1=\"3\"/>\n"),
         {{L"\x00C9t\x00E9 \x2713 \xD83D\xDE00", 1}, {L"\x00C9t\x00E9 \x2713 \xD83D\xDE00", 2},
          {L"<beta> & more", 3}}},
        {"a long Version is cut to 127 units",
         Table("<Patch Version=\"" + longVersion + "\" Ptr1=\"1\"/>\n"), {{std::wstring(127, L'v'), 1}}},
        {"a table left unclosed, as a cut leaves it",
         kDeclaration + "<StarInfoData>\n<Patch Version=\"1.0\" Ptr1=\"10\"/>\n<Patch Version=\"1.1\" Ptr1=\"2", {}},
        {"an end tag that does not match",
         kDeclaration + "<StarInfoData><Patch Version=\"1.0\" Ptr1=\"10\"/></StarInfo>\n", {}},
        {"a repeated attribute", Table("<Patch Version=\"1.0\" Ptr1=\"10\" Ptr1=\"20\"/>\n"), {}},
        {"bytes that are not UTF-8", Table("<Patch Version=\"1.0 \xE9t\xE9\" Ptr1=\"10\"/>\n"), {}},
        {"an unknown entity", Table("<Patch Version=\"1.0&kestrel;x\" Ptr1=\"10\"/>\n"), {}},
        {"a control character", Table("<Patch Version=\"1.0\x07\" Ptr1=\"10\"/>\n"), {}},
    };
    for (const DocumentCase& c : cases) {
        LocalPatchServer server(DocumentAnswer(c.document));
        ASSERT_TRUE(server.Start());
        KestrelcueProgram program;
        const std::vector<PatchItem> actual = LoadedItems(program, server, c.expected.size());
        EXPECT_TRUE(actual == c.expected) << "case \"" << c.name << "\"\n  expected " << Describe(c.expected)
                                          << "\n  actual   " << Describe(actual);
        EXPECT_EQ(program.SelectedPatch(), c.expected.empty() ? -1 : 0) << "case \"" << c.name << "\"";
        EXPECT_EQ(FindMessageBox(program.Process().Id()), nullptr) << "case \"" << c.name << "\": a document never shows a box";
        EXPECT_TRUE(program.Close()) << "case \"" << c.name << "\"";
    }
}

// Bodies that someone on the network path could send to reach memory the
// reader must not touch: an end tag spelling a name with a blank in it, and
// a UTF-16 byte-order mark after the start of the text or at its start.
TEST_F(PatchTableTest, BodiesMadeToCorruptMemoryLeaveTheProgramRunningWithNothingListed)
{
    const std::string comment = "<?xml version=\"1.0\"?><!--";
    const DocumentCase cases[] = {
        {"an end tag with a decimal reference for a blank", "<?xml version=\"1.0\"?></document&#32;holder>", {}},
        {"the same with a hexadecimal reference and a table after it",
         "<?xml version=\"1.0\"?></document&#x20;holder>" + kThreePatches, {}},
        {"FF FE after the declaration", "<?xml version=\"1.0\"?>\xFF\xFE" "A", {}},
        {"FE FF as the last bytes of a body of the full length",
         comment + std::string(16383 - comment.size() - 2, ' ') + "\xFE\xFF", {}},
        {"a UTF-8 table behind FF FE at the start", "\xFF\xFE" + kDeclaration + kThreePatches, {}},
    };
    for (const DocumentCase& c : cases) {
        SCOPED_TRACE(c.name);
        LocalPatchServer server(DocumentAnswer(c.document));
        ASSERT_TRUE(server.Start());
        KestrelcueProgram program;
        const std::vector<PatchItem> actual = LoadedItems(program, server, 0);
        EXPECT_TRUE(program.Process().IsRunning());
        EXPECT_TRUE(actual.empty()) << Describe(actual);
        EXPECT_EQ(FindMessageBox(program.Process().Id()), nullptr);
        DWORD code = 1234;
        EXPECT_TRUE(program.Close());
        EXPECT_TRUE(program.Process().WaitForExit(0, &code));
        EXPECT_EQ(code, 0u);
    }
}

// The address the worker reads is observed through the simulated game: a
// started game makes the program click the enter-game scene only when it
// reads the flag byte itself; anywhere else in the game's memory it reads
// zero, and where nothing is mapped the probe fails and the worker starts
// looking for the game again.
class WatchedAddressTest : public PatchTableTest {
protected:
    void SetUp() override
    {
        PatchTableTest::SetUp();
        ASSERT_TRUE(game.Launch(kSimFlagAddress));
        ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
    }

    void StartWatching(KestrelcueProgram& program)
    {
        program.SetText(1004, L"Game");
        program.SetChecked(1010, true);  // the simulated game need not be in front
        program.PressStartStop();
    }

    // True when a started game is seen; the game is ended again afterwards.
    bool SeesTheGameStart(KestrelcueProgram& program)
    {
        if (!program.WaitForStatus(L"Last event: Switch to leave game scene."))
            return false;
        const size_t before = xsplit.Clicks().size();
        game.StartGame();
        const bool clicked = xsplit.WaitForClicks(before + 1) && xsplit.Clicks().back() == L"Game";
        game.EndGame();
        return clicked && program.WaitForStatus(L"Last event: Switch to leave game scene.");
    }

    // True when the worker keeps losing the game because its probe fails:
    // XSplit is looked for only once the game is found, so looking for the
    // game between two XSplit searches means the game was found and lost.
    // ("Running. Waiting for events..." lasts only as long as the failed
    // probe, too short to be polled.)
    bool KeepsLosingTheGame(const KestrelcueProgram& program)
    {
        return program.WaitForStatusesInOrder(
            {L"Finding XSplit window...", L"Finding StarCraft II window...", L"Finding XSplit window..."});
    }

    SimulatedGame game;
    SimulatedXSplit xsplit;
};

TEST_F(WatchedAddressTest, TheFirstPatchAddressIsWatched)
{
    LocalPatchServer server(DocumentAnswer(kDeclaration + kThreePatches));
    ASSERT_TRUE(server.Start());
    KestrelcueProgram program;
    ASSERT_EQ(LoadedItems(program, server, 3).size(), 3u);
    StartWatching(program);
    EXPECT_TRUE(SeesTheGameStart(program));
}

TEST_F(WatchedAddressTest, AFirstAddressOfZeroIsPassedOverButStaysSelected)
{
    LocalPatchServer server(DocumentAnswer(
        Table("<Patch Version=\"unknown\" Ptr1=\"0\"/><Patch Version=\"simulated\" Ptr1=\"0x20000000\"/>"
              "<Patch Version=\"later\" Ptr1=\"0x20000100\"/>")));
    ASSERT_TRUE(server.Start());
    KestrelcueProgram program;
    const std::vector<PatchItem> items = LoadedItems(program, server, 3);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].address, 0u);
    EXPECT_EQ(program.SelectedPatch(), 0);
    StartWatching(program);
    EXPECT_TRUE(SeesTheGameStart(program));
}

TEST_F(WatchedAddressTest, WithoutTheDeclarationNoAddressIsKnown)
{
    LocalPatchServer server(DocumentAnswer(kThreePatches));
    ASSERT_TRUE(server.Start());
    KestrelcueProgram program;
    EXPECT_TRUE(LoadedItems(program, server, 0).empty());
    StartWatching(program);
    EXPECT_TRUE(KeepsLosingTheGame(program));
}

TEST_F(WatchedAddressTest, PickingAnotherVersionWhileWatchingMovesTheNextProbe)
{
    // The sample document: the simulated game's address, then one where
    // nothing is mapped.
    KestrelcueProgram program;
    ASSERT_TRUE(program.Launch());
    ASSERT_TRUE(program.WaitForPatchCount(2));
    ASSERT_TRUE(WaitUntil([&] { return program.SelectedPatch() == 0; }));
    ASSERT_EQ(program.PatchItems()[0].address, kSimFlagAddress);
    ASSERT_EQ(program.PatchItems()[1].address, kUnmappedAddress);
    StartWatching(program);
    ASSERT_TRUE(SeesTheGameStart(program));

    // Other notifications of the list change nothing.
    SendMessageW(program.Control(1009), CB_SETCURSEL, 1, 0);
    for (WORD notification : {CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELENDCANCEL})
        SendMessageW(program.Window(), WM_COMMAND, MAKEWPARAM(1009, notification), LPARAM(program.Control(1009)));
    EXPECT_TRUE(SeesTheGameStart(program)) << "the address moved without a selection change";

    program.PickPatch(1);
    EXPECT_TRUE(KeepsLosingTheGame(program)) << "the worker still reads the old address";

    program.PickPatch(0);
    EXPECT_TRUE(SeesTheGameStart(program)) << "the worker does not read the picked address";
    EXPECT_EQ(program.Text(1011), L"Stop") << "a pick must not need a restart";
}

} // namespace
