// What the program costs while it runs: CPU time as a share of one core,
// memory and handles, read from outside through its process handle.
#include <windows.h>
#include <psapi.h>

#include <string>

#include "bench/click_log.h"
#include "bench/clock.h"
#include "bench/handle_count.h"
#include "bench/linux_process.h"
#include "bench/sections.h"
#include "bench/server_cpu.h"
#include "drive/simulators.h"

namespace {

constexpr DWORD kSettleMs = 2000;
constexpr DWORD kStateWaitMs = 15000;
constexpr double kBytesPerMiB = 1024.0 * 1024.0;

double ProcessCpuMs(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return -1.0;
    const auto ticks = [](const FILETIME& time) {
        return double((ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 10000.0;  // FILETIME counts 100 ns
}

struct CpuShare {
    bool measured = false;
    double percent = 0;
    bool linuxMeasured = false;
    double linuxPercent = 0;
    bool serverMeasured = false;
    double serverPercent = 0;
};

// Sits still for `seconds` and reports how much of one core the program
// (by both accounts) and this prefix's wineserver used meanwhile.
CpuShare MeasureCpuShare(HANDLE process, DWORD seconds, DWORD serverPid)
{
    CpuShare share;
    double serverBefore = 0, serverAfter = 0;
    const bool serverKnown = serverPid != 0 && ReadLinuxProcessCpuMs(serverPid, &serverBefore);
    const DWORD linuxPid = FindLinuxProcessOf("Kestrelcue.exe");
    double linuxBefore = 0, linuxAfter = 0;
    const bool linuxKnown = linuxPid != 0 && ReadLinuxProcessCpuMs(linuxPid, &linuxBefore);
    const double cpuBefore = ProcessCpuMs(process);
    const double wallBefore = NowMs();
    Sleep(seconds * 1000);
    const double cpuAfter = ProcessCpuMs(process);
    const double wall = NowMs() - wallBefore;
    if (cpuBefore >= 0 && cpuAfter >= 0 && wall > 0) {
        share.measured = true;
        share.percent = (cpuAfter - cpuBefore) / wall * 100.0;
    }
    if (linuxKnown && ReadLinuxProcessCpuMs(linuxPid, &linuxAfter) && wall > 0) {
        share.linuxMeasured = true;
        share.linuxPercent = (linuxAfter - linuxBefore) / wall * 100.0;
    }
    if (serverKnown && ReadLinuxProcessCpuMs(serverPid, &serverAfter) && wall > 0) {
        share.serverMeasured = true;
        share.serverPercent = (serverAfter - serverBefore) / wall * 100.0;
    }
    return share;
}

void AddCpuRows(Report& report, const std::string& what, const CpuShare& share, DWORD seconds)
{
    const std::string over = "over " + std::to_string(seconds) + " s";
    if (share.measured)
        report.AddValue("CPU of Kestrelcue " + what, share.percent, "% of a core", over + " (GetProcessTimes)");
    else
        report.AddNotMeasured("CPU of Kestrelcue " + what, "GetProcessTimes failed");
    if (share.linuxMeasured)
        report.AddValue("CPU of Kestrelcue " + what + ", Linux's account", share.linuxPercent, "% of a core",
                        over + "; the Wine process's every thread, from /proc");
    if (share.serverMeasured)
        report.AddValue("CPU of wineserver " + what, share.serverPercent, "% of a core",
                        over + "; serves every process of the prefix, the simulators and the bench included");
}

void AddMemoryRows(Report& report, HANDLE process, DWORD processId)
{
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        report.AddValue("Peak working set of Kestrelcue", double(memory.PeakWorkingSetSize) / kBytesPerMiB, "MiB",
                        "under Wine: the Linux process's peak resident size, Wine's own libraries included");
        // Wine leaves it 0 for another process: no row rather than a false one.
        if (memory.PrivateUsage != 0)
            report.AddValue("Private bytes of Kestrelcue", double(memory.PrivateUsage) / kBytesPerMiB, "MiB");
    } else {
        report.AddNotMeasured("Peak working set of Kestrelcue", "GetProcessMemoryInfo failed");
    }
    DWORD handles = 0;
    std::string source;
    if (CountProcessHandles(process, processId, &handles, &source))
        report.AddValue("Handles held by Kestrelcue", double(handles), "handles", "while watching; " + source);
    else
        report.AddNotMeasured("Handles held by Kestrelcue", "neither GetProcessHandleCount nor the system's list told");
}

// The same game watched through its client API: one HTTP request every
// period instead of one read of the game's memory.
bool MeasureClientApiCpu(const BenchOptions& options, Report& report, const SimulatedXSplit& xsplit, const ClickLog& log)
{
    const std::string what = "while watching a game through the client API";
    StoreLocalMode();
    StoreClientApiChosen();
    SimulatedGame game;
    KestrelcueProgram program;
    const bool up = game.LaunchWithApi() && LaunchProgram(program);
    StoreLocalMode();
    if (!up || !game.EnterGame()) {
        report.AddNotMeasured("CPU of Kestrelcue " + what, "the program or the game did not start");
        return false;
    }
    TypeSceneNames(program);
    BringToFront(game.Window());
    const LONGLONG size = log.Size();
    program.PressStartStop();
    if (log.WaitForGrowth(size, kStateWaitMs) < 0 || xsplit.Clicks().back() != kEnterScene) {
        report.AddNotMeasured("CPU of Kestrelcue " + what, "the program did not switch to the game's scene");
        return false;
    }
    Sleep(kSettleMs);
    AddCpuRows(report, what, MeasureCpuShare(program.Process().Handle(), options.cpuSeconds, options.serverPid),
               options.cpuSeconds);
    program.PressStartStop();
    return true;
}

} // namespace

bool MeasureResourceUse(const BenchOptions& options, Report& report)
{
    StoreLocalMode();
    SimulatedGame game;
    KestrelcueProgram program;
    if (!game.Launch(kSimFlagAddress, true) || !LaunchProgram(program)) {
        report.AddNotMeasured("CPU of Kestrelcue", "the program or the game did not start");
        return false;
    }
    TypeSceneNames(program);
    BringToFront(game.Window());
    const HANDLE process = program.Process().Handle();
    const auto measurePhase = [&](const std::string& what, DWORD seconds) {
        Sleep(kSettleMs);
        AddCpuRows(report, what, MeasureCpuShare(process, seconds, options.serverPid), seconds);
    };

    // What the prefix costs with the simulators and the program's window alone.
    measurePhase("before Start, the game running", options.searchCpuSeconds);

    // With XSplit missing the worker searches the process list every period.
    program.PressStartStop();
    if (!program.WaitForStatus(L"Finding XSplit window...", kStateWaitMs)) {
        report.AddNotMeasured("CPU of Kestrelcue while looking for XSplit", "the worker did not look for XSplit");
        return false;
    }
    measurePhase("while looking for XSplit", options.searchCpuSeconds);

    // Then XSplit comes and the program watches the running game.
    SimulatedXSplit xsplit;
    ClickLog log;
    if (!xsplit.Launch(BenchScenes()) || !log.Open(xsplit.LogPath()) || log.WaitForGrowth(0, kStateWaitMs) < 0) {
        report.AddNotMeasured("CPU of Kestrelcue while watching a game", "XSplit did not start or was not clicked");
        return false;
    }
    measurePhase("while watching a game", options.cpuSeconds);
    AddMemoryRows(report, process, program.Process().Id());
    program.PressStartStop();
    return MeasureClientApiCpu(options, report, xsplit, log);
}
