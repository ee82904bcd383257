#include "desktop/pause_key.h"

#include <commctrl.h>

#include "app/app_state.h"
#include "status/status_line.h"

const wchar_t kPauseKeyTakenText[] = L"Another program already uses this key.";

namespace {

// The hot key control and RegisterHotKey number the modifiers differently.
UINT ModifiersOf(DWORD hotkey)
{
    const BYTE flags = HIBYTE(LOWORD(hotkey));
    UINT modifiers = MOD_NOREPEAT;  // a held key pauses once, not on every repeat
    if (flags & HOTKEYF_SHIFT)
        modifiers |= MOD_SHIFT;
    if (flags & HOTKEYF_CONTROL)
        modifiers |= MOD_CONTROL;
    if (flags & HOTKEYF_ALT)
        modifiers |= MOD_ALT;
    return modifiers;
}

UINT KeyOf(DWORD hotkey)
{
    return LOBYTE(LOWORD(hotkey));
}

} // namespace

bool RegisterPauseKey(HWND mainWindow, DWORD hotkey)
{
    if (g_app.PauseHotkeyRegistered) {
        UnregisterHotKey(mainWindow, kPauseHotkeyId);
        g_app.PauseHotkeyRegistered = false;
    }
    if (KeyOf(hotkey) == 0)
        return true;
    g_app.PauseHotkeyRegistered = RegisterHotKey(mainWindow, kPauseHotkeyId, ModifiersOf(hotkey), KeyOf(hotkey)) != FALSE;
    return g_app.PauseHotkeyRegistered;
}

bool ReplacePauseKey(HWND mainWindow, DWORD hotkey)
{
    if (hotkey == g_app.PauseHotkey && (g_app.PauseHotkeyRegistered || KeyOf(hotkey) == 0))
        return true;
    if (RegisterPauseKey(mainWindow, hotkey)) {
        g_app.PauseHotkey = hotkey;
        return true;
    }
    RegisterPauseKey(mainWindow, g_app.PauseHotkey);
    return false;
}

void RegisterStoredPauseKey(HWND mainWindow)
{
    if (!RegisterPauseKey(mainWindow, g_app.PauseHotkey))
        SetStatusLine(L"The pause key does nothing: another program already uses it. Choose another in Options.");
}
