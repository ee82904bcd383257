// The debugger trace a process writes with OutputDebugString, recorded by
// attaching to it as a debugger would.
#pragma once
#include <windows.h>
#include <mutex>
#include <string>
#include <vector>

class DebugTraceRecorder {
public:
    DebugTraceRecorder() = default;
    DebugTraceRecorder(const DebugTraceRecorder&) = delete;
    DebugTraceRecorder& operator=(const DebugTraceRecorder&) = delete;
    ~DebugTraceRecorder();

    // Attaches to the process; false when the attach was refused.
    bool Attach(DWORD processId);
    std::vector<std::wstring> Traces() const;

private:
    static DWORD WINAPI RunDebugLoop(void* self);
    void RecordString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info);

    DWORD processId_ = 0;
    HANDLE thread_ = nullptr;
    HANDLE attached_ = nullptr;
    bool attachOk_ = false;
    volatile bool stop_ = false;
    mutable std::mutex lock_;
    std::vector<std::wstring> traces_;
};
