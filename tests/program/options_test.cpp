// The Options dialog as a user meets it, and the game state source it
// keeps under "Game State Source": its template and keys, first-run
// defaults, a round trip through a restart, stored values of odd types, and
// what the choice does to the patch table at start-up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive/local_patch_server.h"
#include "drive/message_box.h"
#include "drive/network_setup.h"
#include "drive/options_dialog.h"
#include "drive/program.h"
#include "drive/stored_settings.h"
#include "template_layout.h"

namespace {

constexpr wchar_t kSourceValue[] = L"Game State Source";

constexpr LONG kEdit = kTemplateEdit, kLabel = kTemplateLabel;

const std::vector<TemplateControl> kOptionsControls = {
    {-1, L"Button", BS_GROUPBOX, L"Game state source", 7, 7, 206, 60, false},
    {1016, L"Button", BS_AUTORADIOBUTTON, L"Patch table (reads the game's memory)", 14, 19, 190, 10, true},
    {1017, L"Button", BS_AUTORADIOBUTTON, L"Game client API (port 6119)", 14, 32, 190, 10, false},
    {-1, L"Static", kLabel, L"Game PC:", 26, 48, 40, 8, false},
    {1031, L"Edit", kEdit, L"127.0.0.1", 68, 46, 84, 14, true},
    {-1, L"Static", kLabel, L"Port:", 158, 48, 18, 8, false},
    {1032, L"Edit", kEdit, L"6119", 178, 46, 28, 14, true},
    {-1, L"Button", BS_GROUPBOX, L"Program to switch", 7, 72, 206, 126, false},
    {1018, L"Button", BS_AUTORADIOBUTTON, L"XSplit", 14, 84, 90, 10, true},
    {1019, L"Button", BS_AUTORADIOBUTTON, L"OBS Studio", 14, 97, 90, 10, false},
    {-1, L"Static", kLabel, L"Host:", 26, 114, 40, 8, false},
    {1020, L"Edit", kEdit, L"localhost", 68, 112, 84, 14, true},
    {-1, L"Static", kLabel, L"Port:", 158, 114, 18, 8, false},
    {1021, L"Edit", kEdit, L"4455", 178, 112, 28, 14, true},
    {-1, L"Static", kLabel, L"Password:", 26, 132, 40, 8, false},
    {1022, L"Edit", kEdit, L"", 68, 130, 138, 14, true},
    {1023, L"Button", BS_PUSHBUTTON, L"Test connection", 26, 149, 70, 14, true},
    {1024, L"Static", kLabel, L"", 26, 167, 180, 26, false},
    {-1, L"Button", BS_GROUPBOX, L"On this computer", 7, 203, 206, 72, false},
    {1100, L"Button", BS_AUTOCHECKBOX, L"Start with Windows", 14, 215, 190, 10, true},
    {1101, L"Button", BS_AUTOCHECKBOX, L"Minimize to tray", 14, 228, 190, 10, true},
    {-1, L"Static", kLabel, L"Pause key:", 14, 245, 40, 8, false},
    {1102, L"msctls_hotkey32", 0, L"", 68, 243, 84, 14, true},
    {1104, L"Button", BS_PUSHBUTTON, L"None", 156, 243, 50, 14, true},
    {1103, L"Static", kLabel, L"", 14, 261, 192, 8, false},
    {IDOK, L"Button", BS_DEFPUSHBUTTON, L"OK", 109, 282, 50, 14, true},
    {IDCANCEL, L"Button", BS_PUSHBUTTON, L"Cancel", 163, 282, 50, 14, true},
};

void PostKey(HWND window, WPARAM key)
{
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

class OptionsTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        ASSERT_TRUE(server.Start());
        program.UseOutsidePatchServer();
    }
    void TearDown() override { DeleteSettings(); }

    // Opens Options, checks `choice`, presses OK and waits for the dialog to go.
    void Choose(int choice)
    {
        HWND dialog = OpenOptions(program);
        ASSERT_NE(dialog, nullptr);
        ChooseSource(dialog, choice);
        PressOptionsButton(dialog, IDOK);
        ASSERT_TRUE(WaitForDialogGone(dialog));
    }

    // Whether the program asked for the patch table within a while.
    bool AskedForTheTable(DWORD waitMs = 1500) { return server.WaitForRequests(1, waitMs); }

    LocalPatchServer server;
    KestrelcueProgram program;
};

TEST_F(OptionsTest, OpensModallyFromTheSystemMenuWithTheTemplate)
{
    ASSERT_TRUE(program.Launch());
    HWND dialog = OpenOptions(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), program.Window());
    EXPECT_FALSE(IsWindowEnabled(program.Window())) << "the main window takes no input while it is open";
    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);

    ASSERT_NO_FATAL_FAILURE(ExpectDialogAsItsTemplate(dialog, 103, 220, 303, kOptionsControls));
    PressOptionsButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    EXPECT_TRUE(IsWindowEnabled(program.Window()));
}

TEST_F(OptionsTest, AFirstRunReadsThePatchTableAndStoresNothingNew)
{
    ASSERT_TRUE(program.Launch());
    EXPECT_TRUE(AskedForTheTable(15000));
    ASSERT_TRUE(program.WaitForPatchCount(2));
    EXPECT_TRUE(program.IsEnabled(1009));
    HWND dialog = OpenOptions(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(CheckedSource(dialog), kOptionsPatchTable);
    PressOptionsButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ASSERT_TRUE(program.Close());
    StoredValue value;
    EXPECT_FALSE(ReadStoredValue(kSourceValue, &value)) << "an untouched choice adds a value to the nine";
    EXPECT_EQ(StoredValueNames().size(), 9u);
}

TEST_F(OptionsTest, TheClientApiSurvivesARestartAndNeedsNoPatchTable)
{
    ASSERT_TRUE(program.Launch());
    ASSERT_TRUE(AskedForTheTable(15000));
    ASSERT_TRUE(program.WaitForPatchCount(2));
    ASSERT_NO_FATAL_FAILURE(Choose(kOptionsClientApi));
    EXPECT_FALSE(program.IsEnabled(1009)) << "the Patch list means nothing with the client API";
    ASSERT_TRUE(program.Close());
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(kSourceValue, &value));
    EXPECT_EQ(value.type, DWORD(REG_DWORD));
    EXPECT_EQ(value.bytes, DwordBytes(1));

    // The next run asks no server at all, so a server that is gone costs nothing.
    server.Stop();
    LocalPatchServer second;
    ASSERT_TRUE(second.Start());
    KestrelcueProgram again;
    again.UseOutsidePatchServer();
    ASSERT_TRUE(again.Launch());
    EXPECT_FALSE(second.WaitForRequests(1, 2000)) << "a patch table was asked for";
    EXPECT_EQ(FindMessageBox(again.Process().Id()), nullptr);
    EXPECT_FALSE(again.IsEnabled(1009));
    EXPECT_EQ(again.PatchCount(), 0);
    HWND dialog = OpenOptions(again);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(CheckedSource(dialog), kOptionsClientApi);

    // Back to the table: it is downloaded now, and listed.
    ChooseSource(dialog, kOptionsPatchTable);
    PressOptionsButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    EXPECT_TRUE(second.WaitForRequests(1));
    EXPECT_TRUE(again.WaitForPatchCount(2));
    EXPECT_TRUE(again.IsEnabled(1009));
    ASSERT_TRUE(again.Close());
    ASSERT_TRUE(ReadStoredValue(kSourceValue, &value));
    EXPECT_EQ(value.bytes, DwordBytes(0));
    EXPECT_EQ(second.Requests().size(), 1u) << "the table is downloaded once a run";
}

TEST_F(OptionsTest, WithoutTheServerTheClientApiStartsWithoutABox)
{
    server.Stop();
    ASSERT_TRUE(WriteStoredDword(kSourceValue, 1));
    ASSERT_TRUE(program.Launch());
    Sleep(2000);
    EXPECT_TRUE(program.Process().IsRunning());
    EXPECT_EQ(FindMessageBox(program.Process().Id()), nullptr);
    program.PressStartStop();
    EXPECT_TRUE(program.WaitForStatus(L"Finding StarCraft II window..."));
    program.PressStartStop();
    EXPECT_TRUE(program.Close());
}

// Choosing the table later is a download like the one at start-up, and a
// failed one ends the program the same way, saving the settings.
TEST_F(OptionsTest, AFailedDownloadAfterChoosingTheTableEndsTheProgram)
{
    server.Stop();
    PatchAnswer refused = DocumentAnswer("<html>Busy</html>");
    refused.status = 500;
    LocalPatchServer refusing(refused);
    ASSERT_TRUE(refusing.Start());
    ASSERT_TRUE(WriteStoredDword(kSourceValue, 1));
    ASSERT_TRUE(program.Launch());
    ASSERT_NO_FATAL_FAILURE(Choose(kOptionsPatchTable));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(program.Process().Id())) != nullptr; }));
    EXPECT_EQ(MessageBoxText(box), L"Failed to download StarCraft 2 patch information: Couldn't connect to 127.0.0.1.");
    DismissMessageBox(box);
    DWORD code = 1234;
    ASSERT_TRUE(program.Process().WaitForExit(15000, &code));
    EXPECT_EQ(code, 0u);
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(kSourceValue, &value));
    EXPECT_EQ(value.bytes, DwordBytes(0));
}

TEST_F(OptionsTest, CancelEscapeAndTheCloseBoxKeepTheChoice)
{
    ASSERT_TRUE(program.Launch());
    const struct {
        const char* how;
        void (*close)(HWND dialog);
    } ways[] = {
        {"Cancel", [](HWND dialog) { PressOptionsButton(dialog, IDCANCEL); }},
        {"Escape", [](HWND dialog) { PostKey(GetDlgItem(dialog, kOptionsClientApi), VK_ESCAPE); }},
        {"the close box", [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        HWND dialog = OpenOptions(program);
        ASSERT_NE(dialog, nullptr);
        ChooseSource(dialog, kOptionsClientApi);
        way.close(dialog);
        ASSERT_TRUE(WaitForDialogGone(dialog));
        EXPECT_TRUE(program.IsEnabled(1009));
        dialog = OpenOptions(program);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(CheckedSource(dialog), kOptionsPatchTable);
        PressOptionsButton(dialog, IDCANCEL);
        ASSERT_TRUE(WaitForDialogGone(dialog));
    }
}

// Keys alone: the arrow moves the choice within the group, Enter is OK.
TEST_F(OptionsTest, TheKeyboardAloneChoosesAndConfirms)
{
    ASSERT_TRUE(program.Launch());
    HWND dialog = OpenOptions(program);
    ASSERT_NE(dialog, nullptr);
    HWND first = GetDlgItem(dialog, kOptionsPatchTable);
    ASSERT_TRUE(WaitUntil([&] { return (SendMessageW(first, BM_GETSTATE, 0, 0) & BST_FOCUS) != 0; }))
        << "the first choice does not have the focus when the dialog opens";
    PostKey(first, VK_DOWN);
    ASSERT_TRUE(WaitUntil([&] { return CheckedSource(dialog) == kOptionsClientApi; }));
    PostKey(GetDlgItem(dialog, kOptionsClientApi), VK_RETURN);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    EXPECT_FALSE(program.IsEnabled(1009));
}

TEST_F(OptionsTest, ItDoesNotOpenWhileTheWorkerRuns)
{
    ASSERT_TRUE(program.Launch());
    program.PressStartStop();
    ASSERT_TRUE(program.WaitForStatus(L"Finding StarCraft II window..."));
    EXPECT_EQ(OpenOptions(program, 1500), nullptr);
    program.PressStartStop();
    HWND dialog = OpenOptions(program);
    EXPECT_NE(dialog, nullptr) << "it opens again once the worker is stopped";
    if (dialog != nullptr) {
        PressOptionsButton(dialog, IDCANCEL);
        WaitForDialogGone(dialog);
    }
}

// Where the game's client API answers: this computer unless another is
// typed. The fields mean something only with the client API chosen; the
// values are stored once set, an empty address is this computer, and a port
// that cannot be is refused only when it is to be used.
TEST_F(OptionsTest, TheGamesAddressAndPortBesideTheClientApi)
{
    constexpr int kHost = 1031, kPort = 1032;
    ASSERT_TRUE(program.Launch());
    HWND dialog = OpenOptions(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kHost)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kPort)));
    ChooseSource(dialog, kOptionsClientApi);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, kHost)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, kPort)));
    SetDlgItemTextW(dialog, kPort, L"70000");
    PressOptionsButton(dialog, IDOK);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(program.Process().Id())) != nullptr; }));
    EXPECT_EQ(MessageBoxText(box), L"The game's port must be a number from 1 to 65535.");
    DismissMessageBox(box);
    EXPECT_TRUE(IsWindow(dialog)) << "the dialog closed with a port that cannot be used";
    SetDlgItemTextW(dialog, kHost, L" gaming-pc\t");
    SetDlgItemTextW(dialog, kPort, L"6120");
    PressOptionsButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ASSERT_TRUE(program.Close());
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(L"Game API Host", &value));
    EXPECT_EQ(value.type, DWORD(REG_SZ));
    EXPECT_EQ(value.bytes, TerminatedTextBytes(L"gaming-pc"));
    ASSERT_TRUE(ReadStoredValue(L"Game API Port", &value));
    EXPECT_EQ(value.type, DWORD(REG_DWORD));
    EXPECT_EQ(value.bytes, DwordBytes(6120));

    KestrelcueProgram again;
    again.UseOutsidePatchServer();
    ASSERT_TRUE(again.Launch());
    dialog = OpenOptions(again);
    ASSERT_NE(dialog, nullptr);
    wchar_t text[64] = {};
    GetDlgItemTextW(dialog, kHost, text, 64);
    EXPECT_STREQ(text, L"gaming-pc");
    GetDlgItemTextW(dialog, kPort, text, 64);
    EXPECT_STREQ(text, L"6120");
    SetDlgItemTextW(dialog, kHost, L"");
    ChooseSource(dialog, kOptionsPatchTable);
    SetDlgItemTextW(dialog, kPort, L"0");
    PressOptionsButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog)) << "a port not used now is no reason to stay";
    ASSERT_TRUE(again.Close());
    ASSERT_TRUE(ReadStoredValue(L"Game API Host", &value));
    EXPECT_EQ(value.bytes, TerminatedTextBytes(L"127.0.0.1"));
    ASSERT_TRUE(ReadStoredValue(L"Game API Port", &value));
    EXPECT_EQ(value.bytes, DwordBytes(6120)) << "a port that cannot be keeps the last good one";
}

// Read as the nine values are read: whatever bytes the value holds, up to
// four, over the default 0; only the number 1 is the client API. The number
// read is written back as a REG_DWORD unless the user picks the other source.
TEST_F(OptionsTest, StoredValuesOfOtherTypesAndNumbers)
{
    const struct {
        const char* name;
        DWORD type;
        std::vector<BYTE> bytes;
        DWORD readAs;
    } cases[] = {
        {"REG_DWORD 1", REG_DWORD, DwordBytes(1), 1},
        {"REG_DWORD 0", REG_DWORD, DwordBytes(0), 0},
        {"REG_DWORD 2", REG_DWORD, DwordBytes(2), 2},
        {"REG_DWORD 0x101", REG_DWORD, DwordBytes(0x101), 0x101},
        {"REG_BINARY 01", REG_BINARY, {0x01}, 1},
        {"REG_BINARY 01 00", REG_BINARY, {0x01, 0x00}, 1},
        {"REG_SZ \"1\"", REG_SZ, TerminatedTextBytes(L"1"), 0x31},
        {"REG_QWORD 1, too long to read", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, 0},
        {"empty REG_BINARY", REG_BINARY, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool clientApi = c.readAs == 1;
        DeleteSettings();
        ASSERT_TRUE(WriteStoredValue(kSourceValue, c.type, c.bytes));
        LocalPatchServer fresh;
        server.Stop();
        ASSERT_TRUE(fresh.Start());
        KestrelcueProgram run;
        run.UseOutsidePatchServer();
        ASSERT_TRUE(run.Launch());
        EXPECT_EQ(fresh.WaitForRequests(1, clientApi ? 1500 : 15000), !clientApi);
        EXPECT_EQ(run.IsEnabled(1009), !clientApi);
        HWND dialog = OpenOptions(run);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(CheckedSource(dialog), clientApi ? kOptionsClientApi : kOptionsPatchTable);
        PressOptionsButton(dialog, IDOK);
        ASSERT_TRUE(WaitForDialogGone(dialog));
        ASSERT_TRUE(run.Close());
        StoredValue value;
        ASSERT_TRUE(ReadStoredValue(kSourceValue, &value));
        EXPECT_EQ(value.type, DWORD(REG_DWORD));
        EXPECT_EQ(value.bytes, DwordBytes(c.readAs));
    }
}

} // namespace
