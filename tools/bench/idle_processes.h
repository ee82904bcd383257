// Crowds of cheap processes that only wait, so the XSplit search can be
// timed with many processes to look through. Each is this bench started as
// "bench.exe --idle PARENT-ID"; it ends when told or when its parent ends,
// so none outlives a bench that crashed.
#pragma once
#include <windows.h>
#include <vector>

class IdleProcesses {
public:
    IdleProcesses();
    IdleProcesses(const IdleProcesses&) = delete;
    IdleProcesses& operator=(const IdleProcesses&) = delete;
    ~IdleProcesses();

    // Starts more until `count` are running and waiting; returns how many
    // are, which is fewer when the system refused or they were too slow.
    int GrowTo(int count);
    int Count() const { return int(processes_.size()); }
    // Tells them all to end and waits for them; ends the slow ones.
    void EndAll();

private:
    HANDLE endEvent_ = nullptr;
    HANDLE readySemaphore_ = nullptr;
    std::vector<HANDLE> processes_;
};

// The body of one idle process.
int RunIdleProcess(DWORD parentId);
