// "Start with Windows" in Options: the value "Kestrelcue" under the current
// user's Run key, written with this exe's path and "/autostart" on OK,
// removed when the box is cleared, and shown checked only when it names
// this exe. Started that way with "Minimize To Tray", the program begins
// hidden in the tray, watching.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <string>

#include "drive/child_process.h"
#include "drive/network_setup.h"
#include "drive/options_dialog.h"
#include "drive/program.h"
#include "drive/stand_in_tray.h"
#include "drive/stored_settings.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Kestrelcue";

// False when absent; REG_SZ texts only.
bool ReadRunValue(std::wstring* text, DWORD* type = nullptr)
{
    constexpr DWORD kRunTextChars = 2048;
    wchar_t buffer[kRunTextChars] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    DWORD storedType = REG_NONE;
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, RRF_RT_ANY | RRF_NOEXPAND, &storedType, buffer, &size) !=
        ERROR_SUCCESS)
        return false;
    buffer[kRunTextChars - 1] = L'\0';
    *text = buffer;
    if (type != nullptr)
        *type = storedType;
    return true;
}

bool WriteRunValue(const std::wstring& text)
{
    return RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, REG_SZ, text.c_str(),
                           DWORD((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void DeleteRunValue()
{
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue);
}

std::wstring Upper(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return wchar_t(std::towupper(c)); });
    return text;
}

std::wstring ExePath()
{
    return BinaryPath(L"Kestrelcue.exe");
}

class AutostartTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        DeleteRunValue();
    }
    void TearDown() override
    {
        DeleteSettings();
        DeleteRunValue();
    }

    // Opens Options and tells whether "Start with Windows" shows checked;
    // the dialog stays open in *dialog.
    bool ShownChecked(HWND* dialog)
    {
        *dialog = OpenOptions(program);
        EXPECT_NE(*dialog, nullptr);
        return *dialog != nullptr && IsOptionsBoxChecked(*dialog, kOptionsStartWithWindows);
    }

    void Press(HWND dialog, int button)
    {
        PressOptionsButton(dialog, button);
        ASSERT_TRUE(WaitForDialogGone(dialog));
    }

    KestrelcueProgram program;
};

TEST_F(AutostartTest, TheBoxWritesTheRunValueOnOkAndRemovesIt)
{
    ASSERT_TRUE(program.Launch());
    HWND dialog = nullptr;
    EXPECT_FALSE(ShownChecked(&dialog));
    ASSERT_NE(dialog, nullptr);
    SetOptionsBox(dialog, kOptionsStartWithWindows, true);
    ASSERT_NO_FATAL_FAILURE(Press(dialog, IDCANCEL));
    std::wstring text;
    EXPECT_FALSE(ReadRunValue(&text)) << "Cancel wrote " << testing::PrintToString(text);

    EXPECT_FALSE(ShownChecked(&dialog));
    SetOptionsBox(dialog, kOptionsStartWithWindows, true);
    ASSERT_NO_FATAL_FAILURE(Press(dialog, IDOK));
    DWORD type = REG_NONE;
    ASSERT_TRUE(ReadRunValue(&text, &type)) << "OK wrote no Run value";
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(text, L"\"" + ExePath() + L"\" /autostart");

    EXPECT_TRUE(ShownChecked(&dialog)) << "the value just written is not recognised";
    SetOptionsBox(dialog, kOptionsStartWithWindows, false);
    ASSERT_NO_FATAL_FAILURE(Press(dialog, IDOK));
    EXPECT_FALSE(ReadRunValue(&text)) << "clearing the box left " << testing::PrintToString(text);
    ASSERT_TRUE(program.Close());
    EXPECT_EQ(StoredValueNames().size(), 9u) << "the Run value is no setting of the program's key";
}

TEST_F(AutostartTest, AValueForThisExeIsRecognisedWhateverItsCaseAndQuotes)
{
    ASSERT_TRUE(program.Launch());
    const struct {
        const char* name;
        std::wstring text;
        bool ours;
    } cases[] = {
        {"as written", L"\"" + ExePath() + L"\" /autostart", true},
        {"other letter case", L"\"" + Upper(ExePath()) + L"\" /autostart", true},
        {"no quotes", ExePath() + L" /autostart", true},
        {"no switch", L"\"" + ExePath() + L"\"", true},
        {"another copy", L"\"C:\\Other place\\Kestrelcue.exe\" /autostart", false},
        {"a longer name", L"\"" + ExePath() + L".old\" /autostart", false},
        {"empty", L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteRunValue(c.text));
        HWND dialog = nullptr;
        EXPECT_EQ(ShownChecked(&dialog), c.ours);
        ASSERT_NE(dialog, nullptr);
        // OK with the box as shown changes nothing: another copy's value stays.
        ASSERT_NO_FATAL_FAILURE(Press(dialog, IDOK));
        std::wstring text;
        ASSERT_TRUE(ReadRunValue(&text));
        EXPECT_EQ(text, c.text);
    }
    // Checked over another copy's value, this exe takes its place.
    ASSERT_TRUE(WriteRunValue(L"\"C:\\Other place\\Kestrelcue.exe\" /autostart"));
    HWND dialog = nullptr;
    ASSERT_FALSE(ShownChecked(&dialog));
    SetOptionsBox(dialog, kOptionsStartWithWindows, true);
    ASSERT_NO_FATAL_FAILURE(Press(dialog, IDOK));
    std::wstring text;
    ASSERT_TRUE(ReadRunValue(&text));
    EXPECT_EQ(text, L"\"" + ExePath() + L"\" /autostart");
    ASSERT_TRUE(program.Close());
}

TEST_F(AutostartTest, AtSignInWithMinimizeToTrayItStartsHiddenInTheTrayAndWatches)
{
    StandInTray tray;
    ASSERT_TRUE(tray.Start());
    ASSERT_TRUE(WriteStoredDword(L"Minimize To Tray", 1));
    program.AcceptHiddenWindow();
    ASSERT_TRUE(program.Launch({L"/autostart"}));
    HWND window = program.Window();
    ASSERT_TRUE(tray.WaitForIcon(window));
    EXPECT_TRUE(WaitUntil([&] { return program.Text(1011) == L"Stop"; })) << "the worker was not started";
    EXPECT_FALSE(IsWindowVisible(window)) << "the window showed at sign-in";
    TrayIconState icon;
    ASSERT_TRUE(WaitUntil([&] { return tray.IconOf(window, &icon) && icon.version != 0; }));
    ASSERT_TRUE(tray.Click(window));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) && !IsIconic(window); }));
    ASSERT_TRUE(program.Close());
}

// Each alone is what it always was: /autostart starts the worker with the
// window shown; "Minimize To Tray" without it shows the window.
TEST_F(AutostartTest, EitherAloneShowsTheWindow)
{
    {
        KestrelcueProgram atSignIn;
        ASSERT_TRUE(atSignIn.Launch({L"/autostart"}));
        EXPECT_TRUE(WaitUntil([&] { return atSignIn.Text(1011) == L"Stop"; }));
        EXPECT_TRUE(IsWindowVisible(atSignIn.Window()));
        ASSERT_TRUE(atSignIn.Close());
    }
    ASSERT_TRUE(WriteStoredDword(L"Minimize To Tray", 1));
    ASSERT_TRUE(program.Launch());
    EXPECT_TRUE(IsWindowVisible(program.Window()));
    EXPECT_EQ(program.Text(1011), L"Start");
    ASSERT_TRUE(program.Close());
}

} // namespace
