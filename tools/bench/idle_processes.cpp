#include "bench/idle_processes.h"

#include <string>

#include "drive/child_process.h"

namespace {

constexpr LONG kMaxIdleProcesses = 4096;
// Enough for one process to start on a loaded machine under Wine.
constexpr DWORD kReadyWaitMs = 60000;
constexpr DWORD kEndWaitMs = 30000;

std::wstring EndEventName(DWORD parentId)
{
    return L"KestrelcueBenchIdleEnd-" + std::to_wstring(parentId);
}

std::wstring ReadySemaphoreName(DWORD parentId)
{
    return L"KestrelcueBenchIdleReady-" + std::to_wstring(parentId);
}

HANDLE StartIdleProcess()
{
    const std::wstring exe = BinaryPath(L"bench.exe");
    std::wstring commandLine = QuoteArgument(exe) + L" --idle " + std::to_wstring(GetCurrentProcessId());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // Detached: no console of their own, so no console host per process.
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                        &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    return info.hProcess;
}

} // namespace

IdleProcesses::IdleProcesses()
{
    endEvent_ = CreateEventW(nullptr, TRUE, FALSE, EndEventName(GetCurrentProcessId()).c_str());
    readySemaphore_ =
        CreateSemaphoreW(nullptr, 0, kMaxIdleProcesses, ReadySemaphoreName(GetCurrentProcessId()).c_str());
}

IdleProcesses::~IdleProcesses()
{
    EndAll();
    if (endEvent_ != nullptr)
        CloseHandle(endEvent_);
    if (readySemaphore_ != nullptr)
        CloseHandle(readySemaphore_);
}

int IdleProcesses::GrowTo(int count)
{
    if (endEvent_ == nullptr || readySemaphore_ == nullptr)
        return Count();
    int started = 0;
    while (Count() < count) {
        HANDLE process = StartIdleProcess();
        if (process == nullptr)
            break;
        processes_.push_back(process);
        ++started;
    }
    // Each signals once it waits; a search meanwhile would meet processes
    // still loading, which cost more to look at than idle ones.
    int ready = 0;
    while (ready < started && WaitForSingleObject(readySemaphore_, kReadyWaitMs) == WAIT_OBJECT_0)
        ++ready;
    return Count() - (started - ready);
}

void IdleProcesses::EndAll()
{
    if (endEvent_ != nullptr)
        SetEvent(endEvent_);
    for (HANDLE process : processes_) {
        if (WaitForSingleObject(process, kEndWaitMs) != WAIT_OBJECT_0) {
            TerminateProcess(process, 99);
            WaitForSingleObject(process, kEndWaitMs);
        }
        CloseHandle(process);
    }
    processes_.clear();
    if (endEvent_ != nullptr)
        ResetEvent(endEvent_);
}

int RunIdleProcess(DWORD parentId)
{
    HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, parentId);
    HANDLE end = OpenEventW(SYNCHRONIZE, FALSE, EndEventName(parentId).c_str());
    HANDLE ready = OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, ReadySemaphoreName(parentId).c_str());
    int exitCode = 1;
    if (parent != nullptr && end != nullptr && ready != nullptr) {
        ReleaseSemaphore(ready, 1, nullptr);
        HANDLE waits[] = {parent, end};
        WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        exitCode = 0;
    }
    if (ready != nullptr)
        CloseHandle(ready);
    if (end != nullptr)
        CloseHandle(end);
    if (parent != nullptr)
        CloseHandle(parent);
    return exitCode;
}
