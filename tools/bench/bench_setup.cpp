#include "bench/bench_setup.h"

#include <cstdarg>
#include <cstdio>
#include <random>

#include "drive/message_box.h"
#include "drive/stored_settings.h"

namespace {

constexpr int kReceiverStartTries = 5;
constexpr DWORD kPortRetryPauseMs = 3000;
// Each try waits up to 30 s for the port.
constexpr int kPatchServerTries = 6;

std::mt19937& Random()
{
    static std::mt19937 random;
    return random;
}

} // namespace

bool StartBenchPatchServer(LocalPatchServer& server)
{
    for (int attempt = 0; attempt < kPatchServerTries; ++attempt) {
        if (server.Start())
            return true;
        Progress("  the patch port %u is taken; trying again", unsigned(kLocalPatchServerPort));
    }
    return false;
}

bool LaunchProgram(KestrelcueProgram& program)
{
    program.UseOutsidePatchServer();
    return program.Launch();
}

std::vector<std::wstring> BenchScenes()
{
    return {kEnterScene, kLeaveScene, kTabOutScene, kTabInScene, kWonScene, kReplaySceneName};
}

void TypeSceneNames(const KestrelcueProgram& program)
{
    program.SetText(1004, kEnterScene);
    program.SetText(1006, kLeaveScene);
    program.SetText(1007, kTabOutScene);
    program.SetText(1008, kTabInScene);
}

void StoreLocalMode()
{
    WriteStoredDword(L"Remote Enabled", 0);
    WriteStoredDword(L"Remote Role", 1);
    WriteStoredString(L"Remote Host", L"");
    WriteStoredDword(L"Game State Source", 0);
    WriteStoredDword(L"Scene Program", 0);
}

void StoreClientApiChosen()
{
    WriteStoredDword(L"Game State Source", 1);
}

void StoreSituationScenes(bool on)
{
    WriteStoredString(L"VictoryScene", on ? kWonScene : L"");
    WriteStoredString(L"ReplayScene", on ? kReplaySceneName : L"");
    WriteStoredString(L"Player Names", on ? L"Kestrel" : L"");
}

void StoreNetworkRole(DWORD role, const wchar_t* host)
{
    WriteStoredDword(L"Remote Enabled", 1);
    WriteStoredDword(L"Remote Role", role);
    WriteStoredString(L"Remote Host", host);
}

void SeedRandom(unsigned seed)
{
    Random().seed(seed);
}

DWORD RandomMs(DWORD from, DWORD span)
{
    if (span == 0)
        return from;
    return from + std::uniform_int_distribution<DWORD>(0, span - 1)(Random());
}

bool StartReceiver(KestrelcueProgram& xsplitSide)
{
    for (int attempt = 0; attempt < kReceiverStartTries; ++attempt) {
        xsplitSide.PressStartStop();
        HWND box = nullptr;
        WaitUntil([&] {
            box = FindMessageBox(xsplitSide.Process().Id());
            return box != nullptr || xsplitSide.Status() == L"Waiting for network event...";
        });
        if (box == nullptr && xsplitSide.Status() == L"Waiting for network event...")
            return true;
        if (box != nullptr) {
            Progress("  the relay port is taken (%ls); trying again", MessageBoxText(box).c_str());
            DismissMessageBox(box);
        }
        WaitUntil([&] { return FindMessageBox(xsplitSide.Process().Id()) == nullptr; }, 5000);
        xsplitSide.PressStartStop();
        Sleep(kPortRetryPauseMs);
    }
    return false;
}

void Progress(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
    std::fflush(stdout);
}
