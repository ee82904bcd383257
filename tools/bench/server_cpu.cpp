#include "bench/server_cpu.h"

#include <cwchar>
#include <cstdlib>
#include <cstring>

namespace {

// /proc/PID/stat is one line of a few hundred bytes.
constexpr DWORD kStatBytes = 2048;
constexpr int kPathChars = 64;
// Linux reports these times in clock ticks of 1/100 s.
constexpr double kMsPerClockTick = 10.0;
// After the command name in parentheses: state is field 3, utime 14 and stime 15.
constexpr int kUserTimeAfterName = 11;

} // namespace

bool ReadLinuxProcessCpuMs(DWORD linuxPid, double* cpuMs)
{
    wchar_t path[kPathChars];
    std::swprintf(path, kPathChars, L"Z:\\proc\\%lu\\stat", static_cast<unsigned long>(linuxPid));
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char stat[kStatBytes] = {};
    DWORD got = 0;
    const bool read = ReadFile(file, stat, kStatBytes - 1, &got, nullptr) != FALSE;
    CloseHandle(file);
    if (!read || got == 0)
        return false;
    stat[got < kStatBytes ? got : kStatBytes - 1] = '\0';
    // The name may hold spaces and parentheses; the fields follow the last ')'.
    const char* field = std::strrchr(stat, ')');
    if (field == nullptr)
        return false;
    ++field;
    for (int i = 0; i < kUserTimeAfterName; ++i) {
        field = std::strchr(field + 1, ' ');
        if (field == nullptr)
            return false;
    }
    char* end = nullptr;
    const unsigned long long user = std::strtoull(field, &end, 10);
    const unsigned long long system = std::strtoull(end, nullptr, 10);
    *cpuMs = double(user + system) * kMsPerClockTick;
    return true;
}
