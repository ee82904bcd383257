#include "drive/program.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <mutex>

std::wstring LocalApiSilentStatus(const std::wstring& where)
{
    return L"StarCraft II does not answer at '" + where + L"' yet. Waiting...";
}

std::wstring RemoteApiSilentStatus(const std::wstring& where)
{
    return L"No answer from the game at '" + where + L"'. Started with -clientapi?";
}

void DeleteSettings()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
}

namespace {

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK TakeMainWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    constexpr int kNameChars = 64;
    wchar_t className[kNameChars] = {};
    wchar_t caption[kNameChars] = {};
    GetClassNameW(window, className, kNameChars);
    GetWindowTextW(window, caption, kNameChars);
    if (processId != search->processId || std::wstring(className) != L"#32770" || std::wstring(caption) != kMainCaption)
        return TRUE;
    search->found = window;
    return FALSE;
}

// The main window, shown or not.
HWND FindMainWindowEvenHidden(DWORD processId)
{
    WindowSearch search = {processId, nullptr};
    EnumWindows(TakeMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// One server on the port for every program alive that wants the sample;
// it stops with the last of them.
std::shared_ptr<LocalPatchServer> ShareSamplePatchServer()
{
    static std::mutex mutex;
    static std::weak_ptr<LocalPatchServer> shared;
    std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<LocalPatchServer> server = shared.lock();
    if (server == nullptr) {
        server = std::make_shared<LocalPatchServer>();
        if (!server->Start())
            return nullptr;
        shared = server;
    }
    return server;
}

std::mutex g_programsMutex;
std::vector<const KestrelcueProgram*> g_programs;
unsigned g_instancesNamed;

} // namespace

KestrelcueProgram::KestrelcueProgram()
{
    std::lock_guard<std::mutex> lock(g_programsMutex);
    g_programs.push_back(this);
}

KestrelcueProgram::~KestrelcueProgram()
{
    std::lock_guard<std::mutex> lock(g_programsMutex);
    g_programs.erase(std::remove(g_programs.begin(), g_programs.end(), this), g_programs.end());
}

bool KestrelcueProgram::IsAnotherRunning() const
{
    std::lock_guard<std::mutex> lock(g_programsMutex);
    for (const KestrelcueProgram* program : g_programs) {
        if (program != this && program->process_.IsRunning())
            return true;
    }
    return false;
}

void KestrelcueProgram::UseOutsidePatchServer()
{
    patchServerChosen_ = true;
    samplePatchServer_.reset();
}

bool KestrelcueProgram::Launch(const std::vector<std::wstring>& args)
{
    return LaunchAs(nullptr, args);
}

bool KestrelcueProgram::LaunchWithCommandLine(const std::wstring& commandLine)
{
    return LaunchAs(&commandLine, {});
}

bool KestrelcueProgram::LaunchAs(const std::wstring* commandLine, const std::vector<std::wstring>& args)
{
    window_ = nullptr;
    launchProblem_.clear();
    if (!patchServerChosen_ && samplePatchServer_ == nullptr) {
        samplePatchServer_ = ShareSamplePatchServer();
        if (samplePatchServer_ == nullptr)
            return FailLaunch("the sample patch server could not listen on its port");
    }
    const std::wstring exe = BinaryPath(L"Kestrelcue.exe");
    std::vector<std::wstring> arguments = args;
    if (IsAnotherRunning())
        arguments.insert(arguments.begin(), L"/instance:beside" + std::to_wstring(++g_instancesNamed));
    const bool started = commandLine != nullptr ? process_.StartWithCommandLine(exe, *commandLine)
                                                : process_.Start(exe, arguments);
    if (!started)
        return FailLaunch("CreateProcess failed with error " + std::to_string(GetLastError()));
    constexpr DWORD kWindowWaitMs = 15000;
    WaitUntil([&] {
        window_ = hiddenWindowAccepted_ ? FindMainWindowEvenHidden(process_.Id())
                                        : process_.FindWindowOfClass(L"#32770", kMainCaption);
        return window_ != nullptr || !process_.IsRunning();
    }, kWindowWaitMs);
    if (window_ != nullptr)
        return true;
    DWORD code = 0;
    if (process_.WaitForExit(0, &code)) {
        constexpr size_t kCodeChars = 11;  // "0x", eight digits, terminator
        char hex[kCodeChars];
        std::snprintf(hex, sizeof hex, "0x%08lX", code);
        return FailLaunch("it ended with exit code " + std::to_string(code) + " (" + hex +
                          ") before its main window showed");
    }
    return FailLaunch("it runs but showed no main window within " + std::to_string(kWindowWaitMs) + " ms");
}

bool KestrelcueProgram::FailLaunch(const std::string& why)
{
    launchProblem_ = why;
    std::fprintf(stderr, "Kestrelcue.exe did not start: %s\n", why.c_str());
    std::fflush(stderr);
    return false;
}

std::wstring KestrelcueProgram::Text(int id) const
{
    wchar_t text[2048] = {};
    SendMessageW(Control(id), WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text));
    text[2047] = L'\0';
    return text;
}

namespace {

struct SuggestionSearch {
    DWORD processId;
    int count;
};

BOOL CALLBACK CountShownSuggestions(HWND window, LPARAM context)
{
    SuggestionSearch* search = reinterpret_cast<SuggestionSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    const HWND list = FindWindowExW(window, nullptr, L"ListBox", nullptr);
    if (owner != search->processId || !IsWindowVisible(window) || list == nullptr)
        return TRUE;
    search->count = int(SendMessageW(list, LB_GETCOUNT, 0, 0));
    return FALSE;
}

} // namespace

int KestrelcueProgram::SuggestionCount() const
{
    SuggestionSearch search = {GetProcessId(process_.Handle()), 0};
    EnumWindows(CountShownSuggestions, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

namespace {

struct BalloonSearch {
    DWORD processId;
    std::vector<std::wstring> texts;
};

// A tooltip answers WM_GETTEXT with the text it shows.
BOOL CALLBACK CollectShownBalloons(HWND window, LPARAM context)
{
    BalloonSearch* search = reinterpret_cast<BalloonSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    if (owner != search->processId || !IsWindowVisible(window) || std::wstring(className) != L"tooltips_class32" ||
        (GetWindowLongW(window, GWL_STYLE) & TTS_BALLOON) == 0)
        return TRUE;
    wchar_t text[512] = {};
    SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    text[511] = L'\0';
    search->texts.push_back(text);
    return TRUE;
}

} // namespace

std::vector<std::wstring> KestrelcueProgram::ShownBalloons() const
{
    BalloonSearch search = {GetProcessId(process_.Handle()), {}};
    EnumWindows(CollectShownBalloons, reinterpret_cast<LPARAM>(&search));
    return search.texts;
}

void KestrelcueProgram::SetText(int id, const std::wstring& text) const
{
    SendMessageW(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void KestrelcueProgram::NameScenes(const std::wstring& enter, const std::wstring& leave, const std::wstring& tabOut,
                                   const std::wstring& tabIn) const
{
    SetText(1004, enter);
    SetText(1006, leave);
    SetText(1007, tabOut);
    SetText(1008, tabIn);
}

bool KestrelcueProgram::IsChecked(int id) const
{
    return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void KestrelcueProgram::Click(int id) const
{
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
}

void KestrelcueProgram::SetChecked(int id, bool checked) const
{
    // What a click on the box amounts to: the new state, then the box's
    // notification to the window. BM_CLICK itself would press the mouse
    // under Wine, which activates the program and takes the foreground.
    if (IsChecked(id) == checked)
        return;
    SendMessageW(Control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    Click(id);
}

bool KestrelcueProgram::WaitForStatus(const std::wstring& expected, DWORD timeoutMs) const
{
    return WaitUntil([&] { return Status() == expected; }, timeoutMs);
}

bool KestrelcueProgram::WaitForStatusSeen(const std::wstring& expected, std::vector<std::wstring>* seen,
                                          DWORD timeoutMs) const
{
    return WaitUntil([&] {
        std::wstring now = Status();
        if (seen->empty() || seen->back() != now)
            seen->push_back(now);
        return now == expected;
    }, timeoutMs);
}

bool KestrelcueProgram::WaitForStatusesInOrder(const std::vector<std::wstring>& expected, DWORD timeoutMs) const
{
    size_t next = 0;
    return WaitUntil([&] {
        if (next < expected.size() && Status() == expected[next])
            ++next;
        return next == expected.size();
    }, timeoutMs);
}

bool KestrelcueProgram::Close(DWORD timeoutMs)
{
    PostMessageW(window_, WM_CLOSE, 0, 0);
    return process_.WaitForExit(timeoutMs);
}

std::vector<PatchItem> KestrelcueProgram::PatchItems() const
{
    std::vector<PatchItem> items;
    const int count = PatchCount();
    for (int i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(Control(1009), CB_GETLBTEXTLEN, WPARAM(i), 0);
        std::wstring label(length > 0 ? size_t(length) + 1 : 1, L'\0');
        const LRESULT copied = SendMessageW(Control(1009), CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(&label[0]));
        label.resize(copied > 0 ? size_t(copied) : 0);
        const DWORD address = DWORD(SendMessageW(Control(1009), CB_GETITEMDATA, WPARAM(i), 0));
        items.push_back({label, address});
    }
    return items;
}

int KestrelcueProgram::PatchCount() const
{
    return int(SendMessageW(Control(1009), CB_GETCOUNT, 0, 0));
}

int KestrelcueProgram::SelectedPatch() const
{
    return int(SendMessageW(Control(1009), CB_GETCURSEL, 0, 0));
}

bool KestrelcueProgram::WaitForPatchCount(int count, DWORD timeoutMs) const
{
    return WaitUntil([&] { return PatchCount() == count; }, timeoutMs);
}

void KestrelcueProgram::PickPatch(int index) const
{
    SendMessageW(Control(1009), CB_SETCURSEL, WPARAM(index), 0);
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(1009, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Control(1009)));
}

HWND KestrelcueProgram::OpenDialog(UINT message, WPARAM wParam, LPARAM lParam, const wchar_t* caption,
                                   DWORD timeoutMs)
{
    PostMessageW(window_, message, wParam, lParam);
    HWND dialog = nullptr;
    WaitUntil([&] {
        dialog = process_.FindWindowOfClass(L"#32770", caption);
        return dialog != nullptr || !process_.IsRunning();
    }, timeoutMs);
    return dialog;
}
