// How soon the program is there for the user: from starting its process to
// its main window on the screen, and on to the patch list filled from the
// download; and how large the shipped executable is.
#include <windows.h>

#include <string>
#include <vector>

#include "bench/clock.h"
#include "bench/sections.h"

namespace {

constexpr int kStarts = 10;
constexpr DWORD kShowWaitMs = 30000;
constexpr DWORD kCloseWaitMs = 15000;
constexpr int kMainPatchList = 1009;
constexpr double kBytesPerKiB = 1024.0;

struct StartTimes {
    double windowMs = -1;     // negative: never shown
    double patchListMs = -1;  // negative: never filled
};

// Polls about every millisecond; FindWindowW asks nothing of the program.
HWND WaitForShownWindow(DWORD processId, double deadline)
{
    for (;;) {
        HWND window = FindWindowW(L"#32770", kMainCaption);
        DWORD owner = 0;
        if (window != nullptr)
            GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window))
            return window;
        if (NowMs() >= deadline)
            return nullptr;
        Sleep(1);
    }
}

StartTimes TimeOneStart()
{
    StartTimes times;
    ChildProcess program;
    const double started = NowMs();
    if (!program.Start(BinaryPath(L"Kestrelcue.exe"), {}))
        return times;
    const HWND window = WaitForShownWindow(program.Id(), started + kShowWaitMs);
    if (window == nullptr)
        return times;
    times.windowMs = NowMs() - started;
    const HWND list = GetDlgItem(window, kMainPatchList);
    while (NowMs() < started + kShowWaitMs) {
        if (SendMessageW(list, CB_GETCOUNT, 0, 0) > 0) {
            times.patchListMs = NowMs() - started;
            break;
        }
        Sleep(1);
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    program.WaitForExit(kCloseWaitMs);
    return times;
}

void AddExeSize(const BenchOptions& options, Report& report)
{
    const std::string measure = "Size of Kestrelcue.exe (release build)";
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (options.releaseExe.empty() || !GetFileAttributesExW(options.releaseExe.c_str(), GetFileExInfoStandard, &data)) {
        report.AddNotMeasured(measure, "the release build's executable was not found");
        return;
    }
    const ULONGLONG bytes = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    report.AddValue(measure, double(bytes) / kBytesPerKiB, "KiB",
                    std::to_string(bytes) + " bytes, statically linked, no DLLs beside it");
}

} // namespace

bool MeasureStartup(const BenchOptions& options, Report& report)
{
    StoreLocalMode();
    // The first start of a Wine session loads everything from disk; it is shown apart.
    const StartTimes first = TimeOneStart();
    std::vector<double> window, patchList;
    for (int i = 0; i < kStarts; ++i) {
        const StartTimes times = TimeOneStart();
        if (times.windowMs >= 0)
            window.push_back(times.windowMs);
        if (times.patchListMs >= 0)
            patchList.push_back(times.patchListMs);
    }
    if (first.windowMs >= 0)
        report.AddValue("Start to main window shown, first start of the session", first.windowMs, "ms");
    report.AddSpread("Start to main window shown", window, "ms", false, "test build; it differs only in the patch server");
    report.AddSpread("Start to patch list filled (download from 127.0.0.1)", patchList, "ms", false);
    AddExeSize(options, report);
    return !window.empty();
}
