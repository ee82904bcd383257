#include "drive/wine_tray.h"

#include <commctrl.h>

#include <cstring>

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

struct TooltipSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK TakeTooltip(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<TooltipSearch*>(lParam);
    constexpr int kClassChars = 64;
    wchar_t className[kClassChars] = {};
    GetClassNameW(window, className, kClassChars);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == search->processId && std::wstring(className) == TOOLTIPS_CLASSW)
        search->found.push_back(window);
    return TRUE;
}

// The tool info and, after it, room for the text: the tooltip copies up to
// 1024 characters (INFOTIPSIZE) and the terminator.
constexpr size_t kRemoteTextChars = 1025;
constexpr size_t kRemoteBytes = sizeof(TTTOOLINFOW) + kRemoteTextChars * sizeof(wchar_t);

} // namespace

bool ReadWineTrayTip(HWND icon, std::wstring* tip)
{
    DWORD explorerId = 0;
    GetWindowThreadProcessId(icon, &explorerId);
    TooltipSearch search = {explorerId, {}};
    EnumWindows(TakeTooltip, reinterpret_cast<LPARAM>(&search));
    HANDLE explorer = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, explorerId);
    if (explorer == nullptr)
        return false;
    bool read = false;
    BYTE* remote = static_cast<BYTE*>(VirtualAllocEx(explorer, nullptr, kRemoteBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    for (size_t i = 0; remote != nullptr && i < search.found.size() && !read; ++i) {
        const LRESULT tools = SendMessageW(search.found[i], TTM_GETTOOLCOUNT, 0, 0);
        for (LRESULT t = 0; t < tools && !read; ++t) {
            TTTOOLINFOW info = {};
            info.cbSize = sizeof info;
            info.lpszText = reinterpret_cast<wchar_t*>(remote + sizeof info);
            std::vector<BYTE> empty(kRemoteBytes, 0);
            std::memcpy(empty.data(), &info, sizeof info);
            if (!WriteProcessMemory(explorer, remote, empty.data(), kRemoteBytes, nullptr) ||
                !SendMessageW(search.found[i], TTM_ENUMTOOLSW, WPARAM(t), reinterpret_cast<LPARAM>(remote)))
                continue;
            std::vector<BYTE> answer(kRemoteBytes);
            if (!ReadProcessMemory(explorer, remote, answer.data(), kRemoteBytes, nullptr))
                continue;
            std::memcpy(&info, answer.data(), sizeof info);
            if (info.hwnd != icon)
                continue;
            wchar_t text[kRemoteTextChars];
            std::memcpy(text, answer.data() + sizeof info, sizeof text);
            text[kRemoteTextChars - 1] = L'\0';
            *tip = text;
            read = true;
        }
    }
    if (remote != nullptr)
        VirtualFreeEx(explorer, remote, 0, MEM_RELEASE);
    CloseHandle(explorer);
    return read;
}

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
