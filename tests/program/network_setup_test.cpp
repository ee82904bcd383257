// The "Network Setup" dialog of the real program, driven by messages from
// outside: its template, the role it opens with, Escape, every way of
// closing it, and what its role does to the main window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive/network_setup.h"
#include "drive/program.h"
#include "drive/stored_settings.h"
#include "template_layout.h"

namespace {

constexpr int kSceneControls[] = {1004, 1006, 1008, 1007, 1005, 1010, 1009};

const std::vector<TemplateControl> kSetupControls = {
    {IDOK, L"Button", BS_PUSHBUTTON, L"OK", 7, 51, 50, 14, true},
    {-1, L"Button", BS_GROUPBOX, L"Mode", 7, 7, 79, 40, false},
    {1001, L"Button", BS_AUTORADIOBUTTON, L"I'm running SC2", 14, 19, 66, 10, false},
    {1002, L"Button", BS_AUTORADIOBUTTON, L"I'm running XSplit", 14, 31, 71, 10, false},
    {-1, L"Button", BS_GROUPBOX, L"Other Computer's Hostname / IP", 89, 7, 140, 40, false},
    {1015, L"Edit", kTemplateEdit, L"", 95, 26, 128, 14, true},
};

void PostKey(HWND window, WPARAM key)
{
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

class NetworkSetupTest : public testing::Test {
protected:
    void SetUp() override { DeleteSettings(); }
    void TearDown() override { DeleteSettings(); }

    void ExpectSceneControlsEnabled(bool enabled)
    {
        for (int id : kSceneControls)
            EXPECT_EQ(program.IsEnabled(id), enabled) << "control " << id;
    }

    KestrelcueProgram program;
};

TEST_F(NetworkSetupTest, OpensModallyFromTheTemplate)
{
    // The button control makes a checked radio button a tab stop itself; with
    // a role of neither side nothing is checked and the template shows as written.
    ASSERT_TRUE(WriteStoredDword(L"Remote Role", 7));
    ASSERT_TRUE(program.Launch());
    HWND dialog = OpenNetworkSetup(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), program.Window());
    EXPECT_FALSE(IsWindowEnabled(program.Window())) << "the main window takes no input while it is open";
    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & DS_CENTER);
    EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);

    // Where the dialog manager puts each control of the template on this
    // machine, with its fonts.
    ASSERT_NO_FATAL_FAILURE(ExpectDialogAsItsTemplate(dialog, 102, 236, 72, kSetupControls));

    ClickSetupOk(dialog);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    EXPECT_TRUE(IsWindowEnabled(program.Window()));
}

struct OpeningCase {
    const char* what;
    bool stored;
    DWORD role;
    int checkedButton;
    DWORD savedRole;  // after closing with OK and nothing chosen
};

TEST_F(NetworkSetupTest, OpensWithTheStoredRoleAndClosingUntouchedKeepsIt)
{
    const OpeningCase cases[] = {
        {"no role stored", false, 0, 1001, 1},
        {"game side", true, 1, 1001, 1},
        {"XSplit side", true, 2, 1002, 2},
        {"a role of neither side", true, 7, 0, 7},
        {"a role of 0", true, 0, 0, 0},
    };
    for (const OpeningCase& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteSettings();
        if (c.stored) {
            ASSERT_TRUE(WriteStoredDword(L"Remote Role", c.role));
        }
        ASSERT_TRUE(WriteStoredString(L"Remote Host", L"stored-host"));
        KestrelcueProgram run;
        ASSERT_TRUE(run.Launch());
        HWND dialog = OpenNetworkSetup(run);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(CheckedRoleButton(dialog), c.checkedButton);
        EXPECT_EQ(WindowText(GetDlgItem(dialog, 1015)), L"stored-host");
        ClickSetupOk(dialog);
        ASSERT_TRUE(WaitForDialogGone(dialog));
        ASSERT_TRUE(run.Close());
        StoredValue role;
        ASSERT_TRUE(ReadStoredValue(L"Remote Role", &role));
        EXPECT_EQ(role.bytes, DwordBytes(c.savedRole));
    }
}

TEST_F(NetworkSetupTest, EscapeDoesNotCloseIt)
{
    ASSERT_TRUE(program.Launch());
    HWND dialog = OpenNetworkSetup(program);
    ASSERT_NE(dialog, nullptr);
    HWND host = GetDlgItem(dialog, 1015);
    SetWindowTextAcross(host, L"before");
    // Escape from the host field, the OK button and the dialog itself; a
    // typed character after them shows when all were handled.
    PostKey(host, VK_ESCAPE);
    PostKey(GetDlgItem(dialog, IDOK), VK_ESCAPE);
    PostKey(dialog, VK_ESCAPE);
    SendMessageW(host, EM_SETSEL, 6, 6);
    PostMessageW(host, WM_CHAR, L'!', 1);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(host) == L"before!"; }));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_FALSE(IsWindowEnabled(program.Window()));
    EXPECT_EQ(program.Process().FindWindowOfClass(L"#32770", kNetworkSetupCaption), dialog);

    ClickSetupOk(dialog);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ASSERT_TRUE(program.Close());
    StoredValue stored;
    ASSERT_TRUE(ReadStoredValue(L"Remote Host", &stored));
    EXPECT_EQ(stored.bytes, TerminatedTextBytes(L"before!"));
}

struct ClosingCase {
    const char* what;
    void (*close)(HWND dialog);
};

TEST_F(NetworkSetupTest, EveryWayOfClosingAppliesHostAndRole)
{
    const ClosingCase cases[] = {
        {"OK clicked", [](HWND dialog) { ClickSetupOk(dialog); }},
        {"Enter in the host field", [](HWND dialog) { PostKey(GetDlgItem(dialog, 1015), VK_RETURN); }},
        {"the close box", [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE", [](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); }},
        {"Enter on OK", [](HWND dialog) { PostKey(GetDlgItem(dialog, IDOK), VK_RETURN); }},
    };
    ASSERT_TRUE(program.Launch());
    int round = 0;
    std::wstring lastHost;
    int lastButton = 0;
    for (const ClosingCase& c : cases) {
        SCOPED_TRACE(c.what);
        // Each round changes both values from the round before.
        const int button = round % 2 == 0 ? 1002 : 1001;
        const std::wstring host = L"host-" + std::to_wstring(++round) + L".example";
        HWND dialog = OpenNetworkSetup(program);
        ASSERT_NE(dialog, nullptr);
        ASSERT_NE(CheckedRoleButton(dialog), button);
        SendMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
        SetWindowTextAcross(GetDlgItem(dialog, 1015), host);
        c.close(dialog);
        ASSERT_TRUE(WaitForDialogGone(dialog));
        EXPECT_TRUE(IsWindowEnabled(program.Window()));

        dialog = OpenNetworkSetup(program);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(CheckedRoleButton(dialog), button);
        EXPECT_EQ(WindowText(GetDlgItem(dialog, 1015)), host);
        ClickSetupOk(dialog);
        ASSERT_TRUE(WaitForDialogGone(dialog));
        lastHost = host;
        lastButton = button;
    }
    ASSERT_TRUE(program.Close());
    StoredValue stored;
    ASSERT_TRUE(ReadStoredValue(L"Remote Host", &stored));
    EXPECT_EQ(stored.bytes, TerminatedTextBytes(lastHost));
    ASSERT_TRUE(ReadStoredValue(L"Remote Role", &stored));
    EXPECT_EQ(stored.bytes, DwordBytes(lastButton == 1002 ? 2 : 1));
}

struct HostCase {
    const char* what;
    std::wstring typed;
    std::wstring kept;
};

TEST_F(NetworkSetupTest, KeepsUpTo254CharactersOfTheHost)
{
    const std::wstring host254 = AlphabetText(254, L'h');
    const std::wstring host300 = AlphabetText(300, L'q');
    const HostCase cases[] = {
        {"a name", L"caster-pc", L"caster-pc"},
        {"non-ASCII", L"st\u00fcdio-\u6226", L"st\u00fcdio-\u6226"},
        {"nothing", L"", L""},
        {"300 characters", host300, host300.substr(0, 254)},
        {"254 characters", host254, host254},
    };
    ASSERT_TRUE(program.Launch());
    for (const HostCase& c : cases) {
        SCOPED_TRACE(c.what);
        HWND dialog = OpenNetworkSetup(program);
        ASSERT_NE(dialog, nullptr);
        SetWindowTextAcross(GetDlgItem(dialog, 1015), c.typed);
        ASSERT_EQ(WindowText(GetDlgItem(dialog, 1015)), c.typed);
        ClickSetupOk(dialog);
        ASSERT_TRUE(WaitForDialogGone(dialog));
        dialog = OpenNetworkSetup(program);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(WindowText(GetDlgItem(dialog, 1015)), c.kept);
        ClickSetupOk(dialog);
        ASSERT_TRUE(WaitForDialogGone(dialog));
    }
    ASSERT_TRUE(program.Close());
    StoredValue stored;
    ASSERT_TRUE(ReadStoredValue(L"Remote Host", &stored));
    EXPECT_EQ(stored.type, DWORD(REG_SZ));
    EXPECT_EQ(stored.bytes.size(), 2u * 254 + 2);
    EXPECT_EQ(stored.bytes, TerminatedTextBytes(host254));
}

TEST_F(NetworkSetupTest, TheXSplitSideInNetworkModeDisablesTheSceneControlsOnClosing)
{
    ASSERT_TRUE(program.Launch());
    // Without network mode the role does not matter here.
    HWND dialog = OpenNetworkSetup(program);
    ASSERT_NE(dialog, nullptr);
    SendMessageW(GetDlgItem(dialog, 1002), BM_CLICK, 0, 0);
    ClickSetupOk(dialog);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ExpectSceneControlsEnabled(true);

    // Network mode on the XSplit side: checking and unchecking take effect at once.
    program.SetChecked(1013, true);
    ExpectSceneControlsEnabled(false);
    program.SetChecked(1013, false);
    ExpectSceneControlsEnabled(true);

    // Network mode on the game side, then switched to the XSplit side in the dialog.
    dialog = OpenNetworkSetup(program);
    ASSERT_NE(dialog, nullptr);
    SendMessageW(GetDlgItem(dialog, 1001), BM_CLICK, 0, 0);
    ClickSetupOk(dialog);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    program.SetChecked(1013, true);
    ExpectSceneControlsEnabled(true);
    dialog = OpenNetworkSetup(program);
    ASSERT_NE(dialog, nullptr);
    SendMessageW(GetDlgItem(dialog, 1002), BM_CLICK, 0, 0);
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ExpectSceneControlsEnabled(false);
    // Network controls and Start stay usable.
    EXPECT_TRUE(program.IsEnabled(1013));
    EXPECT_TRUE(program.IsEnabled(1014));
    EXPECT_TRUE(program.IsEnabled(1011));

    // And back to the game side.
    dialog = OpenNetworkSetup(program);
    ASSERT_NE(dialog, nullptr);
    SendMessageW(GetDlgItem(dialog, 1001), BM_CLICK, 0, 0);
    ClickSetupOk(dialog);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ExpectSceneControlsEnabled(true);
    ASSERT_TRUE(program.Close());
}

struct RunningCase {
    const char* what;
    bool networkMode;
    int roleButton;
    const wchar_t* status;
};

TEST_F(NetworkSetupTest, SetupAndNetworkModeAreDisabledWhileTheWorkerRuns)
{
    const RunningCase cases[] = {
        {"this computer only", false, 1001, L"Finding StarCraft II window..."},
        {"network mode, game side", true, 1001, L"Finding StarCraft II window..."},
        {"network mode, XSplit side", true, 1002, L"Finding XSplit window..."},
    };
    ASSERT_TRUE(program.Launch());
    for (const RunningCase& c : cases) {
        SCOPED_TRACE(c.what);
        HWND dialog = OpenNetworkSetup(program);
        ASSERT_NE(dialog, nullptr);
        SendMessageW(GetDlgItem(dialog, c.roleButton), BM_CLICK, 0, 0);
        ClickSetupOk(dialog);
        ASSERT_TRUE(WaitForDialogGone(dialog));
        program.SetChecked(1013, c.networkMode);

        program.PressStartStop();
        EXPECT_TRUE(program.WaitForStatus(c.status));
        EXPECT_FALSE(program.IsEnabled(1014));
        EXPECT_FALSE(program.IsEnabled(1013));
        EXPECT_TRUE(program.IsEnabled(1011));
        program.PressStartStop();
        EXPECT_EQ(program.Status(), L"Aborted.");
        EXPECT_TRUE(program.IsEnabled(1014));
        EXPECT_TRUE(program.IsEnabled(1013));
        EXPECT_EQ(program.IsChecked(1013), c.networkMode);
    }
    ASSERT_TRUE(program.Close());
}

} // namespace
