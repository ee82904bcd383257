// Seeing the simulated XSplit's clicks as they land, at little cost: it
// appends one line to its log per click, and the log's size, read through a
// handle held open, asks nothing of XSplit or Kestrelcue, so watching does
// not slow what is watched.
#pragma once
#include <windows.h>
#include <string>

class ClickLog {
public:
    ClickLog() = default;
    ClickLog(const ClickLog&) = delete;
    ClickLog& operator=(const ClickLog&) = delete;
    ~ClickLog();

    // Creates the log when it does not exist yet, so it can be held open
    // before the first click.
    bool Open(const std::wstring& path);
    LONGLONG Size() const;
    // Polls about every millisecond until the log is longer than `size`.
    // The moment it was seen (NowMs), or a negative number when the time ran out.
    double WaitForGrowth(LONGLONG size, DWORD timeoutMs) const;

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};
