#include "drive/child_process.h"

#include <cstdio>
#include <cwchar>

std::wstring BinaryPath(const std::wstring& fileName)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L"\\/") + 1) + fileName;
}

std::wstring FreshTempFolder(const std::wstring& name)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"kestrelcue-tests\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    folder += name;
    std::wstring pattern = folder + L"\\*";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(20);
    }
}

std::wstring QuoteArgument(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
        return arg;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

namespace {

// Every process a test starts belongs to one job that ends them all when
// the test process ends, however it ends. A test killed by CTest's time
// limit would otherwise leave its program and simulators running, and the
// next test's program would find that game or XSplit instead of its own.
HANDLE ChildrenJob()
{
    static const HANDLE job = [] {
        HANDLE created = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (created != nullptr &&
            !SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
            CloseHandle(created);
            created = nullptr;
        }
        return created;
    }();
    return job;
}

} // namespace

ChildProcess::~ChildProcess()
{
    Kill();
}

bool ChildProcess::Start(const std::wstring& exe, const std::vector<std::wstring>& args)
{
    std::wstring commandLine = QuoteArgument(exe);
    for (const std::wstring& arg : args)
        commandLine += L" " + QuoteArgument(arg);
    return StartWithCommandLine(exe, commandLine);
}

bool ChildProcess::StartWithCommandLine(const std::wstring& exe, std::wstring commandLine)
{
    Kill();
    id_ = 0;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // Under Wine, creating a process has been seen to fail now and then on
    // a busy machine before the program ran at all. That says nothing of the
    // program, so the start is tried again, and every failure is told.
    constexpr int kStartTries = 3;
    constexpr DWORD kStartRetryPauseMs = 500;
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &info))
            break;
        const DWORD error = GetLastError();
        std::fprintf(stderr, "CreateProcess of %ls failed with error %lu (try %d of %d)\n", exe.c_str(), error, attempt,
                     kStartTries);
        std::fflush(stderr);
        if (attempt == kStartTries) {
            SetLastError(error);
            return false;
        }
        Sleep(kStartRetryPauseMs);
    }
    // A process outside the job would only outlive a killed test, so a
    // failure here is not worth failing the start for.
    if (HANDLE job = ChildrenJob())
        AssignProcessToJobObject(job, info.hProcess);
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    return true;
}

bool ChildProcess::IsRunning() const
{
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitForExit(DWORD timeoutMs, DWORD* code) const
{
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (code != nullptr)
        GetExitCodeProcess(process_, code);
    return true;
}

void ChildProcess::Kill()
{
    if (process_ == nullptr)
        return;
    if (IsRunning()) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
    process_ = nullptr;
    id_ = 0;
}

namespace {
struct WindowQuery {
    DWORD processId;
    const wchar_t* className;
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context)
{
    auto* query = reinterpret_cast<WindowQuery*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != query->processId || !IsWindowVisible(window))
        return TRUE;
    wchar_t text[512] = {};
    GetClassNameW(window, text, 512);
    if (std::wcscmp(text, query->className) != 0)
        return TRUE;
    if (query->caption != nullptr) {
        GetWindowTextW(window, text, 512);
        if (std::wcscmp(text, query->caption) != 0)
            return TRUE;
    }
    query->found = window;
    return FALSE;
}
} // namespace

HWND FindProcessWindow(DWORD processId, const wchar_t* className, const wchar_t* caption)
{
    WindowQuery query = {processId, className, caption, nullptr};
    if (processId != 0)
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

HWND ChildProcess::FindWindowOfClass(const wchar_t* className, const wchar_t* caption) const
{
    return FindProcessWindow(id_, className, caption);
}
