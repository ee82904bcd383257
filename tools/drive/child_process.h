// Programs that tests and the demo start: the real Kestrelcue.exe and the simulators, all
// siblings of the test executable in the build's bin folder.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// Full path of a file beside the running test executable.
std::wstring BinaryPath(const std::wstring& fileName);

// A folder of its own under the system's temporary folder, emptied on creation.
std::wstring FreshTempFolder(const std::wstring& name);

// Polls `condition` every 20 ms until it holds or `timeoutMs` has passed.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 15000);

// A started process, ended (if still running) when this goes away.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    bool Start(const std::wstring& exe, const std::vector<std::wstring>& args);
    // The command line exactly as given, program name included, for tests
    // of how the program reads its own command line.
    bool StartWithCommandLine(const std::wstring& exe, std::wstring commandLine);
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    bool IsRunning() const;
    // True when the process ended within the time; its exit code in *code.
    bool WaitForExit(DWORD timeoutMs, DWORD* code = nullptr) const;
    void Kill();
    // The first visible top-level window of this process with this class
    // (and caption, when given); null when there is none yet.
    HWND FindWindowOfClass(const wchar_t* className, const wchar_t* caption = nullptr) const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// The first visible top-level window of the process with this class (and
// caption, when given); null when there is none.
HWND FindProcessWindow(DWORD processId, const wchar_t* className, const wchar_t* caption = nullptr);

// Quotes one argument for a Windows command line.
std::wstring QuoteArgument(const std::wstring& arg);
