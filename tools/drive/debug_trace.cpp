#include "drive/debug_trace.h"

namespace {
constexpr DWORD kEventPollMs = 50;
constexpr SIZE_T kMaxTraceBytes = 4096;
}

DebugTraceRecorder::~DebugTraceRecorder()
{
    if (thread_ == nullptr)
        return;
    stop_ = true;
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
    if (attached_ != nullptr)
        CloseHandle(attached_);
}

bool DebugTraceRecorder::Attach(DWORD processId)
{
    processId_ = processId;
    attached_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // The debugger is the thread that attaches: it alone may wait for the events.
    thread_ = CreateThread(nullptr, 0, RunDebugLoop, this, 0, nullptr);
    if (thread_ == nullptr)
        return false;
    WaitForSingleObject(attached_, 10000);
    return attachOk_;
}

std::vector<std::wstring> DebugTraceRecorder::Traces() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return traces_;
}

void DebugTraceRecorder::RecordString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info)
{
    const SIZE_T unitBytes = info.fUnicode ? 2 : 1;
    SIZE_T bytes = SIZE_T(info.nDebugStringLength) * unitBytes;
    if (bytes > kMaxTraceBytes)
        bytes = kMaxTraceBytes;
    std::vector<char> raw(bytes + 2, 0);
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, info.lpDebugStringData, raw.data(), bytes, &got))
        return;
    std::wstring text;
    if (info.fUnicode) {
        text.assign(reinterpret_cast<const wchar_t*>(raw.data()));
    } else {
        int chars = MultiByteToWideChar(CP_ACP, 0, raw.data(), -1, nullptr, 0);
        text.resize(size_t(chars > 0 ? chars - 1 : 0));
        if (chars > 1)
            MultiByteToWideChar(CP_ACP, 0, raw.data(), -1, &text[0], chars);
    }
    std::lock_guard<std::mutex> guard(lock_);
    traces_.push_back(text);
}

DWORD WINAPI DebugTraceRecorder::RunDebugLoop(void* context)
{
    auto* self = static_cast<DebugTraceRecorder*>(context);
    self->attachOk_ = DebugActiveProcess(self->processId_) != FALSE;
    if (self->attachOk_)
        DebugSetProcessKillOnExit(FALSE);
    SetEvent(self->attached_);
    if (!self->attachOk_)
        return 1;
    HANDLE process = nullptr;
    bool ended = false;
    while (!self->stop_ && !ended) {
        DEBUG_EVENT event;
        if (!WaitForDebugEvent(&event, kEventPollMs))
            continue;
        DWORD verdict = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            process = event.u.CreateProcessInfo.hProcess;
            if (event.u.CreateProcessInfo.hFile != nullptr)
                CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile != nullptr)
                CloseHandle(event.u.LoadDll.hFile);
            break;
        case OUTPUT_DEBUG_STRING_EVENT:
            self->RecordString(process, event.u.DebugString);
            break;
        case EXCEPTION_DEBUG_EVENT:
            // The attach breakpoint is ours; every other exception is the program's own.
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                verdict = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            ended = true;
            break;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, verdict);
    }
    if (!ended)
        DebugActiveProcessStop(self->processId_);
    return 0;
}
