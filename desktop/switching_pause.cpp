#include "desktop/switching_pause.h"
#include "app/app_state.h"

#include <commctrl.h>
#include "status/status_line.h"

#include <cwchar>

namespace {

constexpr wchar_t kPausedText[] =
    L"Paused: no scene is switched. Choose Resume switching in the tray icon's menu to resume.";
constexpr wchar_t kPausedWithKeyFormat[] =
    L"Paused: no scene is switched. Press %s or choose Resume switching in the tray icon's menu to resume.";

// "Ctrl+Shift+F9" and the like: modifiers, then the key's name on this keyboard.
constexpr int kKeyNameChars = 64;

void NamePauseKey(wchar_t (&name)[kKeyNameChars], DWORD hotkey)
{
    const BYTE modifiers = HIBYTE(LOWORD(hotkey));
    const int used = std::swprintf(name, kKeyNameChars, L"%ls%ls%ls", (modifiers & HOTKEYF_CONTROL) ? L"Ctrl+" : L"",
                                   (modifiers & HOTKEYF_SHIFT) ? L"Shift+" : L"", (modifiers & HOTKEYF_ALT) ? L"Alt+" : L"");
    LONG scanCode = LONG(MapVirtualKeyW(LOBYTE(LOWORD(hotkey)), MAPVK_VK_TO_VSC)) << 16;
    if (modifiers & HOTKEYF_EXT)
        scanCode |= 1L << 24;
    if (GetKeyNameTextW(scanCode, name + used, kKeyNameChars - used) == 0)
        std::swprintf(name + used, size_t(kKeyNameChars - used), L"key %u", unsigned(LOBYTE(LOWORD(hotkey))));
    name[kKeyNameChars - 1] = L'\0';
}

void ShowPauseText()
{
    if (g_app.PauseHotkey == 0 || !g_app.PauseHotkeyRegistered) {
        ShowPauseInStatusLine(kPausedText);
        return;
    }
    wchar_t key[kKeyNameChars];
    NamePauseKey(key, g_app.PauseHotkey);
    wchar_t text[kStatusChars];
    FormatStatus(text, kPausedWithKeyFormat, key);
    ShowPauseInStatusLine(text);
}

} // namespace

bool IsSwitchingPaused()
{
    return g_app.SwitchingPaused.load();
}

void SetSwitchingPaused(bool paused)
{
    if (paused == IsSwitchingPaused())
        return;
    g_app.SwitchingPaused.store(paused);
    if (paused) {
        ShowPauseText();
        return;
    }
    ShowPauseInStatusLine(nullptr);
    ++g_app.Resumes;
    if (g_app.ResumeEvent != nullptr)
        SetEvent(g_app.ResumeEvent);
}

void ToggleSwitchingPaused()
{
    SetSwitchingPaused(!IsSwitchingPaused());
}
