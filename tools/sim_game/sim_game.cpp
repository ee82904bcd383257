// A stand-in for StarCraft II: a visible top-level window of class
// "StarCraft II", the in-game flag byte at a fixed address, and the game's
// client API on 127.0.0.1, with buttons for the game's screens, so that both
// ways of knowing whether a game runs can be tried on one simulated game.
// Usage:
//   sim_game.exe [--flag-address HEX] [--in-game] [--api-port N] [--api-address A.B.C.D]
//                [--api-closed] [--api-slow MS] [--api-status N] [--api-garbage]
//                [--api-oversized] [--api-reset] [--api-half-then-hang]
//                [--api-game-slow MS] [--api-game-broken 1|2] [--api-redirect PORT]
//                [--api-control-bytes] [--api-chunked]
// The buttons move between the screens Menus, Loading, In game (the user's
// own game, or one of two others with "Observe game"), Score screen ("End
// game", won; "End game (loss)") and Replay; GET /ui and GET /game answer as
// the real game does on them, and the flag is 1 in a game and in a replay,
// 0 elsewhere. The API listens on 127.0.0.1 unless told another address
// (another loopback address stands for another computer in tests). A flag
// written from outside (as tests do) changes the flag only: the API goes on
// telling the screen last chosen by a button, and the status line shows both.
// The API's faults are switched while running by kSimSetApiFaultMessage
// (sim_game_control.h), with the same meaning as the options.
// The 64 KiB block that holds the flag is readable; the memory after it is
// not, so a flag placed near the block's end gives a partly readable window.
// "Make flag unreadable" releases the block. Under Wine, free memory below
// 0x68000000 lies in a range Wine keeps reserved and still reads as zeros:
// place the flag above it to see reads fail.
#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "sim_game/api_faults.h"
#include "sim_game/api_server.h"
#include "sim_game/game_screens.h"
#include "sim_game/sim_game_control.h"

namespace {

constexpr uintptr_t kDefaultFlagAddress = 0x20000000;
constexpr SIZE_T kFlagBlockBytes = 0x10000;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 100;
constexpr int kScreenStatusId = 103;
constexpr int kApiStatusId = 107;
constexpr size_t kStatusChars = 160;
constexpr size_t kMessageChars = 256;
constexpr size_t kAddressChars = 64;
constexpr wchar_t kCaption[] = L"Simulated StarCraft II";

struct SimGame {
    uintptr_t flagAddress = kDefaultFlagAddress;
    volatile BYTE* flag = nullptr;
    bool unreadable = false;
    HWND screenStatus = nullptr;
    HWND apiStatus = nullptr;
    GameView view;
    ApiFaults faults;
    unsigned short apiPort = kSimDefaultApiPort;
    ULONG apiAddress = htonl(INADDR_LOOPBACK);  // network order
} g_sim;

// The most a line-up sent by WM_COPYDATA may be.
constexpr DWORD kLineupLimitBytes = 16384;

// Changes the static's text only when it differs, so the timer causes no flicker.
void SetStatusText(HWND status, const wchar_t* text)
{
    wchar_t current[kStatusChars] = {};
    GetWindowTextW(status, current, int(kStatusChars));
    current[kStatusChars - 1] = L'\0';
    if (std::wcscmp(current, text) != 0)
        SetWindowTextW(status, text);
}

void ShowState()
{
    wchar_t text[kStatusChars];
    const wchar_t* screen = ScreenLabel(g_sim.view.screen);
    if (g_sim.unreadable)
        std::swprintf(text, kStatusChars, L"Screen: %ls. Flag at 0x%08llX: unreadable", screen,
                      (unsigned long long)g_sim.flagAddress);
    else
        std::swprintf(text, kStatusChars, L"Screen: %ls. Flag at 0x%08llX = 0x%02X: %ls", screen,
                      (unsigned long long)g_sim.flagAddress, unsigned(*g_sim.flag),
                      *g_sim.flag ? L"in game" : L"in the menus");
    text[kStatusChars - 1] = L'\0';
    SetStatusText(g_sim.screenStatus, text);

    const wchar_t* listener = L"listening";
    switch (CurrentListenerState()) {
    case ListenerState::Listening: break;
    case ListenerState::Closed: listener = L"closed"; break;
    case ListenerState::PortBusy: listener = L"port in use, trying again"; break;
    }
    const BYTE* address = reinterpret_cast<const BYTE*>(&g_sim.apiAddress);
    std::swprintf(text, kStatusChars, L"API on %u.%u.%u.%u:%u: %ls%ls", address[0], address[1], address[2], address[3],
                  unsigned(g_sim.apiPort), listener, DescribeApiFaults(g_sim.faults).c_str());
    text[kStatusChars - 1] = L'\0';
    SetStatusText(g_sim.apiStatus, text);
}

void PublishScreen()
{
    PublishGameView(g_sim.view);
    if (!g_sim.unreadable)
        *g_sim.flag = IsFlagSetOn(g_sim.view.screen) ? 1 : 0;
}

void ChangeScreen(Screen next)
{
    ShowScreen(&g_sim.view, next, GetTickCount64());
    PublishScreen();
}

void OnCommand(int id)
{
    switch (id) {
    case kSimMakeFlagUnreadableCommand:
        if (!g_sim.unreadable) {
            VirtualFree(reinterpret_cast<void*>(g_sim.flagAddress & ~(kFlagBlockBytes - 1)), 0, MEM_RELEASE);
            g_sim.unreadable = true;
        }
        break;
    case kSimShowMenusCommand: ChangeScreen(Screen::Menus); break;
    case kSimShowLoadingCommand: ChangeScreen(Screen::Loading); break;
    case kSimStartGameCommand: ChangeScreen(Screen::InGame); break;
    case kSimEndGameCommand: ChangeScreen(Screen::Score); break;
    case kSimStartReplayCommand: ChangeScreen(Screen::Replay); break;
    case kSimObserveGameCommand:
        ShowScreenWith(&g_sim.view, Screen::InGame, GetTickCount64(), ObservedLineup());
        PublishScreen();
        break;
    case kSimEndGameLostCommand:
        ShowLostScore(&g_sim.view, GetTickCount64());
        PublishScreen();
        break;
    case kSimShowMapAgainCommand:
        ShowMapAgain(&g_sim.view);
        PublishScreen();
        break;
    case kSimTurnResultsCommand:
        TurnResults(&g_sim.view);
        PublishScreen();
        break;
    default: return;
    }
    ShowState();
}

LRESULT OnSetApiFault(WPARAM kind, LPARAM value)
{
    if (!SwitchApiFault(&g_sim.faults, kind, value))
        return 0;
    PutApiFaultsInForce(g_sim.faults);
    ShowState();
    return 1;
}

LRESULT OnCopyData(const COPYDATASTRUCT* data)
{
    if (data == nullptr || data->dwData != kSimLineupCopyData || data->cbData > kLineupLimitBytes ||
        (data->cbData > 0 && data->lpData == nullptr))
        return 0;
    const std::string text(static_cast<const char*>(data->lpData), data->cbData);
    std::vector<SimPlayer> lineup;
    if (!ParseLineup(text, &lineup))
        return 0;
    g_sim.view.lineup = lineup;
    PublishGameView(g_sim.view);
    return 1;
}

LRESULT OnCreate(HWND window)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    struct ButtonPlace {
        const wchar_t* caption;
        int id;
        int x, y, width;
    };
    const ButtonPlace places[] = {
        {L"Menus", kSimShowMenusCommand, 10, 10, 100},
        {L"Loading", kSimShowLoadingCommand, 116, 10, 100},
        {L"Start game", kSimStartGameCommand, 222, 10, 100},
        {L"End game", kSimEndGameCommand, 328, 10, 100},
        {L"Start replay", kSimStartReplayCommand, 434, 10, 100},
        {L"Observe game", kSimObserveGameCommand, 222, 44, 100},
        {L"End game (loss)", kSimEndGameLostCommand, 328, 44, 100},
        {L"Make flag unreadable", kSimMakeFlagUnreadableCommand, 10, 44, 180},
    };
    for (const ButtonPlace& place : places) {
        // A game without its buttons cannot be driven: fail where it shows,
        // not in a test waiting for a click that never comes.
        if (CreateWindowW(L"Button", place.caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, place.x, place.y,
                          place.width, 28, window, HMENU(INT_PTR(place.id)), instance, nullptr) == nullptr)
            return -1;
    }
    g_sim.screenStatus = CreateWindowW(L"Static", L"", WS_CHILD | WS_VISIBLE, 10, 80, 524, 20, window,
                                       HMENU(INT_PTR(kScreenStatusId)), instance, nullptr);
    g_sim.apiStatus = CreateWindowW(L"Static", L"", WS_CHILD | WS_VISIBLE, 10, 100, 524, 20, window,
                                    HMENU(INT_PTR(kApiStatusId)), instance, nullptr);
    SetTimer(window, kRefreshTimer, kRefreshMs, nullptr);  // the flag may be written from outside
    ShowState();
    return 0;
}

LRESULT CALLBACK GameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_TIMER:
        ShowState();
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return 0;
    case kSimSetApiFaultMessage:
        return OnSetApiFault(wParam, lParam);
    case WM_COPYDATA:
        return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool ReadNumber(const wchar_t* text, LPARAM* value)
{
    wchar_t* end = nullptr;
    const long long number = std::wcstoll(text, &end, 10);
    if (*text == L'\0' || *end != L'\0')
        return false;
    *value = LPARAM(number);
    return true;
}

// The options that switch a fault, as the window message's kinds.
struct FaultOption {
    const wchar_t* name;
    WPARAM kind;
    bool takesNumber;
};
constexpr FaultOption kFaultOptions[] = {
    {L"--api-closed", kSimApiClosed, false},      {L"--api-slow", kSimApiSlow, true},
    {L"--api-status", kSimApiStatus, true},       {L"--api-garbage", kSimApiGarbage, false},
    {L"--api-oversized", kSimApiOversized, false}, {L"--api-reset", kSimApiReset, false},
    {L"--api-half-then-hang", kSimApiHalfThenHang, false}, {L"--api-game-slow", kSimApiGameSlow, true},
    {L"--api-game-broken", kSimApiGameBroken, true},     {L"--api-redirect", kSimApiRedirect, true},
    {L"--api-control-bytes", kSimApiControlBytes, false}, {L"--api-chunked", kSimApiChunked, false},
};

// Reads one option at args[*i] (and its value); false for an unknown option
// or a bad value.
bool ReadOption(wchar_t** args, int count, int* i, bool* inGame)
{
    const wchar_t* name = args[*i];
    const bool hasValue = *i + 1 < count;
    if (std::wcscmp(name, L"--flag-address") == 0 && hasValue) {
        g_sim.flagAddress = uintptr_t(std::wcstoull(args[++*i], nullptr, 16));
        return true;
    }
    if (std::wcscmp(name, L"--in-game") == 0) {
        *inGame = true;
        return true;
    }
    if (std::wcscmp(name, L"--api-address") == 0 && hasValue) {
        char address[kAddressChars] = {};
        WideCharToMultiByte(CP_ACP, 0, args[++*i], -1, address, int(sizeof address) - 1, nullptr, nullptr);
        g_sim.apiAddress = inet_addr(address);
        return g_sim.apiAddress != INADDR_NONE;
    }
    LPARAM number = 0;
    if (std::wcscmp(name, L"--api-port") == 0 && hasValue) {
        if (!ReadNumber(args[++*i], &number) || number < 1 || number > 65535)
            return false;
        g_sim.apiPort = static_cast<unsigned short>(number);
        return true;
    }
    for (const FaultOption& option : kFaultOptions) {
        if (std::wcscmp(name, option.name) != 0)
            continue;
        number = 1;
        if (option.takesNumber && (!hasValue || !ReadNumber(args[++*i], &number)))
            return false;
        return SwitchApiFault(&g_sim.faults, option.kind, number);
    }
    return false;
}

// False with a message in `problem` when an option is wrong or the flag's
// memory cannot be had.
bool ReadArguments(wchar_t (&problem)[kMessageChars])
{
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    bool inGame = false;
    bool understood = true;
    for (int i = 1; i < count && understood; ++i) {
        understood = ReadOption(args, count, &i, &inGame);
        if (!understood)
            std::swprintf(problem, kMessageChars, L"Unknown option, or a bad value for it: %ls", args[i]);
    }
    LocalFree(args);
    if (!understood)
        return false;
    void* block = VirtualAlloc(reinterpret_cast<void*>(g_sim.flagAddress & ~(kFlagBlockBytes - 1)), kFlagBlockBytes,
                               MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (block == nullptr) {
        std::swprintf(problem, kMessageChars, L"Could not reserve the memory for the flag at the requested address.");
        return false;
    }
    g_sim.flag = reinterpret_cast<volatile BYTE*>(g_sim.flagAddress);
    *g_sim.flag = 0;
    if (inGame)
        ChangeScreen(Screen::InGame);
    return true;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    wchar_t problem[kMessageChars] = {};
    WSADATA winsock;
    if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0)
        std::swprintf(problem, kMessageChars, L"Winsock did not start.");
    else
        ReadArguments(problem);
    problem[kMessageChars - 1] = L'\0';
    if (problem[0] != L'\0') {
        MessageBoxW(nullptr, problem, kCaption, MB_OK | MB_ICONERROR);
        return 2;
    }
    g_sim.view.lineup = DefaultLineup();
    StartApiServer(g_sim.apiAddress, g_sim.apiPort, g_sim.faults, g_sim.view);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = GameWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"StarCraft II";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"StarCraft II", L"StarCraft II (simulated)", WS_OVERLAPPEDWINDOW,
                                40, 40, 560, 165, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, show);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
