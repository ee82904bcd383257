#include "bench/linux_process.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// /proc/PID/environ of a Wine process is a few kilobytes.
constexpr DWORD kEnvironBytes = 65536;
constexpr DWORD kCommBytes = 64;
constexpr int kPathChars = 64;
constexpr DWORD kPrefixChars = 1024;

// The whole of a small /proc file, or "" when it cannot be read.
std::string ReadProcFile(DWORD pid, const wchar_t* name, DWORD limit)
{
    wchar_t path[kPathChars];
    std::swprintf(path, kPathChars, L"Z:\\proc\\%lu\\%ls", static_cast<unsigned long>(pid), name);
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string text(limit, '\0');
    DWORD got = 0;
    if (!ReadFile(file, &text[0], limit, &got, nullptr))
        got = 0;
    CloseHandle(file);
    text.resize(got);
    return text;
}

// After the command name in parentheses the state is field 3; the start
// time, in clock ticks since boot, is field 22.
constexpr int kStartTimeAfterName = 19;

// The process's start time in clock ticks since boot.
unsigned long long StartTicksOf(DWORD pid)
{
    const std::string stat = ReadProcFile(pid, L"stat", 2048);
    const size_t name = stat.rfind(')');
    if (name == std::string::npos)
        return 0;
    const char* field = stat.c_str() + name + 1;
    for (int i = 0; i < kStartTimeAfterName && field != nullptr; ++i)
        field = std::strchr(field + 1, ' ');
    return field == nullptr ? 0 : std::strtoull(field, nullptr, 10);
}

} // namespace

DWORD FindLinuxProcessOf(const char* exeName)
{
    char prefix[kPrefixChars] = {};
    if (GetEnvironmentVariableA("WINEPREFIX", prefix, kPrefixChars) == 0 || prefix[kPrefixChars - 1] != '\0')
        return 0;
    const std::string wanted = std::string("WINEPREFIX=") + prefix;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    DWORD newest = 0;
    unsigned long long newestStart = 0;
    do {
        wchar_t* end = nullptr;
        const unsigned long pid = std::wcstoul(found.cFileName, &end, 10);
        if (pid == 0 || *end != L'\0')
            continue;
        std::string comm = ReadProcFile(pid, L"comm", kCommBytes);
        while (!comm.empty() && (comm.back() == '\n' || comm.back() == '\0'))
            comm.pop_back();
        if (comm != exeName)
            continue;
        // Only the variables of this prefix: a test suite elsewhere on the
        // machine runs programs of the same name.
        const std::string variables = ReadProcFile(pid, L"environ", kEnvironBytes);
        if (variables.find(wanted + '\0') == std::string::npos)
            continue;
        const unsigned long long start = StartTicksOf(pid);
        if (newest == 0 || start > newestStart) {
            newest = pid;
            newestStart = start;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return newest;
}
