// The tray icon in Wine's own notification area, with no stand-in: the
// program's icon shows there while it runs, with the status line as its tip,
// and is gone after; a click on it there brings back a window minimised to
// the tray.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "drive/program.h"
#include "drive/stored_settings.h"
#include "drive/wine_tray.h"

namespace {

// The icons that are in the tray now and were not in `before`.
std::vector<HWND> NewIcons(const std::vector<HWND>& before)
{
    std::vector<HWND> added;
    for (HWND icon : WineTrayIcons()) {
        if (std::find(before.begin(), before.end(), icon) == before.end())
            added.push_back(icon);
    }
    return added;
}

TEST(WineTrayTest, TheIconShowsInWinesTrayAndAClickThereBringsTheWindowBack)
{
    DeleteSettings();
    ASSERT_TRUE(WriteStoredDword(L"Minimize To Tray", 1));
    const std::vector<HWND> before = WineTrayIcons();
    KestrelcueProgram program;
    ASSERT_TRUE(program.Launch());
    std::vector<HWND> added;
    ASSERT_TRUE(WaitUntil([&] { return (added = NewIcons(before)).size() == 1; })) << "no icon in Wine's tray";
    HWND window = program.Window();
    // Its tip there is the status line.
    std::wstring tip;
    EXPECT_TRUE(WaitUntil([&] { return ReadWineTrayTip(added.front(), &tip) && tip == program.Status(); }))
        << "Wine's tray shows " << testing::PrintToString(tip) << " for " << testing::PrintToString(program.Status());
    program.PressStartStop();
    program.PressStartStop();
    ASSERT_TRUE(program.WaitForStatus(L"Aborted."));
    EXPECT_TRUE(WaitUntil([&] { return ReadWineTrayTip(added.front(), &tip) && tip == L"Aborted."; }))
        << "Wine's tray shows " << testing::PrintToString(tip);
    PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }));
    ClickWineTrayIcon(added.front());
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) && !IsIconic(window); }))
        << "a click in Wine's tray did not bring the window back";
    ASSERT_TRUE(program.Close());
    EXPECT_TRUE(WaitUntil([&] { return NewIcons(before).empty(); })) << "the icon outlived the program";
    DeleteSettings();
}

} // namespace
