#include "bench/click_log.h"

#include "bench/clock.h"

ClickLog::~ClickLog()
{
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);
}

bool ClickLog::Open(const std::wstring& path)
{
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);
    // Sharing write and delete lets the simulator keep appending as it does
    // when nobody watches.
    file_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file_ != INVALID_HANDLE_VALUE;
}

LONGLONG ClickLog::Size() const
{
    LARGE_INTEGER size = {};
    if (file_ == INVALID_HANDLE_VALUE || !GetFileSizeEx(file_, &size))
        return -1;
    return size.QuadPart;
}

double ClickLog::WaitForGrowth(LONGLONG size, DWORD timeoutMs) const
{
    const double deadline = NowMs() + timeoutMs;
    for (;;) {
        const double now = NowMs();
        if (Size() > size)
            return now;
        if (now >= deadline)
            return -1.0;
        Sleep(1);
    }
}
