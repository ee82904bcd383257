// The pause key: chosen in Options' hot key control, stored under "Pause
// Hotkey" as the control gives it, held by the program for all of Windows
// while it runs, and toggling the pause as the tray menu's item does. A key
// that another program holds is said, in Options and at start-up.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "drive/message_box.h"
#include "drive/network_setup.h"
#include "drive/options_dialog.h"
#include "drive/program.h"
#include "drive/stand_in_tray.h"
#include "drive/stored_settings.h"
#include "drive/tray_menu.h"

namespace {

constexpr wchar_t kPauseHotkey[] = L"Pause Hotkey";
constexpr wchar_t kTakenInOptions[] = L"Another program already uses this key.";
constexpr wchar_t kTakenAtStart[] =
    L"The pause key does nothing: another program already uses it. Choose another in Options.";

// Ctrl+Shift+F9 as the hot key control gives it, and as RegisterHotKey takes it.
constexpr WORD kControlShiftF9 = MAKEWORD(VK_F9, HOTKEYF_CONTROL | HOTKEYF_SHIFT);
constexpr WORD kAltF10 = MAKEWORD(VK_F10, HOTKEYF_ALT);
constexpr WORD kAltF11 = MAKEWORD(VK_F11, HOTKEYF_ALT);
constexpr int kTestHotkeyId = 7;

// A combination held by this test process, as another program would hold
// it: by a window of its own, let go with the window.
class HeldCombination {
public:
    HeldCombination(UINT modifiers, UINT key)
    {
        window_ = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        held_ = window_ != nullptr && RegisterHotKey(window_, kTestHotkeyId, modifiers | MOD_NOREPEAT, key);
        error_ = GetLastError();
    }
    ~HeldCombination()
    {
        if (held_)
            UnregisterHotKey(window_, kTestHotkeyId);
        if (window_ != nullptr)
            DestroyWindow(window_);
    }
    HeldCombination(const HeldCombination&) = delete;
    HeldCombination& operator=(const HeldCombination&) = delete;
    bool Held() const { return held_; }
    DWORD Error() const { return error_; }

private:
    HWND window_ = nullptr;
    bool held_ = false;
    DWORD error_ = 0;
};

// Whether this test process could take the combination: false while
// another program (the one under test) holds it.
bool IsCombinationFree(UINT modifiers, UINT key)
{
    return HeldCombination(modifiers, key).Held();
}

INPUT KeyInput(WORD key, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// Ctrl+Shift+F9 from the keyboard, as the user presses it in the game.
void PressControlShiftF9()
{
    std::vector<INPUT> inputs = {KeyInput(VK_CONTROL, false), KeyInput(VK_SHIFT, false), KeyInput(VK_F9, false),
                                 KeyInput(VK_F9, true),       KeyInput(VK_SHIFT, true),   KeyInput(VK_CONTROL, true)};
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The key comes as a posted WM_HOTKEY, while the shell's click is sent and
// so handled before anything posted. A selection posted to a scene field
// after the key is made once everything queued before it is handled.
void WaitUntilQueuedInputIsHandled(const KestrelcueProgram& program)
{
    constexpr int kField = 1004;
    program.SetText(kField, L"Game");
    SendMessageW(program.Control(kField), EM_SETSEL, 0, 0);
    PostMessageW(program.Control(kField), EM_SETSEL, 1, 3);
    // EM_GETSEL's result holds the start in its low word and the end in its high word.
    EXPECT_TRUE(WaitUntil([&] { return SendMessageW(program.Control(kField), EM_GETSEL, 0, 0) == MAKELONG(1, 3); }));
}

void PressPauseKey(const KestrelcueProgram& program)
{
    PressControlShiftF9();
    WaitUntilQueuedInputIsHandled(program);
}

class PauseKeyTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        tray = std::make_unique<StandInTray>();
        ASSERT_TRUE(tray->Start());
    }
    void TearDown() override { DeleteSettings(); }

    void LaunchWithIcon()
    {
        ASSERT_TRUE(program.Launch());
        TrayIconState icon;
        ASSERT_TRUE(WaitUntil([&] { return tray->IconOf(program.Window(), &icon) && icon.version != 0; }));
    }

    std::unique_ptr<StandInTray> tray;
    KestrelcueProgram program;
};

TEST_F(PauseKeyTest, NoKeyUntilOneIsChosen)
{
    ASSERT_NO_FATAL_FAILURE(LaunchWithIcon());
    HWND dialog = OpenOptions(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ShownPauseKey(dialog), 0);
    PressOptionsButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ASSERT_TRUE(program.Close());
    StoredValue value;
    EXPECT_FALSE(ReadStoredValue(kPauseHotkey, &value)) << "no key chosen, yet one stored";
}

TEST_F(PauseKeyTest, TheChosenKeyIsHeldStoredAndPausesAndResumes)
{
    ASSERT_TRUE(IsCombinationFree(MOD_CONTROL | MOD_SHIFT, VK_F9));
    ASSERT_NO_FATAL_FAILURE(LaunchWithIcon());
    HWND dialog = OpenOptions(program);
    ASSERT_NE(dialog, nullptr);
    ChoosePauseKey(dialog, kControlShiftF9);
    PressOptionsButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    EXPECT_FALSE(IsCombinationFree(MOD_CONTROL | MOD_SHIFT, VK_F9)) << "the program does not hold the key";

    // The tray menu's item says which way the key turned it; choosing the
    // item turns it again.
    PressPauseKey(program);
    EXPECT_TRUE(ChooseFromTrayMenu(*tray, program, L'r')) << "the key did not pause switching";
    // Resumed by the menu: two presses come back to switching, and the
    // menu pauses.
    PressPauseKey(program);
    PressPauseKey(program);
    EXPECT_TRUE(ChooseFromTrayMenu(*tray, program, L'p')) << "two presses did not come back to switching";
    // Paused by the menu: the key resumes.
    PressPauseKey(program);
    EXPECT_TRUE(ChooseFromTrayMenu(*tray, program, L'p')) << "the key did not resume switching";
    ASSERT_TRUE(program.Close());
    EXPECT_TRUE(IsCombinationFree(MOD_CONTROL | MOD_SHIFT, VK_F9)) << "the key outlived the program";
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(kPauseHotkey, &value));
    EXPECT_EQ(value.type, DWORD(REG_DWORD));
    EXPECT_EQ(value.bytes, DwordBytes(kControlShiftF9));

    // The next run holds it from the start and shows it.
    KestrelcueProgram again;
    ASSERT_TRUE(again.Launch());
    EXPECT_FALSE(IsCombinationFree(MOD_CONTROL | MOD_SHIFT, VK_F9));
    dialog = OpenOptions(again);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ShownPauseKey(dialog), kControlShiftF9);
    // None again: the key is let go at once.
    PressOptionsButton(dialog, kOptionsPauseKeyNone);
    EXPECT_TRUE(WaitUntil([&] { return ShownPauseKey(dialog) == 0; })) << "None left the key";
    PressOptionsButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    EXPECT_TRUE(IsCombinationFree(MOD_CONTROL | MOD_SHIFT, VK_F9));
    ASSERT_TRUE(again.Close());
    ASSERT_TRUE(ReadStoredValue(kPauseHotkey, &value));
    EXPECT_EQ(value.bytes, DwordBytes(0));
}

TEST_F(PauseKeyTest, AKeyAnotherProgramHoldsIsSaidInOptions)
{
    HeldCombination taken(MOD_ALT, VK_F10);
    ASSERT_TRUE(taken.Held()) << "error " << taken.Error();
    ASSERT_NO_FATAL_FAILURE(LaunchWithIcon());
    HWND dialog = OpenOptions(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindowTextLengthW(GetDlgItem(dialog, kOptionsPauseKeyResult)), 0);
    ChoosePauseKey(dialog, kAltF10);
    PressOptionsButton(dialog, IDOK);
    auto said = [&] {
        constexpr int kChars = 256;
        wchar_t text[kChars] = {};
        GetDlgItemTextW(dialog, kOptionsPauseKeyResult, text, kChars);
        return std::wstring(text);
    };
    EXPECT_TRUE(WaitUntil([&] { return said() == kTakenInOptions; })) << testing::PrintToString(said());
    EXPECT_TRUE(IsWindow(dialog)) << "OK closed the dialog over a key that does nothing";
    // Another key is taken, and the words go.
    ChoosePauseKey(dialog, kControlShiftF9);
    EXPECT_EQ(said(), L"") << "the words stayed over a new choice";
    PressOptionsButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ASSERT_TRUE(program.Close());
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(kPauseHotkey, &value));
    EXPECT_EQ(value.bytes, DwordBytes(kControlShiftF9));
}

// OK refused over a new key, then Cancel: the key held before is still the
// pause key, and the new one is not held.
TEST_F(PauseKeyTest, CancelAfterARefusedOkKeepsTheKeyAsItWas)
{
    ASSERT_TRUE(WriteStoredDword(kPauseHotkey, kControlShiftF9));
    ASSERT_NO_FATAL_FAILURE(LaunchWithIcon());
    HWND dialog = OpenOptions(program);
    ASSERT_NE(dialog, nullptr);
    ChoosePauseKey(dialog, kAltF10);
    ChooseObs(dialog, L"127.0.0.1", 4455, L"");
    SetWindowTextAcross(GetDlgItem(dialog, kOptionsObsPort), L"70000");
    PressOptionsButton(dialog, IDOK);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(program.Process().Id())) != nullptr; }));
    DismissMessageBox(box);
    PressOptionsButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    EXPECT_TRUE(IsCombinationFree(MOD_ALT, VK_F10)) << "the refused OK left the new key held";
    EXPECT_FALSE(IsCombinationFree(MOD_CONTROL | MOD_SHIFT, VK_F9)) << "the key held before was let go";
    ASSERT_TRUE(program.Close());
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(kPauseHotkey, &value));
    EXPECT_EQ(value.bytes, DwordBytes(kControlShiftF9));
}

TEST_F(PauseKeyTest, AStoredKeyAnotherProgramHoldsIsSaidAtStart)
{
    ASSERT_TRUE(WriteStoredDword(kPauseHotkey, kAltF11));
    HeldCombination taken(MOD_ALT, VK_F11);
    ASSERT_TRUE(taken.Held()) << "error " << taken.Error();
    ASSERT_NO_FATAL_FAILURE(LaunchWithIcon());
    EXPECT_TRUE(program.WaitForStatus(kTakenAtStart)) << testing::PrintToString(program.Status());
    EXPECT_TRUE(tray->WaitForTip(program.Window(), std::wstring(kTakenAtStart)));
    ASSERT_TRUE(program.Close());
    // Kept as chosen: it works again once the other program lets it go.
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(kPauseHotkey, &value));
    EXPECT_EQ(value.bytes, DwordBytes(kAltF11));
}

} // namespace
