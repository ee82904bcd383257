// The bench: drives the real Kestrelcue.exe with the simulated game and the
// simulated XSplit and prints how fast and how light it is, as a Markdown
// table, written also as OUT\bench.md and OUT\bench.csv.
//   bench.exe [--out FOLDER] [--release-exe PATH] [--server-pid LINUX-PID]
//             [--events N] [--stop-repeats N] [--search-repeats N]
//             [--cpu-seconds N] [--search-cpu-seconds N] [--processes N,N,...] [--seed N] [--only SECTION,...]
//             [--no-table]
//   bench.exe --idle PARENT-ID     (one of the idle processes it starts itself)
// Sections: startup, flag, api, situations, alttab, network, stop, resources, search, obs, overlay.
// It serves the sample patch table on the test build's port for its whole run.
// Exit code 0 when every section could measure; the figures never fail it.
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/clock.h"
#include "bench/idle_processes.h"
#include "bench/sections.h"
#include "drive/program.h"

namespace {

// Room for the heading's date and platform.
constexpr int kHeadingChars = 256;

struct Section {
    const wchar_t* name;
    bool (*measure)(const BenchOptions&, Report&);
};

const Section kSections[] = {
    {L"startup", MeasureStartup},
    {L"flag", MeasureGameFlagReaction},
    {L"api", MeasureClientApiReaction},
    {L"situations", MeasureSituationReaction},
    {L"alttab", MeasureAltTabReaction},
    {L"network", MeasureNetworkReaction},
    {L"stop", MeasureStopTimes},
    {L"resources", MeasureResourceUse},
    {L"search", MeasureSearchCost},
    {L"obs", MeasureObs},
    {L"overlay", MeasureOverlayReaction},
};

std::vector<std::wstring> SplitList(const std::wstring& text)
{
    std::vector<std::wstring> items;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(L',', start);
        items.push_back(text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
        if (comma == std::wstring::npos)
            return items;
        start = comma + 1;
    }
}

bool ParsePositive(const std::wstring& text, int* number)
{
    wchar_t* end = nullptr;
    const long value = std::wcstol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != L'\0' || value < 0)
        return false;
    *number = int(value);
    return true;
}

bool ParseOptions(int argc, wchar_t** argv, BenchOptions* options, std::wstring* outFolder, unsigned* seed,
                  bool* printTable)
{
    for (int i = 1; i < argc; ++i) {
        const std::wstring name = argv[i];
        if (name == L"--no-table") {
            *printTable = false;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        const std::wstring value = argv[++i];
        int number = 0;
        if (name == L"--out") {
            *outFolder = value;
        } else if (name == L"--release-exe") {
            options->releaseExe = value;
        } else if (name == L"--only") {
            options->only = SplitList(value);
        } else if (name == L"--processes") {
            options->processCounts.clear();
            for (const std::wstring& item : SplitList(value)) {
                if (!ParsePositive(item, &number))
                    return false;
                options->processCounts.push_back(number);
            }
        } else if (!ParsePositive(value, &number)) {
            return false;
        } else if (name == L"--server-pid") {
            options->serverPid = DWORD(number);
        } else if (name == L"--events") {
            options->events = number;
        } else if (name == L"--stop-repeats") {
            options->stopRepeats = number;
        } else if (name == L"--search-repeats") {
            options->searchRepeats = number;
        } else if (name == L"--cpu-seconds") {
            options->cpuSeconds = DWORD(number);
        } else if (name == L"--search-cpu-seconds") {
            options->searchCpuSeconds = DWORD(number);
        } else if (name == L"--seed") {
            *seed = unsigned(number);
        } else {
            return false;
        }
    }
    return true;
}

bool IsChosen(const BenchOptions& options, const wchar_t* section)
{
    if (options.only.empty())
        return true;
    for (const std::wstring& name : options.only)
        if (name == section)
            return true;
    return false;
}

std::string WineVersion()
{
    using GetVersion = const char* (*)();
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    // Through void* because FARPROC's type says nothing true about the function.
    void* found = ntdll == nullptr ? nullptr : reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version"));
    auto get = reinterpret_cast<GetVersion>(found);
    return get == nullptr ? std::string("Windows") : std::string("Wine ") + get();
}

std::string Heading(unsigned seed)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    char heading[kHeadingChars];
    std::snprintf(heading, kHeadingChars,
                  "Kestrelcue bench, %04u-%02u-%02u %02u:%02u, %s, %lu processors; sampling period %.0f ms; seed %u",
                  now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, WineVersion().c_str(),
                  static_cast<unsigned long>(system.dwNumberOfProcessors), kSamplePeriodMs, seed);
    return heading;
}

bool WriteTextFile(const std::wstring& path, const std::string& text)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(file);
    return ok;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && std::wstring(argv[1]) == L"--idle")
        return RunIdleProcess(DWORD(std::wcstoul(argv[2], nullptr, 10)));
    BenchOptions options;
    std::wstring outFolder;
    unsigned seed = 20120112;
    bool printTable = true;
    if (!ParseOptions(argc, argv, &options, &outFolder, &seed, &printTable)) {
        std::printf("usage: bench.exe [--out FOLDER] [--release-exe PATH] [--server-pid N] [--events N]\n"
                    "                 [--stop-repeats N] [--search-repeats N] [--cpu-seconds N] [--search-cpu-seconds N]\n"
                    "                 [--processes N,N,...] [--seed N] [--only SECTION,...] [--no-table]\n");
        return 2;
    }
    SeedRandom(seed);
    // Polling every millisecond needs a timer that fine (Windows' default step is 15.6 ms).
    timeBeginPeriod(1);
    DeleteSettings();
    LocalPatchServer patchServer;
    if (!StartBenchPatchServer(patchServer)) {
        std::printf("bench: FAILED: the patch port %u never came free\n", unsigned(kLocalPatchServerPort));
        timeEndPeriod(1);
        return 1;
    }
    Report report;
    bool measured = true;
    const double benchStarted = NowMs();
    for (const Section& section : kSections) {
        if (!IsChosen(options, section.name))
            continue;
        Progress("bench: %ls ...", section.name);
        const double started = NowMs();
        const bool ok = section.measure(options, report);
        Progress("bench: %ls %s in %.0f s", section.name, ok ? "measured" : "could NOT be measured",
                 (NowMs() - started) / 1000.0);
        measured &= ok;
    }
    DeleteSettings();
    const std::string table = report.Table(Heading(seed));
    if (printTable)
        std::printf("\n%s\n", table.c_str());
    std::printf("bench: took %.0f s\n", (NowMs() - benchStarted) / 1000.0);
    if (!outFolder.empty()) {
        CreateDirectoryW(outFolder.c_str(), nullptr);
        if (!WriteTextFile(outFolder + L"\\bench.md", table) || !WriteTextFile(outFolder + L"\\bench.csv", report.Csv())) {
            std::printf("bench: could not write the figures into %ls\n", outFolder.c_str());
            measured = false;
        }
    }
    std::fflush(stdout);
    timeEndPeriod(1);
    return measured ? 0 : 1;
}
