// The patch information server doing harm at start-up: slow, closed on by
// the user, cut off in the middle of the body, answering with more than the
// program keeps, or with garbage.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "drive/local_patch_server.h"
#include "drive/message_box.h"
#include "fault_support.h"

namespace {

constexpr wchar_t kFailureText[] =
    L"Failed to download StarCraft 2 patch information: Couldn't connect to 127.0.0.1.";
constexpr size_t kTwentyKilobytes = 20 * 1024;

class FaultPatchServerTest : public StreamingSession {
protected:
    void SetUp() override { program.UseOutsidePatchServer(); }

    // With the table loaded, a game start switches the scene; then Stop and
    // a close that keeps the settings.
    void ExpectTheTableWatchedThenACleanClose()
    {
        ASSERT_NO_FATAL_FAILURE(StartWithGameInFront(L"Menus"));
        game.StartGame();
        ExpectClicks(xsplit, {L"Menus", L"Game"});
        program.PressStartStop();
        CloseAndExpectNothingLost();
    }

    // Waits for the download to end: either the failure box shows, or the
    // program has closed its connection without one. Null in the second case.
    HWND WaitForDownloadEnd(KestrelcueProgram& run, const LocalPatchServer& server)
    {
        HWND box = nullptr;
        EXPECT_TRUE(WaitUntil([&] {
            box = FindMessageBox(run.Process().Id());
            return box != nullptr || server.IsClosedByClient(0);
        }, 30000)) << "the download never ended";
        if (box == nullptr)
            WaitUntil([&] { return (box = FindMessageBox(run.Process().Id())) != nullptr; }, 1500);
        return box;
    }

    // The failure path: the box, then the program ends by itself, saving.
    void ExpectFailureThenCleanEnd(HWND box)
    {
        EXPECT_EQ(MessageBoxText(box), kFailureText);
        DismissMessageBox(box);
        DWORD code = 1234;
        ASSERT_TRUE(program.Process().WaitForExit(15000, &code)) << "the program goes on after the failure";
        EXPECT_EQ(code, 0u);
        ExpectSettingsSaved(settings);
    }

    // With no address known nothing is switched, whatever the game does,
    // and Start and Stop still work.
    void ExpectNothingSwitchedWithoutAnAddress(KestrelcueProgram& run)
    {
        ASSERT_TRUE(BringToFront(game.Window()));
        const size_t before = xsplit.Clicks().size();
        run.PressStartStop();
        // The worker finds both, fails to read the game, and looks again.
        std::vector<std::wstring> seen;
        run.WaitForStatusSeen(L"(never shown)", &seen, 600);
        game.StartGame();
        run.WaitForStatusSeen(L"(never shown)", &seen, 600);
        game.EndGame();
        EXPECT_GE(std::count(seen.begin(), seen.end(), L"Finding XSplit window..."), 2) << "the worker does not cycle";
        EXPECT_LT(TimedClick(run, 1011), 5000u);
        EXPECT_EQ(run.Status(), L"Aborted.");
        EXPECT_EQ(xsplit.Clicks().size(), before);
    }
};

// The table, then white space up to `bytes` bytes.
std::string TableThenBlanks(size_t bytes)
{
    std::string document = SamplePatchDocument();
    document.append(bytes - document.size(), ' ');
    return document;
}

TEST_F(FaultPatchServerTest, ASlowServerLeavesTheWindowResponsive)
{
    PatchAnswer answer = DocumentAnswer(SamplePatchDocument());
    answer.delayBeforeAnswerMs = 4000;
    answer.portions.assign(answer.body.size() / 64, 64);
    answer.pauseAfterPortionMs = 100;
    LocalPatchServer server(answer);
    ASSERT_TRUE(server.Start());
    ASSERT_NO_FATAL_FAILURE(LaunchSession());
    ASSERT_TRUE(server.WaitForRequests(1));
    const ULONGLONG loading = GetTickCount64();

    // While the table trickles in, the window answers and Start and Stop work.
    DWORD worst = 0;
    int probes = 0;
    DWORD startStop = TimedClick(program, 1011);
    std::vector<std::wstring> seen;
    EXPECT_TRUE(program.WaitForStatusSeen(L"Finding StarCraft II window...", &seen));
    startStop = std::max(startStop, TimedClick(program, 1011));
    EXPECT_EQ(program.Status(), L"Aborted.");
    while (program.SelectedPatch() != 0 && GetTickCount64() - loading < 30000) {
        worst = std::max(worst, AnswerTimeMs(program.Window()));
        ++probes;
        Sleep(50);
    }
    std::printf("while the table loaded for %llu ms the window answered %d messages, the slowest in %lu ms; "
                "Start and Stop took at most %lu ms\n", GetTickCount64() - loading, probes, worst, startStop);
    EXPECT_LT(worst, 1000u);
    EXPECT_LT(startStop, 3000u);
    ASSERT_EQ(program.PatchCount(), 2) << "the slow table did not arrive whole";

    ExpectTheTableWatchedThenACleanClose();
}

TEST_F(FaultPatchServerTest, ClosingTheWindowDuringTheDownloadEndsTheProgramCleanly)
{
    struct Wait {
        const char* what;
        bool hold;  // the request is read and never answered
        PatchAnswer answer;
        bool failureShown;  // the answer makes the download fail, and the box waits for the user
    };
    PatchAnswer halfThenSilence = DocumentAnswer(SamplePatchDocument());
    halfThenSilence.portions = {halfThenSilence.body.size() / 2};
    halfThenSilence.pauseAfterPortionMs = 60000;
    PatchAnswer notFound = DocumentAnswer("<html>Not here</html>");
    notFound.status = 404;
    const Wait waits[] = {
        {"before any answer", true, DocumentAnswer(SamplePatchDocument()), false},
        {"in the middle of the body", false, halfThenSilence, false},
        {"while the failure box waits for the user", false, notFound, true},
    };
    for (const Wait& wait : waits) {
        SCOPED_TRACE(wait.what);
        LocalPatchServer server(wait.answer);
        if (wait.hold)
            server.HoldAnswers();
        ASSERT_TRUE(server.Start());
        settings = UsualSettings();
        StoreSettings(settings);
        KestrelcueProgram run;
        run.UseOutsidePatchServer();
        ASSERT_TRUE(run.Launch()) << run.LaunchProblem();
        ASSERT_TRUE(server.WaitForRequests(1));
        if (wait.failureShown) {
            ASSERT_TRUE(WaitUntil([&] { return FindMessageBox(run.Process().Id()) != nullptr; }));
        }
        Sleep(1000);
        // A change made while the table loads is saved like any other.
        settings.enterScene = L"Changed while loading";
        run.SetText(1004, settings.enterScene);
        EXPECT_EQ(run.PatchCount(), 0);
        const ULONGLONG before = GetTickCount64();
        ASSERT_TRUE(run.Close(15000)) << "the program did not end";
        DWORD code = 1234;
        ASSERT_TRUE(run.Process().WaitForExit(0, &code));
        std::printf("closed during the download %s: the process ended after %llu ms\n", wait.what,
                    GetTickCount64() - before);
        EXPECT_EQ(code, 0u);
        ExpectSettingsSaved(settings);
    }
}

// Stop and closing the window both wait for the worker, serving nothing
// meanwhile, and a failed download shows its box (owned by the window)
// and then sends the window WM_CLOSE. Here the worker is caught in a click
// into a hung XSplit (at most 2 s) while the slow server finally refuses.
// The XSplit side of a network pair clicks without any patch table, so
// its worker gets there while the download still waits.
class FaultDownloadFailsDuringAWaitTest : public FaultPatchServerTest {
protected:
    void SetUp() override
    {
        FaultPatchServerTest::SetUp();
        PatchAnswer refused = DocumentAnswer("<html>Busy</html>");
        refused.status = 500;
        server = std::make_unique<LocalPatchServer>(refused);
        server->HoldAnswers();
        ASSERT_TRUE(server->Start());
        ASSERT_NO_FATAL_FAILURE(
            StartReceiver({L"Game", L"Menus"}, {L"--hang-on-click", L"5000", L"--hang-clicks", L"1"}));
        ASSERT_TRUE(server->WaitForRequests(1));
        ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Game")));
        // XSplit logs the click before it hangs in it.
        ASSERT_TRUE(xsplit.WaitForClicks(1));
    }

    // Lets the server refuse, answers the failure box and returns once it
    // has gone; `waiting` says whether the wait under test was still on
    // when the box was answered.
    void RefuseAndAnswerTheBox(const std::function<bool()>& waiting)
    {
        server->ReleaseAnswers();
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(program.Process().Id())) != nullptr; }));
        EXPECT_EQ(MessageBoxText(box), kFailureText);
        ASSERT_TRUE(waiting()) << "the box came after the wait: the case was not made";
        DismissMessageBox(box);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    }

    // The program ends by itself, once, with 0 and its settings saved whole.
    void ExpectOneCleanEnd()
    {
        DWORD code = 1234;
        ASSERT_TRUE(program.Process().WaitForExit(15000, &code)) << "the program goes on after the failure";
        EXPECT_EQ(code, 0u);
        ExpectSettingsSaved(settings);
    }

    std::unique_ptr<LocalPatchServer> server;
};

TEST_F(FaultDownloadFailsDuringAWaitTest, DuringStopTheWindowStaysUntilStopIsDone)
{
    PostMessageW(program.Window(), WM_COMMAND, MAKEWPARAM(1011, BN_CLICKED), LPARAM(program.Control(1011)));
    // The refusal comes while Stop waits for the worker or just after: the
    // box waits for Stop to be done, and the window is still there then.
    ASSERT_NO_FATAL_FAILURE(RefuseAndAnswerTheBox([&] {
        return WaitUntil([&] { return program.Status() == L"Aborted."; }) && IsWindow(program.Window());
    }));
    ExpectOneCleanEnd();
}

TEST_F(FaultDownloadFailsDuringAWaitTest, WhileTheWindowClosesItClosesOnce)
{
    PostMessageW(program.Window(), WM_CLOSE, 0, 0);
    // The window's end waits up to 3 s for the worker, and the worker's
    // click up to 2 s; the refusal comes meanwhile. Whether its box shows
    // before the process ends or not at all, the program ends once, cleanly.
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.Window()); }));
    server->ReleaseAnswers();
    ASSERT_TRUE(WaitUntil([&] {
        if (HWND box = FindMessageBox(program.Process().Id()))
            DismissMessageBox(box);
        return !program.Process().IsRunning();
    }, 20000));
    ExpectOneCleanEnd();
}

// The server closes the connection, in good order, before the body it
// announced is complete. The platform may report that as a failed read
// (the failure box, then the program ends) or as the end of the body (the
// program goes on with what came); both must leave the settings whole.
TEST_F(FaultPatchServerTest, CutOffInsideTheTable)
{
    PatchAnswer answer = DocumentAnswer(SamplePatchDocument());
    answer.closeAfterBodyBytes = answer.body.size() / 2;
    LocalPatchServer server(answer);
    ASSERT_TRUE(server.Start());
    ASSERT_NO_FATAL_FAILURE(LaunchSession());
    HWND box = WaitForDownloadEnd(program, server);
    std::printf("a body cut inside the table was %s\n", box != nullptr ? "reported as a failure" : "read as far as it came");
    if (box != nullptr) {
        ExpectFailureThenCleanEnd(box);
        return;
    }
    // Half a table is not a table.
    EXPECT_EQ(program.PatchCount(), 0);
    ExpectNothingSwitchedWithoutAnAddress(program);
    CloseAndExpectNothingLost();
}

TEST_F(FaultPatchServerTest, CutOffAfterTheTable)
{
    PatchAnswer answer = DocumentAnswer(TableThenBlanks(4000));
    answer.closeAfterBodyBytes = SamplePatchDocument().size() + 1000;
    LocalPatchServer server(answer);
    ASSERT_TRUE(server.Start());
    ASSERT_NO_FATAL_FAILURE(LaunchSession());
    HWND box = WaitForDownloadEnd(program, server);
    std::printf("a body cut after the table was %s\n", box != nullptr ? "reported as a failure" : "read as far as it came");
    if (box != nullptr) {
        ExpectFailureThenCleanEnd(box);
        return;
    }
    ASSERT_TRUE(WaitUntil([&] { return program.SelectedPatch() == 0; }));
    EXPECT_EQ(program.PatchCount(), 2);
    ExpectTheTableWatchedThenACleanClose();
}

// More than the program keeps: what fits is kept when the table stands
// first, and nothing when the table stands beyond the cut.
TEST_F(FaultPatchServerTest, ATwentyKilobyteBodyKeepsTheTableAtItsStart)
{
    PatchAnswer answer = DocumentAnswer(TableThenBlanks(kTwentyKilobytes));
    LocalPatchServer server(answer);
    ASSERT_TRUE(server.Start());
    ASSERT_NO_FATAL_FAILURE(LaunchSession());
    ASSERT_TRUE(WaitUntil([&] { return program.SelectedPatch() == 0; }));
    EXPECT_EQ(program.PatchCount(), 2);
    EXPECT_TRUE(server.WaitForClientClose(0));
    EXPECT_EQ(FindMessageBox(program.Process().Id()), nullptr);
    ExpectTheTableWatchedThenACleanClose();
}

TEST_F(FaultPatchServerTest, ATwentyKilobyteBodyWithTheTableAtItsEndGivesAnEmptyList)
{
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string table = "<StarInfoData><Patch Version=\"Simulated game\" Ptr1=\"0x20000000\"/></StarInfoData>";
    const std::string padding = "<!--" + std::string(kTwentyKilobytes - declaration.size() - table.size() - 7, ' ') + "-->";
    PatchAnswer answer = DocumentAnswer(declaration + padding + table);
    ASSERT_EQ(answer.body.size(), kTwentyKilobytes);
    LocalPatchServer server(answer);
    ASSERT_TRUE(server.Start());
    ASSERT_NO_FATAL_FAILURE(LaunchSession());
    ASSERT_TRUE(server.WaitForClientClose(0)) << "the download never ended";
    EXPECT_FALSE(WaitUntil([&] { return FindMessageBox(program.Process().Id()) != nullptr; }, 1500));
    EXPECT_EQ(program.PatchCount(), 0);
    ExpectNothingSwitchedWithoutAnAddress(program);
    CloseAndExpectNothingLost();
}

// Bytes from a fixed sequence, so that a failure can be replayed.
std::string NoiseBytes(size_t count, uint32_t seed)
{
    std::string bytes;
    for (size_t i = 0; i < count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        bytes += char(seed >> 24);
    }
    return bytes;
}

std::string Repeated(const std::string& piece, size_t times)
{
    std::string text;
    for (size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

struct Garbage {
    const char* what;
    std::string body;
    int items;  // list items the program must show
};

TEST_F(FaultPatchServerTest, GarbageIsReadAsNoTableOrAsWhatItHolds)
{
    const std::string declaration = "<?xml version=\"1.0\"?>";
    const std::string patch = "<Patch Version=\"v\" Ptr1=\"0\"/>";
    const size_t manyPatches = (16000 - declaration.size() - 40) / patch.size();
    const std::string utf16Bom = std::string("\xFF\xFE", 2) + std::string("<\0?\0x\0m\0l\0", 10);
    const Garbage cases[] = {
        {"random bytes", NoiseBytes(12000, 7), 0},
        {"an HTML error page sent with status 200", "<html><body><h1>502 Bad Gateway</h1></body></html>", 0},
        {"a document in UTF-16", utf16Bom + std::string(4000, '\0'), 0},
        {"elements nested 2000 deep", declaration + Repeated("<a>", 2000) + Repeated("</a>", 2000), 0},
        {"elements opened 5000 deep and never closed", declaration + Repeated("<a>", 5000), 0},
        {"nothing but '<'", std::string(16000, '<'), 0},
        {"bytes that are not UTF-8 inside the table",
         declaration + "<StarInfoData><Patch Version=\"\xC3\x28\xFF\" Ptr1=\"20000000\"/></StarInfoData>", 0},
        {"control characters and unknown entities",
         declaration + "<StarInfoData><Patch Version=\"&bogus;\x01\" Ptr1=\"&#1;\"/></StarInfoData>", 0},
        {"a zero byte inside the table",
         declaration + "<StarInfoData><Patch Version=\"a\" Ptr1=\"0\"/>" + std::string(1, '\0') + "</StarInfoData>", 0},
        {"a version of 12000 bytes and an address that is no number",
         declaration + "<StarInfoData><Patch Version=\"" + std::string(12000, 'V') + "\" Ptr1=\"zz\"/></StarInfoData>", 1},
        {"hundreds of versions without an address",
         declaration + "<StarInfoData>" + Repeated(patch, manyPatches) + "</StarInfoData>", int(manyPatches)},
    };
    ASSERT_TRUE(game.Launch());
    ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus", L"Back", L"Away"}));
    for (const Garbage& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_LE(c.body.size(), 16383u);
        StoreSettings(settings);
        LocalPatchServer server(DocumentAnswer(c.body));
        ASSERT_TRUE(server.Start());
        KestrelcueProgram run;
        run.UseOutsidePatchServer();
        ASSERT_TRUE(run.Launch()) << run.LaunchProblem();
        ASSERT_TRUE(server.WaitForClientClose(0)) << "the download never ended";
        EXPECT_FALSE(WaitUntil([&] { return FindMessageBox(run.Process().Id()) != nullptr; }, 1000));
        EXPECT_TRUE(WaitUntil([&] { return run.PatchCount() == c.items; }, 5000)) << run.PatchCount();
        for (const PatchItem& item : run.PatchItems()) {
            EXPECT_LE(item.label.size(), 127u);
            EXPECT_EQ(item.address, 0u);
        }
        ExpectNothingSwitchedWithoutAnAddress(run);
        ASSERT_TRUE(run.Close(15000));
        DWORD code = 1234;
        run.Process().WaitForExit(0, &code);
        EXPECT_EQ(code, 0u);
        ExpectSettingsSaved(settings);
    }
}

} // namespace
