// The tray icon as the shell sees it: the test stands in for the shell's
// notification area (drive/stand_in_tray.h), so the program's own calls to
// Shell_NotifyIconW come to it, and it clicks as the shell does. The icon
// is added with the program's picture and the status line as its tip, the
// tip follows the status, the menu's commands act, the icon comes back when
// a new shell announces itself, and minimising with "Minimize To Tray"
// leaves the taskbar until the icon is clicked.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <string>

#include "drive/network_setup.h"
#include "drive/options_dialog.h"
#include "drive/program.h"
#include "drive/simulators.h"
#include "drive/stand_in_tray.h"
#include "drive/stored_settings.h"
#include "drive/tray_menu.h"

namespace {

constexpr wchar_t kMinimizeToTray[] = L"Minimize To Tray";
constexpr UINT kTipLimit = 127;  // what the shell's tip holds

std::wstring ButtonText(const KestrelcueProgram& program)
{
    return program.Text(1011);
}

bool IsShownNormally(HWND window)
{
    return IsWindowVisible(window) && !IsIconic(window);
}

class TrayTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        tray = std::make_unique<StandInTray>();
        ASSERT_TRUE(tray->Start()) << "Shell_NotifyIconW would not find the stand-in first";
    }
    void TearDown() override { DeleteSettings(); }

    void LaunchWithIcon()
    {
        ASSERT_TRUE(program.Launch());
        ASSERT_TRUE(tray->WaitForIcon(program.Window())) << "no icon in the tray";
        // Clicks are sent in the form the icon's version asks for.
        TrayIconState icon;
        ASSERT_TRUE(WaitUntil([&] { return tray->IconOf(program.Window(), &icon) && icon.version != 0; }));
    }

    // Minimises as the window's minimise box does.
    void Minimise() { PostMessageW(program.Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0); }

    std::unique_ptr<StandInTray> tray;
    KestrelcueProgram program;
};

TEST_F(TrayTest, TheIconIsAddedWithThePicturesAndTheStatusAsTipAndRemovedAtTheEnd)
{
    ASSERT_NO_FATAL_FAILURE(LaunchWithIcon());
    TrayIconState icon;
    EXPECT_TRUE(WaitUntil([&] {
        return tray->IconOf(program.Window(), &icon) && icon.version == UINT(NOTIFYICON_VERSION_4);
    })) << "the click's point and the icon's id come with version 4";
    EXPECT_TRUE(icon.hasIcon);
    EXPECT_NE(icon.callbackMessage, 0u);
    EXPECT_TRUE(tray->WaitForTip(program.Window(), program.Status()));
    const std::vector<TrayRequest> requests = tray->Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().message, DWORD(NIM_ADD));
    EXPECT_TRUE(requests.front().flags & NIF_ICON);
    // The small icon, at the size the system asks for, from the program's own.
    EXPECT_EQ(requests.front().iconWidth, UINT(GetSystemMetrics(SM_CXSMICON)));
    EXPECT_EQ(requests.front().iconHeight, UINT(GetSystemMetrics(SM_CYSMICON)));
    EXPECT_EQ(tray->UnreadableRequests(), 0u);

    HWND window = program.Window();
    ASSERT_TRUE(program.Close());
    EXPECT_TRUE(tray->WaitForNoIcon(window)) << "the icon outlived the program";
    EXPECT_EQ(tray->Requests().back().message, DWORD(NIM_DELETE));
}

TEST_F(TrayTest, TheTipFollowsTheStatusCutToWhatATipHolds)
{
    SimulatedGame game;
    SimulatedXSplit xsplit;
    ASSERT_TRUE(game.Launch());
    ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
    ASSERT_NO_FATAL_FAILURE(LaunchWithIcon());
    // A scene XSplit does not have: the status names it in full.
    const std::wstring missing = AlphabetText(200);
    program.NameScenes(L"Game", missing, L"", L"");
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    const std::wstring status = L"Error: Scene '" + missing + L"' not found.";
    ASSERT_TRUE(program.WaitForStatus(status));
    EXPECT_TRUE(tray->WaitForTip(program.Window(), status.substr(0, kTipLimit)));

    program.PressStartStop();
    ASSERT_TRUE(program.WaitForStatus(L"Aborted."));
    EXPECT_TRUE(tray->WaitForTip(program.Window(), L"Aborted."));
    ASSERT_TRUE(program.Close());
}

TEST_F(TrayTest, MinimisingLeavesTheWindowOnTheTaskbarByDefault)
{
    ASSERT_NO_FATAL_FAILURE(LaunchWithIcon());
    EXPECT_FALSE(GetWindowLongW(program.Window(), GWL_STYLE) & WS_MINIMIZEBOX) << "the window as it always was";
    Minimise();
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(program.Window()) != FALSE; }));
    EXPECT_TRUE(IsWindowVisible(program.Window())) << "minimised without the setting, the window left the taskbar";
    // The icon still brings it back.
    ASSERT_TRUE(tray->Click(program.Window()));
    EXPECT_TRUE(WaitUntil([&] { return IsShownNormally(program.Window()); }));
    ASSERT_TRUE(program.Close());
    StoredValue value;
    EXPECT_FALSE(ReadStoredValue(kMinimizeToTray, &value)) << "an untouched setting was stored";
}

TEST_F(TrayTest, WithMinimizeToTrayTheMinimisedWindowWaitsInTheTrayUntilClicked)
{
    ASSERT_TRUE(WriteStoredDword(kMinimizeToTray, 1));
    ASSERT_NO_FATAL_FAILURE(LaunchWithIcon());
    HWND window = program.Window();
    EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_MINIMIZEBOX);
    Minimise();
    // A hidden window has no taskbar button and no place in Alt+Tab.
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); })) << "the window stayed on the taskbar";
    ASSERT_TRUE(tray->Click(window));
    EXPECT_TRUE(WaitUntil([&] { return IsShownNormally(window); })) << "the click did not bring the window back";
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window; })) << "the window came back behind others";

    // Again, and back by the menu's Show this time.
    Minimise();
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }));
    ASSERT_TRUE(ChooseFromTrayMenu(*tray, program, L's')) << "no Show in the menu";
    EXPECT_TRUE(WaitUntil([&] { return IsShownNormally(window); }));
    ASSERT_TRUE(program.Close());
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(kMinimizeToTray, &value));
    EXPECT_EQ(value.type, DWORD(REG_DWORD));
    EXPECT_EQ(value.bytes, DwordBytes(1));
}

// Set in Options, it holds from OK on: the minimise box comes and goes with it.
TEST_F(TrayTest, MinimizeToTrayIsSetInOptions)
{
    ASSERT_NO_FATAL_FAILURE(LaunchWithIcon());
    HWND window = program.Window();
    HWND dialog = OpenOptions(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsOptionsBoxChecked(dialog, kOptionsMinimizeToTray));
    SetOptionsBox(dialog, kOptionsMinimizeToTray, true);
    PressOptionsButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_MINIMIZEBOX);
    Minimise();
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); })) << "the window stayed on the taskbar";
    ASSERT_TRUE(tray->Click(window));
    ASSERT_TRUE(WaitUntil([&] { return IsShownNormally(window); }));

    dialog = OpenOptions(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsOptionsBoxChecked(dialog, kOptionsMinimizeToTray));
    SetOptionsBox(dialog, kOptionsMinimizeToTray, false);
    PressOptionsButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    EXPECT_FALSE(GetWindowLongW(window, GWL_STYLE) & WS_MINIMIZEBOX);
    ASSERT_TRUE(program.Close());
    // Back at its default before it was ever stored: nothing is written, as
    // with the other values of Options.
    StoredValue value;
    EXPECT_FALSE(ReadStoredValue(kMinimizeToTray, &value));
    EXPECT_EQ(StoredValueNames().size(), 9u);
}

TEST_F(TrayTest, TheMenuStartsAndStopsTheWorker)
{
    ASSERT_NO_FATAL_FAILURE(LaunchWithIcon());
    ASSERT_EQ(ButtonText(program), L"Start");
    ASSERT_TRUE(ChooseFromTrayMenu(*tray, program, L't')) << "no Start in the menu";
    EXPECT_TRUE(WaitUntil([&] { return ButtonText(program) == L"Stop"; })) << "the worker did not start";
    ASSERT_TRUE(ChooseFromTrayMenu(*tray, program, L't')) << "no Stop in the menu";
    EXPECT_TRUE(WaitUntil([&] { return ButtonText(program) == L"Start"; })) << "the worker did not stop";
    EXPECT_TRUE(program.WaitForStatus(L"Aborted."));
    ASSERT_TRUE(program.Close());
}

// The item says what choosing it does: "Pause switching" while switching,
// "Resume switching" while paused. A key that no item has leaves the menu
// open, so typing it and then Escape changes nothing.
TEST_F(TrayTest, TheMenuPausesAndResumesSwitching)
{
    ASSERT_NO_FATAL_FAILURE(LaunchWithIcon());
    HWND menu = OpenTrayMenu(*tray, program);
    ASSERT_NE(menu, nullptr);
    TypeIntoMenu(menu, L'r');
    PressEscapeInMenu(menu);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }));

    ASSERT_TRUE(ChooseFromTrayMenu(*tray, program, L'p')) << "no Pause switching while switching";
    menu = OpenTrayMenu(*tray, program);
    ASSERT_NE(menu, nullptr);
    TypeIntoMenu(menu, L'p');
    PressEscapeInMenu(menu);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }));
    ASSERT_TRUE(ChooseFromTrayMenu(*tray, program, L'r')) << "no Resume switching while paused";
    ASSERT_TRUE(ChooseFromTrayMenu(*tray, program, L'p')) << "switching was not resumed";
    ASSERT_TRUE(ChooseFromTrayMenu(*tray, program, L'r'));
    ASSERT_TRUE(program.Close());
}

// Exit is the close box: the settings are written as a close writes them.
TEST_F(TrayTest, ExitClosesAsTheCloseBoxDoes)
{
    ASSERT_NO_FATAL_FAILURE(LaunchWithIcon());
    program.NameScenes(L"In game", L"Lobby", L"Away", L"Back");
    HWND window = program.Window();
    ASSERT_TRUE(ChooseFromTrayMenu(*tray, program, L'x')) << "no Exit in the menu";
    ASSERT_TRUE(program.Process().WaitForExit(15000)) << "Exit did not end the program";
    EXPECT_TRUE(tray->WaitForNoIcon(window));
    std::vector<std::wstring> names = StoredValueNames();
    std::sort(names.begin(), names.end());
    const std::vector<std::wstring> nine = {L"Apply Game Settings On Tab", L"Apply Game Settings When Tabbed",
                                            L"EnterGameScene", L"LeaveGameScene", L"Remote Enabled",
                                            L"Remote Host", L"Remote Role", L"TabInScene", L"TabOutScene"};
    EXPECT_EQ(names, nine);
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(L"EnterGameScene", &value));
    EXPECT_EQ(value.bytes, TerminatedTextBytes(L"In game"));
    ASSERT_TRUE(ReadStoredValue(L"TabInScene", &value));
    EXPECT_EQ(value.bytes, TerminatedTextBytes(L"Back"));
}

// A shell that starts again (Explorer restarted) holds no icons and says
// "TaskbarCreated" to every top-level window.
TEST_F(TrayTest, TheIconComesBackWhenANewShellAnnouncesItself)
{
    ASSERT_NO_FATAL_FAILURE(LaunchWithIcon());
    const std::wstring tip = program.Status();
    tray.reset();
    tray = std::make_unique<StandInTray>();
    ASSERT_TRUE(tray->Start());
    TrayIconState icon;
    ASSERT_FALSE(tray->IconOf(program.Window(), &icon));
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_NE(taskbarCreated, 0u);
    PostMessageW(HWND_BROADCAST, taskbarCreated, 0, 0);
    ASSERT_TRUE(tray->WaitForIcon(program.Window())) << "the icon was not added to the new shell";
    // The version comes in a request of its own, after the icon.
    EXPECT_TRUE(WaitUntil([&] {
        return tray->IconOf(program.Window(), &icon) && icon.version == UINT(NOTIFYICON_VERSION_4);
    }));
    EXPECT_TRUE(icon.hasIcon);
    EXPECT_TRUE(tray->WaitForTip(program.Window(), tip));
    // And it still answers there.
    ASSERT_TRUE(ChooseFromTrayMenu(*tray, program, L't'));
    EXPECT_TRUE(WaitUntil([&] { return ButtonText(program) == L"Stop"; }));
    ASSERT_TRUE(program.Close());
}

} // namespace
