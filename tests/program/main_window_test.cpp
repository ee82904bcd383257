// The main window as a user first sees it, and "/autostart".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive/program.h"
#include "template_layout.h"

namespace {

constexpr LONG kEdit = kTemplateEdit, kCombo = kTemplateDropDownList, kLabel = kTemplateLabel;

const std::vector<TemplateControl> kMainControls = {
    {-1, L"Button", BS_GROUPBOX, L"When entering a game", 7, 7, 89, 30, false},
    {1004, L"Edit", kEdit, L"", 15, 17, 70, 14, true},
    {-1, L"Button", BS_GROUPBOX, L"When leaving a game", 7, 42, 89, 30, false},
    {1006, L"Edit", kEdit, L"", 15, 52, 70, 14, true},
    {-1, L"Button", BS_GROUPBOX, L"When alt+tabbing out", 103, 7, 89, 30, false},
    {1007, L"Edit", kEdit, L"", 108, 17, 70, 14, true},
    {-1, L"Button", BS_GROUPBOX, L"When alt+tabbing in", 103, 42, 89, 30, false},
    {1008, L"Edit", kEdit, L"", 108, 52, 70, 14, true},
    {1005, L"Button", BS_AUTOCHECKBOX, L"Apply game status on alt+tab", 7, 78, 114, 10, true},
    {1009, L"ComboBox", kCombo, L"", 140, 85, 53, 90, true},
    {1010, L"Button", BS_AUTOCHECKBOX, L"Apply game status when tabbed out", 7, 90, 129, 10, true},
    {-1, L"Static", kLabel, L"Patch", 140, 76, 19, 8, false},
    {1012, L"Static", kLabel, L"Waiting...", 0, 136, 205, 10, false},
    {1013, L"Button", BS_AUTOCHECKBOX, L"Network Mode", 7, 108, 62, 10, true},
    {1014, L"Button", BS_PUSHBUTTON, L"Setup...", 7, 119, 50, 14, true},
    {1011, L"Button", BS_PUSHBUTTON, L"Start", 143, 119, 50, 14, true},
};

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override { DeleteSettings(); }
    KestrelcueProgram program;
};

TEST_F(MainWindowTest, ShowsEveryControlOfTheTemplateInOrder)
{
    ASSERT_TRUE(program.Launch());
    HWND window = program.Window();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    // Where the dialog manager puts each control of the template on this
    // machine, with its fonts.
    ASSERT_NO_FATAL_FAILURE(ExpectDialogAsItsTemplate(window, 101, 205, 147, kMainControls));
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        EXPECT_TRUE(IsWindowEnabled(child)) << "control " << GetDlgCtrlID(child);
        EXPECT_TRUE(IsWindowVisible(child)) << "control " << GetDlgCtrlID(child);
    }
    EXPECT_TRUE(GetWindowLongW(program.Control(1012), GWL_STYLE) & SS_SUNKEN);
    // No default push button: Enter goes to the focused control.
    EXPECT_EQ(GetWindowLongW(program.Control(1011), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    EXPECT_EQ(GetWindowLongW(program.Control(1014), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
}

TEST_F(MainWindowTest, EnterAndEscapeOnTheFieldsDoNothing)
{
    ASSERT_TRUE(program.Launch());
    for (int id : {1004, 1005, 1009, 1013}) {
        for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
            PostMessageW(program.Control(id), WM_KEYDOWN, key, 1);
            PostMessageW(program.Control(id), WM_KEYUP, key, 0xC0000001);
        }
    }
    // Let the posted keys pass through the message loop.
    Sleep(300);
    EXPECT_TRUE(program.Process().IsRunning());
    EXPECT_TRUE(IsWindowVisible(program.Window()));
    EXPECT_EQ(program.Text(1011), L"Start");
    EXPECT_EQ(program.Status(), L"Waiting...");
}

struct AutostartCase {
    std::vector<std::wstring> args;
    bool starts;
};

TEST_F(MainWindowTest, AutostartPressesStartOnlyWhenGivenExactly)
{
    const AutostartCase cases[] = {
        {{L"/autostart"}, true},
        {{L"/autostart", L"now"}, false},
        {{L"/AUTOSTART"}, false},
        {{L"/Autostart"}, false},
        {{}, false},
    };
    for (const AutostartCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        KestrelcueProgram run;
        ASSERT_TRUE(run.Launch(c.args));
        if (c.starts) {
            EXPECT_TRUE(run.WaitForStatus(L"Finding StarCraft II window..."));
            EXPECT_EQ(run.Text(1011), L"Stop");
        } else {
            Sleep(500);
            EXPECT_EQ(run.Text(1011), L"Start");
            EXPECT_EQ(run.Status(), L"Waiting...");
        }
        EXPECT_TRUE(run.Close());
    }
}

// The switch is looked for where Windows programs find their arguments:
// quotes may open and close anywhere in the program's name, and the name
// ends at the first blank outside quotes (or any character below it).
TEST_F(MainWindowTest, AutostartIsLookedForAfterTheProgramNameAsWindowsSplitsIt)
{
    const struct {
        const wchar_t* commandLine;
        bool starts;
    } cases[] = {
        {L"Kestrelcue.exe /autostart", true},
        {L"\"C:\\Program Files\\Kestrelcue\\Kestrelcue.exe\"   /autostart", true},
        {L"Kestrel\"cue and \"more.exe /autostart", true},
        {L"Kestrelcue.exe\x01/autostart", true},
        {L"\"Kestrelcue.exe\"/autostart", false},
        {L"Kestrel\"cue.exe /autostart", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.commandLine)));
        KestrelcueProgram run;
        ASSERT_TRUE(run.LaunchWithCommandLine(c.commandLine));
        if (c.starts) {
            EXPECT_TRUE(run.WaitForStatus(L"Finding StarCraft II window..."));
        } else {
            Sleep(500);
            EXPECT_EQ(run.Status(), L"Waiting...");
        }
        EXPECT_EQ(run.Text(1011), c.starts ? L"Stop" : L"Start");
        EXPECT_TRUE(run.Close());
    }
}

} // namespace
