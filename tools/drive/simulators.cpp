#include "drive/simulators.h"

#include <cstdio>
#include <string>

namespace {
// How long a pressed button or a switched fault may take; the game answers
// at once unless it is hung.
constexpr UINT kGameAnswerMs = 10000;
constexpr size_t kAddressChars = 16;
}

bool SimulatedGame::Start(DWORD flagAddress, const std::vector<std::wstring>& args)
{
    flagAddress_ = flagAddress;
    wchar_t address[kAddressChars];
    swprintf(address, kAddressChars, L"%08lX", static_cast<unsigned long>(flagAddress));
    std::vector<std::wstring> all = {L"--flag-address", address};
    all.insert(all.end(), args.begin(), args.end());
    if (!process_.Start(BinaryPath(L"sim_game.exe"), all))
        return false;
    WaitUntil([&] {
        window_ = process_.FindWindowOfClass(L"StarCraft II");
        return window_ != nullptr || !process_.IsRunning();
    });
    return window_ != nullptr;
}

bool SimulatedGame::Launch(DWORD flagAddress, bool inGame)
{
    std::vector<std::wstring> args = {L"--api-closed"};
    if (inGame)
        args.push_back(L"--in-game");
    return Start(flagAddress, args);
}

bool SimulatedGame::LaunchWithApi(const SimApiOptions& options)
{
    apiPort_ = options.port;
    apiAddress_ = options.address;
    std::vector<std::wstring> args = {L"--api-port", std::to_wstring(options.port), L"--api-address", options.address};
    if (options.inGame)
        args.push_back(L"--in-game");
    if (options.closed)
        args.push_back(L"--api-closed");
    if (options.slowMs > 0)
        args.insert(args.end(), {L"--api-slow", std::to_wstring(options.slowMs)});
    if (options.status != 0)
        args.insert(args.end(), {L"--api-status", std::to_wstring(options.status)});
    if (options.garbage)
        args.push_back(L"--api-garbage");
    if (options.oversized)
        args.push_back(L"--api-oversized");
    if (options.reset)
        args.push_back(L"--api-reset");
    if (options.halfThenHang)
        args.push_back(L"--api-half-then-hang");
    if (options.gameSlowMs > 0)
        args.insert(args.end(), {L"--api-game-slow", std::to_wstring(options.gameSlowMs)});
    if (options.gameBroken != 0)
        args.insert(args.end(), {L"--api-game-broken", std::to_wstring(options.gameBroken)});
    if (!Start(options.flagAddress, args))
        return false;
    // A fault that spoils every answer is not waited out: the game's own
    // window is all there is to wait for then.
    const bool answersNormally = !options.closed && options.slowMs == 0 && options.status == 0 && !options.garbage &&
                                 !options.oversized && !options.reset && !options.halfThenHang;
    if (!answersNormally || WaitForApi())
        return true;
    std::fprintf(stderr, "sim_game's client API did not answer on port %u\n", unsigned(options.port));
    std::fflush(stderr);
    return false;
}

bool SimulatedGame::PressButton(int command)
{
    // Sent as the button's notification, not clicked: a BM_CLICK would press
    // the mouse under Wine and bring the game to the front. Sent rather than
    // posted, so the screen has changed when this returns.
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window_, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0, SMTO_NORMAL, kGameAnswerMs,
                               &result) != 0;
}

bool SimulatedGame::SetApiFault(SimApiFaultKind kind, LPARAM value)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window_, kSimSetApiFaultMessage, kind, value, SMTO_NORMAL, kGameAnswerMs, &result) != 0 &&
           result == 1;
}

bool SimulatedGame::SetLineup(const std::vector<SimLineupPlayer>& players)
{
    std::string text;
    for (const SimLineupPlayer& player : players)
        text += player.name + "\t" + player.type + "\t" + player.race + "\t" + player.resultAtEnd + "\n";
    COPYDATASTRUCT data = {kSimLineupCopyData, DWORD(text.size()), text.empty() ? nullptr : &text[0]};
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, kGameAnswerMs,
                               &result) != 0 &&
           result == 1;
}

HttpAnswer SimulatedGame::GetApi(const wchar_t* path, DWORD receiveTimeoutMs) const
{
    return HttpGet(apiPort_, path, receiveTimeoutMs, apiAddress_.c_str());
}

bool SimulatedGame::IsOwnAnswer(const HttpAnswer& answer) const
{
    return process_.Id() != 0 && answer.Header(kSimProcessHeader) == std::to_string(process_.Id());
}

bool SimulatedGame::WaitForApi(DWORD timeoutMs) const
{
    return WaitUntil([&] {
        const HttpAnswer answer = GetApi(L"/ui");
        return answer.error == 0 && answer.status == 200 && IsOwnAnswer(answer);
    }, timeoutMs);
}

bool SimulatedGame::SetFlag(BYTE value)
{
    SIZE_T written = 0;
    return WriteProcessMemory(process_.Handle(), reinterpret_cast<void*>(static_cast<uintptr_t>(flagAddress_)),
                              &value, 1, &written) && written == 1;
}

bool SimulatedGame::ReadFlag(BYTE* value) const
{
    SIZE_T read = 0;
    return ReadProcessMemory(process_.Handle(), reinterpret_cast<const void*>(static_cast<uintptr_t>(flagAddress_)),
                             value, 1, &read) && read == 1;
}

bool SimulatedGame::MakeFlagUnreadable()
{
    // Posted as the button's notification: a BM_CLICK would press the mouse
    // under Wine and bring the game to the front.
    if (!PostMessageW(window_, WM_COMMAND, MAKEWPARAM(kSimMakeFlagUnreadableCommand, BN_CLICKED), 0))
        return false;
    return WaitUntil([&] {
        BYTE flag = 0;
        SIZE_T read = 0;
        return !ReadProcessMemory(process_.Handle(), reinterpret_cast<const void*>(static_cast<uintptr_t>(flagAddress_)),
                                  &flag, 1, &read) || read != 1;
    });
}

bool SimulatedXSplit::Launch(const std::vector<std::wstring>& scenes, const std::vector<std::wstring>& options,
                             const std::wstring& exeName)
{
    static int launches = 0;
    std::wstring folder = FreshTempFolder(L"xsplit-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                          std::to_wstring(++launches));
    logPath_ = folder + L"\\clicks.log";
    std::wstring exe = BinaryPath(L"xsplit.core.exe");
    if (exeName != L"xsplit.core.exe") {
        std::wstring copy = folder + L"\\" + exeName;
        if (!CopyFileW(exe.c_str(), copy.c_str(), FALSE))
            return false;
        exe = copy;
    }
    std::vector<std::wstring> args = {L"--log", logPath_};
    bool hidden = false;
    for (size_t i = 0; i < options.size(); ++i) {
        if (options[i] == L"--hidden")
            hidden = true;
        if (options[i] == L"--class" && i + 1 < options.size())
            windowClass_ = options[i + 1];
        args.push_back(options[i]);
    }
    args.insert(args.end(), scenes.begin(), scenes.end());
    if (!process_.Start(exe, args))
        return false;
    if (hidden)
        return WaitForInputIdle(process_.Handle(), 10000) == 0 || process_.IsRunning();
    return WaitUntil([&] { return Window() != nullptr || !process_.IsRunning(); }) && Window() != nullptr;
}

HWND SimulatedXSplit::Window() const
{
    return process_.FindWindowOfClass(windowClass_.c_str());
}

std::vector<std::wstring> SimulatedXSplit::Clicks() const
{
    std::vector<std::wstring> clicks;
    HANDLE file = CreateFileW(logPath_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return clicks;
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    size_t start = 0;
    for (size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
        int chars = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, int(end - start), nullptr, 0);
        std::wstring line(size_t(chars), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, int(end - start), &line[0], chars);
        clicks.push_back(line);
    }
    return clicks;
}

bool SimulatedXSplit::WaitForClicks(size_t count, DWORD timeoutMs) const
{
    return WaitUntil([&] { return Clicks().size() >= count; }, timeoutMs);
}

std::vector<std::wstring> SimulatedXSplit::SettledClicks(size_t count) const
{
    WaitForClicks(count);
    Sleep(kQuietAfterClicksMs);
    return Clicks();
}

bool SimulatedXSplit::ReopenWindow()
{
    HWND old = Window();
    if (old == nullptr || !PostMessageW(old, WM_APP + 1, 0, 0))
        return false;
    return WaitUntil([&] {
        HWND now = Window();
        return now != nullptr && now != old && !IsWindow(old);
    });
}

bool BringToFront(HWND window)
{
    SetForegroundWindow(window);
    return WaitUntil([&] { return GetForegroundWindow() == window; }, 5000);
}

void TypeKey(WORD key, bool withAlt)
{
    INPUT strokes[4] = {};
    UINT count = 0;
    const auto add = [&](WORD vk, DWORD flags) {
        strokes[count].type = INPUT_KEYBOARD;
        strokes[count].ki.wVk = vk;
        strokes[count].ki.dwFlags = flags;
        ++count;
    };
    if (withAlt)
        add(VK_MENU, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    if (withAlt)
        add(VK_MENU, KEYEVENTF_KEYUP);
    SendInput(count, strokes, sizeof(INPUT));
}

void TypeText(const std::wstring& text)
{
    for (wchar_t c : text) {
        INPUT strokes[2] = {};
        strokes[0].type = strokes[1].type = INPUT_KEYBOARD;
        strokes[0].ki.wScan = strokes[1].ki.wScan = c;
        strokes[0].ki.dwFlags = KEYEVENTF_UNICODE;
        strokes[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, strokes, sizeof(INPUT));
    }
}

void ClickWithMouse(HWND window)
{
    RECT area;
    GetWindowRect(window, &area);
    SetCursorPos((area.left + area.right) / 2, (area.top + area.bottom) / 2);
    INPUT presses[2] = {};
    presses[0].type = presses[1].type = INPUT_MOUSE;
    presses[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    presses[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, presses, sizeof(INPUT));
}

bool FocusField(HWND field)
{
    // As Tab would move it: a mouse click could land on a window of
    // another program's (OBS's own, on the same display) lying above.
    PostMessageW(GetParent(field), WM_NEXTDLGCTL, WPARAM(field), TRUE);
    return WaitUntil([&] {
        GUITHREADINFO thread = {};
        thread.cbSize = sizeof thread;
        return GetGUIThreadInfo(GetWindowThreadProcessId(field, nullptr), &thread) && thread.hwndFocus == field;
    }, 5000);
}
