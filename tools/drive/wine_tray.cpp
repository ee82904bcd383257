#include "drive/wine_tray.h"

namespace {

BOOL CALLBACK TakeIcon(HWND window, LPARAM icons)
{
    constexpr int kClassChars = 64;
    wchar_t className[kClassChars] = {};
    GetClassNameW(window, className, kClassChars);
    if (std::wstring(className) == L"__winex11_tray_icon" && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(icons)->push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> WineTrayIcons()
{
    std::vector<HWND> icons;
    HWND tray = nullptr;
    while ((tray = FindWindowExW(nullptr, tray, L"__winex11_standalone_tray", nullptr)) != nullptr)
        EnumChildWindows(tray, TakeIcon, reinterpret_cast<LPARAM>(&icons));
    return icons;
}

void ClickWineTrayIcon(HWND icon)
{
    RECT client;
    GetClientRect(icon, &client);
    const LPARAM middle = MAKELPARAM(client.right / 2, client.bottom / 2);
    PostMessageW(icon, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    PostMessageW(icon, WM_LBUTTONUP, 0, middle);
}
