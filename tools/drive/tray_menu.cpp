#include "drive/tray_menu.h"

#include "drive/child_process.h"

HWND WaitForPopupMenu(KestrelcueProgram& program, DWORD timeoutMs)
{
    HWND menu = nullptr;
    WaitUntil([&] { return (menu = program.Process().FindWindowOfClass(L"#32768")) != nullptr; }, timeoutMs);
    return menu;
}

HWND OpenTrayMenu(const StandInTray& tray, KestrelcueProgram& program)
{
    if (!tray.RightClick(program.Window()))
        return nullptr;
    return WaitForPopupMenu(program);
}

// The menu's tracking loop reads the keys from its thread's queue, as
// they come from the keyboard.
void TypeIntoMenu(HWND menu, wchar_t key)
{
    PostMessageW(menu, WM_CHAR, WPARAM(key), 1);
}

void PressEscapeInMenu(HWND menu)
{
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(menu, WM_KEYUP, VK_ESCAPE, 0xC0000001);
}

bool ChooseFromTrayMenu(const StandInTray& tray, KestrelcueProgram& program, wchar_t key, DWORD timeoutMs)
{
    HWND menu = OpenTrayMenu(tray, program);
    if (menu == nullptr)
        return false;
    TypeIntoMenu(menu, key);
    if (WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, timeoutMs))
        return true;
    PressEscapeInMenu(menu);
    WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, timeoutMs);
    return false;
}
