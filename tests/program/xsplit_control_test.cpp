// Finding XSplit and clicking its scene buttons, against the simulated
// XSplit in other processes, with the program's own procedures.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "drive/simulators.h"
#include "resource_ids.h"
#include "xsplit/xsplit.h"

namespace {

constexpr wchar_t kPanelClass[] = L"WindowsForms10.Window.8.app.0.KestrelSimPanel";

// A stand-in for the main window in this process, so that the status texts
// that the procedures write can be read back.
class XSplitControlTest : public testing::Test {
protected:
    void SetUp() override
    {
        host_ = CreateWindowW(L"Static", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(host_, nullptr);
        const HWND status =
            CreateWindowW(L"Static", L"", WS_CHILD, 0, 0, 10, 10, host_, HMENU(IDC_MAIN_STATUS), nullptr, nullptr);
        ASSERT_NE(status, nullptr) << "the status texts are read back from this control";
        g_app.MainDialog = host_;
        g_app.StopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    void TearDown() override
    {
        if (target_.process != nullptr)
            CloseHandle(target_.process);
        CloseHandle(g_app.StopEvent);
        DestroyWindow(host_);
        target_.process = nullptr;
        target_.window = nullptr;
        target_.processId = 0;
        g_app.StopEvent = nullptr;
        g_app.MainDialog = nullptr;
    }

    std::wstring Status() const
    {
        wchar_t text[600] = {};
        GetDlgItemTextW(host_, IDC_MAIN_STATUS, text, 600);
        return text;
    }

    // As the watch loop does: one search, and the owner of what it found.
    bool Locate()
    {
        target_.window = FindXSplitWindow();
        target_.processId = 0;
        GetWindowThreadProcessId(target_.window, &target_.processId);
        return target_.window != nullptr;
    }

    HWND host_ = nullptr;
    XSplitTarget target_ = {};
};

TEST_F(XSplitControlTest, NothingRunningIsNotFound)
{
    EXPECT_EQ(FindXSplitWindow(), nullptr);
}

TEST_F(XSplitControlTest, TheModuleNameMatchesInAnyLetterCaseButNothingElse)
{
    const struct {
        const wchar_t* exeName;
        bool found;
    } cases[] = {
        {L"xsplit.core.exe", true},
        {L"XSplit.Core.exe", true},
        {L"XSPLIT.CORE.EXE", true},
        {L"xsplit.core2.exe", false},
        {L"xsplitcore.exe", false},
        {L"my.xsplit.core.exe", false},
        {L"xsplit.exe", false},
    };
    for (const auto& c : cases) {
        SimulatedXSplit xsplit;
        ASSERT_TRUE(xsplit.Launch({L"Game"}, {}, c.exeName)) << testing::PrintToString(std::wstring(c.exeName));
        HWND found = FindXSplitWindow();
        EXPECT_EQ(found, c.found ? xsplit.Window() : nullptr) << testing::PrintToString(std::wstring(c.exeName));
    }
}

TEST_F(XSplitControlTest, OnlyAVisibleWindowOfAWindowsFormsClassCounts)
{
    {
        SimulatedXSplit hidden;
        ASSERT_TRUE(hidden.Launch({L"Game"}, {L"--hidden"}));
        EXPECT_EQ(FindXSplitWindow(), nullptr) << "hidden main window";
    }
    const struct {
        const wchar_t* windowClass;
        bool found;
    } cases[] = {
        {L"WindowsForms", true},
        {L"WindowsForms10.Window.8.app.0.2bf8098_r6_ad1", true},
        {L"windowsforms10.Window.8.app.0", false},
        {L"WINDOWSFORMS10", false},
        {L"WindowsForm", false},
        {L"XWindowsForms10", false},
    };
    for (const auto& c : cases) {
        SimulatedXSplit xsplit;
        ASSERT_TRUE(xsplit.Launch({L"Game"}, {L"--class", c.windowClass}));
        EXPECT_EQ(FindXSplitWindow(), c.found ? xsplit.Window() : nullptr)
            << testing::PrintToString(std::wstring(c.windowClass));
    }
}

DWORD FirstListed(DWORD a, DWORD b)
{
    DWORD ids[1024];
    DWORD bytes = 0;
    EnumProcesses(ids, sizeof ids, &bytes);
    for (DWORD i = 0; i < bytes / sizeof ids[0]; ++i)
        if (ids[i] == a || ids[i] == b)
            return ids[i];
    return 0;
}

TEST_F(XSplitControlTest, OnlyTheFirstMatchingProcessIsExamined)
{
    SimulatedXSplit withoutWindow, withWindow;
    ASSERT_TRUE(withoutWindow.Launch({L"Game"}, {L"--hidden"}));
    ASSERT_TRUE(withWindow.Launch({L"Game"}));
    const DWORD first = FirstListed(withoutWindow.Process().Id(), withWindow.Process().Id());
    ASSERT_NE(first, 0u);
    // Whichever comes first in the process list decides, window or not.
    EXPECT_EQ(FindXSplitWindow(), first == withWindow.Process().Id() ? withWindow.Window() : nullptr);
}

TEST_F(XSplitControlTest, ClicksTheButtonWithExactlyThatCaption)
{
    SimulatedXSplit xsplit;
    ASSERT_TRUE(xsplit.Launch({L"Menus", L"Game", L"Game 2"}));
    ASSERT_TRUE(Locate());
    ClickSceneButton(target_, L"Game");
    ASSERT_TRUE(xsplit.WaitForClicks(1));
    EXPECT_EQ(xsplit.Clicks(), std::vector<std::wstring>{L"Game"});
    EXPECT_EQ(Status(), L"") << "a click writes no status text";
}

TEST_F(XSplitControlTest, OfTwoButtonsWithTheSameCaptionOnlyOneIsClickedOnce)
{
    SimulatedXSplit xsplit;
    ASSERT_TRUE(xsplit.Launch({L"Game", L"Game"}));
    ASSERT_TRUE(Locate());
    ClickSceneButton(target_, L"Game");
    ASSERT_TRUE(xsplit.WaitForClicks(1));
    Sleep(300);
    EXPECT_EQ(xsplit.Clicks().size(), 1u);
}

TEST_F(XSplitControlTest, NamesThatOnlyResembleACaptionAreReportedNotFound)
{
    SimulatedXSplit xsplit;
    ASSERT_TRUE(xsplit.Launch({L"Game"}, {L"--label", L"Away", L"--edit", L"Chat"}));
    ASSERT_TRUE(Locate());
    // Each is reported with the caption it most likely meant, when one is
    // near enough; a label's or an edit's text is no scene to name.
    const wchar_t* nearGame[] = {L"game", L"GAME", L"Game ", L" Game", L"Gam"};
    for (const wchar_t* name : nearGame) {
        ClickSceneButton(target_, name);
        EXPECT_EQ(Status(), L"Error: Scene '" + std::wstring(name) + L"' not found. Did you mean 'Game'?");
    }
    for (const wchar_t* name : {L"Away", L"Chat"}) {
        ClickSceneButton(target_, name);
        EXPECT_EQ(Status(), L"Error: Scene '" + std::wstring(name) + L"' not found.");
    }
    Sleep(200);
    EXPECT_TRUE(xsplit.Clicks().empty()) << "a label or an edit with the scene's text is never clicked";
}

TEST_F(XSplitControlTest, AnEmptyNameMatchesAButtonWithAnEmptyCaption)
{
    SimulatedXSplit xsplit;
    ASSERT_TRUE(xsplit.Launch({L"Game", L""}));
    ASSERT_TRUE(Locate());
    ClickSceneButton(target_, L"");
    ASSERT_TRUE(xsplit.WaitForClicks(1));
    EXPECT_EQ(xsplit.Clicks(), std::vector<std::wstring>{L""});
}

TEST_F(XSplitControlTest, LongCaptionsAreComparedByTheirFirst254Characters)
{
    const std::wstring caption = std::wstring(250, L'c') + L"DEFGHIJK";  // 258 characters
    SimulatedXSplit xsplit;
    ASSERT_TRUE(xsplit.Launch({caption}));
    ASSERT_TRUE(Locate());
    ClickSceneButton(target_, caption.c_str());
    EXPECT_EQ(Status().substr(0, 14), L"Error: Scene '") << "the whole caption is longer than what is compared";
    ClickSceneButton(target_, caption.substr(0, 254).c_str());
    ASSERT_TRUE(xsplit.WaitForClicks(1));
    EXPECT_EQ(xsplit.Clicks().front(), caption);
}

TEST_F(XSplitControlTest, ButtonsOfAnotherProcessInsideXSplitAreSkipped)
{
    SimulatedXSplit xsplit;
    ASSERT_TRUE(xsplit.Launch({L"Game"}));
    ASSERT_TRUE(Locate());
    HWND panel = FindWindowExW(xsplit.Window(), nullptr, kPanelClass, nullptr);
    ASSERT_NE(panel, nullptr);
    HWND intruder = CreateWindowW(L"Button", L"Intruder", WS_CHILD | WS_VISIBLE, 0, 200, 80, 20, panel, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(intruder, nullptr);
    ClickSceneButton(target_, L"Intruder");
    EXPECT_EQ(Status(), L"Error: Scene 'Intruder' not found.");
    DestroyWindow(intruder);
}

TEST_F(XSplitControlTest, AStaleWindowGivesNotFound)
{
    SimulatedXSplit xsplit;
    ASSERT_TRUE(xsplit.Launch({L"Game"}));
    ASSERT_TRUE(Locate());
    xsplit.Kill();
    ClickSceneButton(target_, L"Game");
    EXPECT_EQ(Status(), L"Error: Scene 'Game' not found.");
}

TEST_F(XSplitControlTest, AHungXSplitHoldsAClickOnlyForABoundedTime)
{
    SimulatedXSplit xsplit;
    ASSERT_TRUE(xsplit.Launch({L"Game"}, {L"--hang"}));
    ASSERT_TRUE(Locate());
    const ULONGLONG before = GetTickCount64();
    ClickSceneButton(target_, L"Game");
    const ULONGLONG took = GetTickCount64() - before;
    std::printf("a click into a hung XSplit returned after %llu ms\n", took);
    EXPECT_LT(took, 10000u) << "the click must not wait for a hung XSplit for ever";
}

TEST_F(XSplitControlTest, ReopeningTheWindowIsNoticedAndTheNewOneFound)
{
    SimulatedXSplit xsplit;
    ASSERT_TRUE(xsplit.Launch({L"Game"}));
    ASSERT_TRUE(WaitForXSplit(&target_));
    EXPECT_EQ(target_.window, xsplit.Window());
    EXPECT_EQ(target_.processId, xsplit.Process().Id());
    EXPECT_NE(target_.process, nullptr);
    EXPECT_FALSE(IsXSplitLost(target_));

    HWND old = target_.window;
    ASSERT_TRUE(xsplit.ReopenWindow());
    EXPECT_TRUE(IsXSplitLost(target_));
    ASSERT_TRUE(WaitForXSplit(&target_));
    EXPECT_NE(target_.window, old);
    EXPECT_EQ(target_.window, xsplit.Window());
    EXPECT_FALSE(IsXSplitLost(target_));
    ClickSceneButton(target_, L"Game");
    EXPECT_TRUE(xsplit.WaitForClicks(1));
}

TEST_F(XSplitControlTest, AnEndedProcessIsLostEvenBeforeItsWindowIsNoticedGone)
{
    SimulatedXSplit xsplit;
    ASSERT_TRUE(xsplit.Launch({L"Game"}));
    ASSERT_TRUE(WaitForXSplit(&target_));
    xsplit.Kill();
    EXPECT_TRUE(WaitUntil([this] { return IsXSplitLost(target_); }));
}

TEST_F(XSplitControlTest, WaitingForXSplitEndsWhenStopIsRequested)
{
    const ULONGLONG before = GetTickCount64();
    HANDLE stopper = CreateThread(nullptr, 0, [](void*) -> DWORD {
        Sleep(300);
        SetEvent(g_app.StopEvent);
        return 0;
    }, nullptr, 0, nullptr);
    EXPECT_FALSE(WaitForXSplit(&target_));
    const ULONGLONG took = GetTickCount64() - before;
    WaitForSingleObject(stopper, INFINITE);
    CloseHandle(stopper);
    EXPECT_GE(took, 250u);
    EXPECT_EQ(target_.process, nullptr);
    std::printf("the wait for XSplit ended %llu ms after it began (Stop at 300 ms)\n", took);
}

// Beside hundreds of processes one search takes seconds, so it gives up as
// soon as Stop is requested instead of finishing the walk.
TEST_F(XSplitControlTest, ASearchGivesUpWhenStopIsRequested)
{
    SimulatedXSplit xsplit;
    ASSERT_TRUE(xsplit.Launch({L"Game"}));
    SetEvent(g_app.StopEvent);
    EXPECT_EQ(FindXSplitWindow(), nullptr);
    ResetEvent(g_app.StopEvent);
    EXPECT_EQ(FindXSplitWindow(), xsplit.Window());
}

TEST_F(XSplitControlTest, WaitingForARunningXSplitTakesOneSearch)
{
    SimulatedXSplit xsplit;
    ASSERT_TRUE(xsplit.Launch({L"Game"}));
    const ULONGLONG before = GetTickCount64();
    ASSERT_TRUE(WaitForXSplit(&target_));
    std::printf("WaitForXSplit with XSplit running took %llu ms\n", GetTickCount64() - before);
    EXPECT_EQ(target_.window, xsplit.Window());
}

} // namespace
