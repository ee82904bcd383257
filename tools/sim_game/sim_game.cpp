// A stand-in for StarCraft II: a visible top-level window of class
// "StarCraft II" and the in-game flag byte at a fixed address, with buttons
// to start and end a game. Usage:
//   sim_game.exe [--flag-address HEX] [--in-game]
// The 64 KiB block that holds the flag is readable; the memory after it is
// not, so a flag placed near the block's end gives a partly readable window.
// "Make flag unreadable" releases the block. Under Wine, free memory below
// 0x68000000 lies in a range Wine keeps reserved and still reads as zeros:
// place the flag above it to see reads fail.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <cstdlib>

namespace {

constexpr uintptr_t kDefaultFlagAddress = 0x20000000;
constexpr SIZE_T kFlagBlockBytes = 0x10000;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 100;

enum ControlId { IdStartGame = 100, IdEndGame = 101, IdMakeUnreadable = 102, IdStatus = 103 };

struct SimGame {
    uintptr_t flagAddress;
    volatile BYTE* flag;
    bool unreadable;
    HWND status;
} g_sim = {kDefaultFlagAddress, nullptr, false, nullptr};

void ShowState()
{
    wchar_t text[128];
    if (g_sim.unreadable)
        swprintf(text, 128, L"Flag at 0x%08llX: unreadable", (unsigned long long)g_sim.flagAddress);
    else
        swprintf(text, 128, L"Flag at 0x%08llX = 0x%02X: %ls", (unsigned long long)g_sim.flagAddress,
                 unsigned(*g_sim.flag), *g_sim.flag ? L"in game" : L"in the menus");
    wchar_t current[128] = {};
    GetWindowTextW(g_sim.status, current, 128);
    if (std::wcscmp(current, text) != 0)
        SetWindowTextW(g_sim.status, text);
}

void OnCommand(HWND window, int id)
{
    if (id == IdMakeUnreadable && !g_sim.unreadable) {
        VirtualFree(reinterpret_cast<void*>(g_sim.flagAddress & ~(kFlagBlockBytes - 1)), 0, MEM_RELEASE);
        g_sim.unreadable = true;
    } else if (!g_sim.unreadable && (id == IdStartGame || id == IdEndGame)) {
        *g_sim.flag = id == IdStartGame ? 1 : 0;
    }
    ShowState();
    (void)window;
}

LRESULT CALLBACK GameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        const HWND buttons[] = {
            CreateWindowW(L"Button", L"Start game", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 110, 28,
                          window, HMENU(IdStartGame), instance, nullptr),
            CreateWindowW(L"Button", L"End game", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 130, 10, 110, 28,
                          window, HMENU(IdEndGame), instance, nullptr),
            CreateWindowW(L"Button", L"Make flag unreadable", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 250, 10, 150,
                          28, window, HMENU(IdMakeUnreadable), instance, nullptr),
        };
        // A game without its buttons cannot be driven: fail where it shows,
        // not in a test waiting for a click that never comes.
        if (std::find(std::begin(buttons), std::end(buttons), nullptr) != std::end(buttons))
            return -1;
        g_sim.status = CreateWindowW(L"Static", L"", WS_CHILD | WS_VISIBLE, 10, 50, 390, 20, window,
                                     HMENU(IdStatus), instance, nullptr);
        SetTimer(window, kRefreshTimer, kRefreshMs, nullptr);  // the flag may be written from outside
        ShowState();
        return 0;
    }
    case WM_TIMER:
        ShowState();
        return 0;
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool ReadArguments()
{
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    bool inGame = false;
    for (int i = 1; i < count; ++i) {
        if (std::wcscmp(args[i], L"--flag-address") == 0 && i + 1 < count)
            g_sim.flagAddress = uintptr_t(std::wcstoull(args[++i], nullptr, 16));
        else if (std::wcscmp(args[i], L"--in-game") == 0)
            inGame = true;
    }
    LocalFree(args);
    void* block = VirtualAlloc(reinterpret_cast<void*>(g_sim.flagAddress & ~(kFlagBlockBytes - 1)), kFlagBlockBytes,
                               MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (block == nullptr)
        return false;
    g_sim.flag = reinterpret_cast<volatile BYTE*>(g_sim.flagAddress);
    *g_sim.flag = inGame ? 1 : 0;
    return true;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    if (!ReadArguments()) {
        MessageBoxW(nullptr, L"Could not reserve the memory for the flag at the requested address.",
                    L"Simulated StarCraft II", MB_OK | MB_ICONERROR);
        return 2;
    }
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = GameWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"StarCraft II";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"StarCraft II", L"StarCraft II (simulated)", WS_OVERLAPPEDWINDOW,
                                40, 40, 430, 120, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, show);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
