// A stand-in for XSplit, built as xsplit.core.exe: a visible top-level
// window of a Windows Forms class with one "Button" per scene, nested in a
// child panel as XSplit's are. A click switches the simulated scene, shows
// it in the caption and appends it to the log file. Usage:
//   xsplit.core.exe [options] SCENE...
//     --log FILE          append every clicked caption (UTF-8, one a line)
//     --hidden            create the main window but do not show it
//     --hang              stop answering messages once the window is up
//     --hang-on-click MS  stop answering for MS milliseconds on each click
//     --hang-clicks N     ... but only on the first N clicks, then recover
//     --class NAME        use another main window class
//     --title TEXT        caption the main window TEXT instead of the default
//     --label TEXT        add a static label with this text
//     --edit TEXT         add an edit field with this text
// Posting WM_APP+1 to the main window (or the menu) closes the main window
// and opens a new one in the same process, as XSplit does on some reloads.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr UINT kReopenMessage = WM_APP + 1;
constexpr int kMenuReopen = 200;
constexpr int kFirstSceneId = 1000;
constexpr int kButtonWidth = 130, kButtonHeight = 24, kButtonsPerRow = 4, kGap = 6;
constexpr wchar_t kDefaultClass[] = L"WindowsForms10.Window.8.app.0.KestrelSim";
constexpr wchar_t kPanelClass[] = L"WindowsForms10.Window.8.app.0.KestrelSimPanel";

struct SimXSplit {
    std::vector<std::wstring> scenes, labels, edits;
    std::wstring logPath, windowClass = kDefaultClass, title = L"XSplit (simulated)";
    bool hidden = false, hang = false, closingForReopen = false;
    DWORD hangOnClickMs = 0;
    DWORD hangClicksLeft = 0xFFFFFFFF;  // every click unless --hang-clicks says otherwise
    HWND main = nullptr;
} g_sim;

void AppendToLog(const std::wstring& caption)
{
    if (g_sim.logPath.empty())
        return;
    int bytes = WideCharToMultiByte(CP_UTF8, 0, caption.c_str(), int(caption.size()), nullptr, 0, nullptr, nullptr);
    std::string line(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, caption.c_str(), int(caption.size()), &line[0], bytes, nullptr, nullptr);
    line += '\n';
    HANDLE file = CreateFileW(g_sim.logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
    CloseHandle(file);
}

void OnSceneClicked(HWND button)
{
    wchar_t caption[1024] = {};
    GetWindowTextW(button, caption, 1024);
    AppendToLog(caption);
    std::wstring title = g_sim.title + L" - ";
    title += caption;
    SetWindowTextW(g_sim.main, title.c_str());
    if (g_sim.hangOnClickMs != 0 && g_sim.hangClicksLeft != 0) {
        --g_sim.hangClicksLeft;
        Sleep(g_sim.hangOnClickMs);
    }
}

// The panel forwards button clicks to the main window, as a container does.
LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        OnSceneClicked(HWND(lParam));
        return 0;
    }
    return DefWindowProcW(panel, message, wParam, lParam);
}

WNDPROC g_buttonProc = nullptr;

// A click sent from another process arrives as BM_CLICK. The stock button
// turns it into a mouse press, which under Wine activates this window and
// takes the foreground from the game; a real XSplit in the background does
// not. So the scene buttons report the click straight to their panel.
LRESULT CALLBACK SceneButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == BM_CLICK) {
        SendMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        return 0;
    }
    return CallWindowProcW(g_buttonProc, button, message, wParam, lParam);
}

void AddControls(HWND panel)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    int slot = 0;
    auto place = [&](const wchar_t* cls, const std::wstring& text, DWORD style, int id) {
        int x = kGap + (slot % kButtonsPerRow) * (kButtonWidth + kGap);
        int y = kGap + (slot / kButtonsPerRow) * (kButtonHeight + kGap);
        ++slot;
        return CreateWindowW(cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, kButtonWidth, kButtonHeight,
                             panel, HMENU(INT_PTR(id)), instance, nullptr);
    };
    for (size_t i = 0; i < g_sim.scenes.size(); ++i) {
        HWND button = place(L"Button", g_sim.scenes[i], BS_PUSHBUTTON, kFirstSceneId + int(i));
        WNDPROC previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SceneButtonProc)));
        if (g_buttonProc == nullptr)
            g_buttonProc = previous;
    }
    for (const std::wstring& label : g_sim.labels)
        place(L"Static", label, SS_LEFT, 0);
    for (const std::wstring& edit : g_sim.edits)
        place(L"Edit", edit, WS_BORDER | ES_AUTOHSCROLL, 0);
}

HWND CreateMainWindow();

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        RECT client;
        GetClientRect(window, &client);
        HWND panel = CreateWindowW(kPanelClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, client.right, client.bottom,
                                   window, nullptr, GetModuleHandleW(nullptr), nullptr);
        AddControls(panel);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == kMenuReopen)
            PostMessageW(window, kReopenMessage, 0, 0);
        return 0;
    case kReopenMessage:
        g_sim.closingForReopen = true;
        DestroyWindow(window);
        g_sim.closingForReopen = false;
        g_sim.main = CreateMainWindow();
        return 0;
    case WM_DESTROY:
        if (!g_sim.closingForReopen)
            PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND CreateMainWindow()
{
    HMENU menu = CreateMenu();
    HMENU simulator = CreatePopupMenu();
    AppendMenuW(simulator, MF_STRING, kMenuReopen, L"&Reopen window");
    AppendMenuW(menu, MF_POPUP, UINT_PTR(simulator), L"&Simulator");
    int rows = int(g_sim.scenes.size() + g_sim.labels.size() + g_sim.edits.size() + kButtonsPerRow - 1) / kButtonsPerRow;
    int height = rows * (kButtonHeight + kGap) + 80;
    if (height > 700)
        height = 700;
    HWND window = CreateWindowExW(0, g_sim.windowClass.c_str(), g_sim.title.c_str(), WS_OVERLAPPEDWINDOW, 480, 40,
                                  kButtonsPerRow * (kButtonWidth + kGap) + 30, height, nullptr, menu,
                                  GetModuleHandleW(nullptr), nullptr);
    if (window != nullptr && !g_sim.hidden)
        ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

void ReadArguments()
{
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i) {
        std::wstring arg = args[i];
        bool hasValue = i + 1 < count;
        if (arg == L"--log" && hasValue) g_sim.logPath = args[++i];
        else if (arg == L"--hidden") g_sim.hidden = true;
        else if (arg == L"--hang") g_sim.hang = true;
        else if (arg == L"--hang-on-click" && hasValue) g_sim.hangOnClickMs = DWORD(std::wcstoul(args[++i], nullptr, 10));
        else if (arg == L"--hang-clicks" && hasValue) g_sim.hangClicksLeft = DWORD(std::wcstoul(args[++i], nullptr, 10));
        else if (arg == L"--class" && hasValue) g_sim.windowClass = args[++i];
        else if (arg == L"--title" && hasValue) g_sim.title = args[++i];
        else if (arg == L"--label" && hasValue) g_sim.labels.push_back(args[++i]);
        else if (arg == L"--edit" && hasValue) g_sim.edits.push_back(args[++i]);
        else g_sim.scenes.push_back(arg);
    }
    LocalFree(args);
}

void RegisterClasses(HINSTANCE instance)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = MainProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = g_sim.windowClass.c_str();
    RegisterClassW(&windowClass);
    windowClass.lpfnWndProc = PanelProc;
    windowClass.lpszClassName = kPanelClass;
    RegisterClassW(&windowClass);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    ReadArguments();
    RegisterClasses(instance);
    g_sim.main = CreateMainWindow();
    if (g_sim.main == nullptr)
        return 2;
    if (g_sim.hang) {
        // Let the window be created and shown, then stop answering for good.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(INFINITE);
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
