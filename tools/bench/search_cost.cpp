// The cost of one search for XSplit, the call the worker repeats every
// period while XSplit is missing: it opens every process in the list and
// reads its executable's name. Timed here, in this process, with crowds of
// idle processes running beside.
#include <windows.h>
#include <psapi.h>

#include <string>
#include <vector>

#include "bench/clock.h"
#include "bench/idle_processes.h"
#include "bench/sections.h"
#include "drive/simulators.h"
#include "xsplit/xsplit.h"

namespace {

// The same room the search itself gives the list.
constexpr DWORD kMaxListedProcesses = 1024;

std::vector<DWORD> ListedProcesses()
{
    std::vector<DWORD> ids(kMaxListedProcesses);
    DWORD bytes = 0;
    if (!EnumProcesses(ids.data(), DWORD(ids.size() * sizeof(DWORD)), &bytes))
        bytes = 0;
    ids.resize(bytes / sizeof(DWORD));
    return ids;
}

// Where the process stands in the list the search walks (1 = first); 0 when absent.
size_t ListPosition(DWORD processId)
{
    const std::vector<DWORD> ids = ListedProcesses();
    for (size_t i = 0; i < ids.size(); ++i)
        if (ids[i] == processId)
            return i + 1;
    return 0;
}

// Times `repeats` searches; those that do not give the expected answer are left out.
std::vector<double> TimeSearches(int repeats, bool expectFound, int* wrong)
{
    std::vector<double> durations;
    for (int i = 0; i < repeats; ++i) {
        const double before = NowMs();
        const HWND found = FindXSplitWindow();
        const double took = NowMs() - before;
        if ((found != nullptr) == expectFound)
            durations.push_back(took);
        else
            ++*wrong;
    }
    return durations;
}

std::string WrongNote(int wrong)
{
    return wrong == 0 ? "" : "; " + std::to_string(wrong) + " searches gave the wrong answer";
}

// Both searches with `running` idle processes beside: XSplit started after
// them, so listed after them, and no XSplit at all.
bool MeasureAtCrowd(int running, int repeats, Report& report)
{
    const std::string crowd = std::to_string(running) + " idle processes";
    SimulatedXSplit xsplit;
    if (!xsplit.Launch(BenchScenes())) {
        report.AddNotMeasured("XSplit search beside " + crowd, "the simulated XSplit did not start");
        return false;
    }
    int wrong = 0;
    const size_t position = ListPosition(xsplit.Process().Id());
    const size_t listed = ListedProcesses().size();
    std::vector<double> found = TimeSearches(repeats, true, &wrong);
    report.AddSpread("XSplit search beside " + crowd + ", XSplit running", found, "ms", false,
                     "XSplit listed " + std::to_string(position) + " of " + std::to_string(listed) + WrongNote(wrong));
    xsplit.Kill();
    wrong = 0;
    std::vector<double> absent = TimeSearches(repeats, false, &wrong);
    report.AddSpread("XSplit search beside " + crowd + ", no XSplit", absent, "ms", false,
                     std::to_string(ListedProcesses().size()) + " processes listed" + WrongNote(wrong));
    return !found.empty() && !absent.empty();
}

} // namespace

bool MeasureSearchCost(const BenchOptions& options, Report& report)
{
    IdleProcesses idle;
    bool measured = true;
    for (int wanted : options.processCounts) {
        const double before = NowMs();
        const int running = idle.GrowTo(wanted);
        Progress("  %d idle processes running (%d wanted), started in %.0f s", running, wanted,
                 (NowMs() - before) / 1000.0);
        measured &= MeasureAtCrowd(running, options.searchRepeats, report);
        // Each search now takes seconds, so Stop must be seen inside a search, not only between searches.
        if (running > 0 && wanted == options.processCounts.back())
            measured &= MeasureStopLookingForXSplit(options, report, " beside " + std::to_string(running) + " idle processes");
        if (running < wanted) {
            report.AddNotMeasured("XSplit search beside " + std::to_string(wanted) + " idle processes",
                                  "only " + std::to_string(running) + " could be started; larger crowds skipped");
            break;
        }
    }
    idle.EndAll();
    return measured;
}
