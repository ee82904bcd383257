#include "drive/process_figures.h"

#include <tlhelp32.h>

namespace {

// Handle values are multiples of 4. A process of the program's size holds a
// few hundred handles at most, and handle values are reused from the
// lowest free one up, so a leak of thousands stays within this range too.
constexpr ULONG_PTR kHandleValueStep = 4;
constexpr ULONG_PTR kHighestHandleValueTried = kHandleValueStep * 16384;

bool ReadReportedHandleCount(DWORD processId, DWORD* count)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (process == nullptr)
        return false;
    const bool counted = GetProcessHandleCount(process, count) != FALSE;
    CloseHandle(process);
    return counted;
}

// A value names an open handle of the process exactly when it can be
// duplicated from there; the copy is closed at once and the process's own
// handle is untouched.
bool CountHandlesByDuplicating(DWORD processId, DWORD* count)
{
    HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, processId);
    if (process == nullptr)
        return false;
    *count = 0;
    for (ULONG_PTR value = kHandleValueStep; value <= kHighestHandleValueTried; value += kHandleValueStep) {
        HANDLE copy = nullptr;
        if (DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0, FALSE,
                            DUPLICATE_SAME_ACCESS)) {
            ++*count;
            CloseHandle(copy);
        }
    }
    CloseHandle(process);
    return true;
}

bool CountThreads(DWORD processId, DWORD* count)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    *count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == processId)
            ++*count;
    CloseHandle(snapshot);
    return true;
}

} // namespace

bool ReadProcessFigures(DWORD processId, ProcessFigures* figures)
{
    return ReadReportedHandleCount(processId, &figures->reportedHandles) &&
           CountHandlesByDuplicating(processId, &figures->handles) && CountThreads(processId, &figures->threads);
}
