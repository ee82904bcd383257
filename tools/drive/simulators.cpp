#include "drive/simulators.h"

#include <cstdio>

namespace {
// The command of sim_game's "Make flag unreadable" button.
constexpr int kMakeFlagUnreadableCommand = 102;
}

bool SimulatedGame::Launch(DWORD flagAddress, bool inGame)
{
    flagAddress_ = flagAddress;
    wchar_t address[16];
    swprintf(address, 16, L"%08lX", static_cast<unsigned long>(flagAddress));
    std::vector<std::wstring> args = {L"--flag-address", address};
    if (inGame)
        args.push_back(L"--in-game");
    if (!process_.Start(BinaryPath(L"sim_game.exe"), args))
        return false;
    WaitUntil([&] {
        window_ = process_.FindWindowOfClass(L"StarCraft II");
        return window_ != nullptr || !process_.IsRunning();
    });
    return window_ != nullptr;
}

bool SimulatedGame::SetFlag(BYTE value)
{
    SIZE_T written = 0;
    return WriteProcessMemory(process_.Handle(), reinterpret_cast<void*>(static_cast<uintptr_t>(flagAddress_)),
                              &value, 1, &written) && written == 1;
}

bool SimulatedGame::MakeFlagUnreadable()
{
    // Posted as the button's notification: a BM_CLICK would press the mouse
    // under Wine and bring the game to the front.
    if (!PostMessageW(window_, WM_COMMAND, MAKEWPARAM(kMakeFlagUnreadableCommand, BN_CLICKED), 0))
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
