// The patch table download, as the web server sees the request and as the
// user sees a failure: a real HTTP server on this machine answers the real
// program's WinHTTP request.
#include <gtest/gtest.h>

#include <string>

#include "drive/box_icon.h"
#include "drive/local_patch_server.h"
#include "drive/message_box.h"
#include "drive/program.h"
#include "drive/simulators.h"
#include "patch_server.h"

namespace {

static_assert(kPatchInfoPort == kLocalPatchServerPort, "the test build must download from the local patch server");

constexpr wchar_t kFailureText[] =
    L"Failed to download StarCraft 2 patch information: Couldn't connect to 127.0.0.1.";
constexpr size_t kBodyLimitBytes = 16383;

// A document of exactly `bytes` bytes: the declaration, a comment that pads
// it, then `tail`, which ends the text.
std::string PaddedDocument(const std::string& tail, size_t bytes)
{
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    return declaration + "<!--" + std::string(bytes - declaration.size() - tail.size() - 7, ' ') + "-->" + tail;
}

// `text` padded with a comment to exactly `bytes` bytes.
std::string Padded(const std::string& text, size_t bytes)
{
    return text + "<!--" + std::string(bytes - text.size() - 7, ' ') + "-->";
}

std::wstring ReadSetting(const wchar_t* name)
{
    constexpr int kValueChars = 256;
    wchar_t value[kValueChars] = {};
    DWORD bytes = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS)
        return L"<absent>";
    value[kValueChars - 1] = L'\0';
    return value;
}

void WriteSetting(const wchar_t* name, const std::wstring& value)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_SZ, value.c_str(),
                    DWORD((value.size() + 1) * sizeof(wchar_t)));
}

class PatchDownloadTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        program.UseOutsidePatchServer();
    }

    // The list is complete once item 0 is shown selected: that is the loader's last step.
    bool WaitForLoadedList(int count)
    {
        return program.WaitForPatchCount(count) && WaitUntil([&] { return program.SelectedPatch() == 0; });
    }

    KestrelcueProgram program;
};

TEST_F(PatchDownloadTest, TheTestBuildDownloadsFromThisMachine)
{
    EXPECT_STREQ(kPatchInfoHost, L"127.0.0.1");
}

TEST_F(PatchDownloadTest, TheRequestIsOnePlainGetThatBypassesCaches)
{
    LocalPatchServer server;
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(program.Launch());
    ASSERT_TRUE(WaitForLoadedList(2));
    const std::vector<SeenRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u) << "one request a run, no retry";
    const SeenRequest& request = requests[0];
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/staff/Tamsworth/StarInfoData.xml");
    EXPECT_EQ(request.version, "HTTP/1.1");
    EXPECT_EQ(request.HeaderCount("User-Agent"), 1u);
    EXPECT_EQ(request.Header("User-Agent"), "Kestrelcue/1.0");
    EXPECT_EQ(request.Header("Host"), "127.0.0.1:18080");
    EXPECT_EQ(request.Header("Pragma"), "no-cache");
    EXPECT_EQ(request.Header("Cache-Control"), "no-cache");
    EXPECT_EQ(request.HeaderCount("Referer"), 0u);
    EXPECT_EQ(request.HeaderCount("Accept"), 0u);
    EXPECT_EQ(request.HeaderCount("Content-Type"), 0u);
    EXPECT_TRUE(request.Header("Content-Length").empty() || request.Header("Content-Length") == "0");
    EXPECT_EQ(request.bytesAfterHead, "") << "no request body";
}

TEST_F(PatchDownloadTest, ProgramsRunningTogetherShareTheSampleServer)
{
    KestrelcueProgram first;
    KestrelcueProgram second;
    ASSERT_TRUE(first.Launch());
    ASSERT_TRUE(second.Launch()) << "the second program found no server";
    for (KestrelcueProgram* run : {&first, &second}) {
        ASSERT_TRUE(run->WaitForPatchCount(2));
        EXPECT_EQ(run->PatchItems()[0].address, kSimFlagAddress);
    }
}

struct FailingAnswer {
    const char* name;
    bool serverRuns;
    PatchAnswer answer;
    bool answered;  // a connection stays open until the box is dismissed
};

PatchAnswer WithStatus(int status, const std::string& body)
{
    PatchAnswer answer = DocumentAnswer(body);
    answer.status = status;
    return answer;
}

PatchAnswer DroppedWithoutAnswer()
{
    PatchAnswer answer;
    answer.closeWithoutAnswer = true;
    return answer;
}

TEST_F(PatchDownloadTest, AFailedDownloadIsReportedThenClosesTheProgram)
{
    const FailingAnswer cases[] = {
        {"status 404", true, WithStatus(404, "<html>Not here</html>"), true},
        {"status 500", true, WithStatus(500, "<html>Broken</html>"), true},
        {"status 203 with a good document", true, WithStatus(203, SamplePatchDocument()), true},
        {"status 304", true, WithStatus(304, ""), true},
        {"the connection dropped without an answer", true, DroppedWithoutAnswer(), false},
        {"no server at all", false, PatchAnswer(), false},
    };
    for (const FailingAnswer& c : cases) {
        SCOPED_TRACE(c.name);
        // Settings the user had: a failed start must not lose them.
        DeleteSettings();
        WriteSetting(L"EnterGameScene", L"Game on");
        WriteSetting(L"LeaveGameScene", L"Menus");
        LocalPatchServer server(c.answer);
        if (c.serverRuns) {
            ASSERT_TRUE(server.Start());
        }
        KestrelcueProgram run;
        run.UseOutsidePatchServer();
        ASSERT_TRUE(run.Launch());

        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(run.Process().Id())) != nullptr; }))
            << "no \"Error\" box";
        EXPECT_EQ(MessageBoxText(box), kFailureText);
        EXPECT_EQ(GetWindow(box, GW_OWNER), run.Window()) << "the box belongs to the main window";
        BoxIcon icon = BoxIcon::None;
        EXPECT_TRUE(WaitUntil([&] { return (icon = ShownBoxIcon(box)) == BoxIcon::Warning; }, 5000))
            << "the box shows " << BoxIconName(icon);
        EXPECT_EQ(run.PatchCount(), 0);
        if (c.answered) {
            // The request is still open behind the box; it is closed only
            // once the user has dismissed it.
            Sleep(500);
            EXPECT_FALSE(server.IsClosedByClient(0)) << "the connection was closed before the box was dismissed";
        }
        EXPECT_TRUE(run.Process().IsRunning()) << "the program ended before the box was dismissed";

        DismissMessageBox(box);
        DWORD code = 1234;
        EXPECT_TRUE(run.Process().WaitForExit(15000, &code)) << "the program goes on after the failure";
        EXPECT_EQ(code, 0u);
        if (c.answered) {
            EXPECT_TRUE(server.WaitForClientClose(0));
        }
        EXPECT_EQ(server.Requests().size(), c.serverRuns ? 1u : 0u) << "one request a run, no retry";
        EXPECT_EQ(ReadSetting(L"EnterGameScene"), L"Game on");
        EXPECT_EQ(ReadSetting(L"LeaveGameScene"), L"Menus");
    }
}

TEST_F(PatchDownloadTest, TheWindowWorksWhileTheDownloadWaits)
{
    LocalPatchServer server;
    server.HoldAnswers();
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(program.Launch());
    ASSERT_TRUE(server.WaitForRequests(1));
    // The download blocks only its own thread: the window takes clicks.
    program.PressStartStop();
    EXPECT_TRUE(program.WaitForStatus(L"Finding StarCraft II window..."));
    EXPECT_EQ(program.PatchCount(), 0);
    EXPECT_EQ(program.SelectedPatch(), -1);
    program.PressStartStop();
    EXPECT_EQ(program.Status(), L"Aborted.");
    server.ReleaseAnswers();
    ASSERT_TRUE(WaitForLoadedList(2));
    EXPECT_TRUE(server.WaitForClientClose(0));
}

TEST_F(PatchDownloadTest, ASlowAnswerInSmallPortionsIsReadWhole)
{
    PatchAnswer answer = DocumentAnswer(SamplePatchDocument());
    answer.delayBeforeAnswerMs = 1500;
    answer.portions.assign(answer.body.size() / 97, 97);
    answer.pauseAfterPortionMs = 30;
    LocalPatchServer server(answer);
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(program.Launch());
    ASSERT_TRUE(WaitForLoadedList(2));
    const std::vector<PatchItem> items = program.PatchItems();
    EXPECT_EQ(items[0].label, L"Simulated game");
    EXPECT_EQ(items[1].label, L"Another version");
    EXPECT_EQ(FindMessageBox(program.Process().Id()), nullptr);
}

TEST_F(PatchDownloadTest, AnEmptyBodyGivesAnEmptyListWithoutAMessage)
{
    LocalPatchServer server(DocumentAnswer(""));
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(program.Launch());
    ASSERT_TRUE(server.WaitForClientClose(0)) << "the download never ended";
    // Nothing marks the end of an empty load: give a wrong one time to show.
    EXPECT_FALSE(WaitUntil([&] { return FindMessageBox(program.Process().Id()) != nullptr; }, 1500));
    EXPECT_EQ(program.PatchCount(), 0);
    EXPECT_EQ(program.SelectedPatch(), -1);
    EXPECT_TRUE(program.Process().IsRunning());
}

// The table's Patch that stands right after its end tag is listed, so the
// last portion of the body shows in the list exactly when it was kept.
const std::string kTableOfFirstPortions = "<StarInfoData><Patch Version=\"kept\" Ptr1=\"0x20000000\"/></StarInfoData>";
const std::string kPatchOfLastPortion = "<Patch Version=\"last portion\" Ptr1=\"0x30000000\"/>";

TEST_F(PatchDownloadTest, ABodyOfExactly16383BytesInPortionsIsKeptWhole)
{
    const std::string last = Padded(kPatchOfLastPortion, 4383);
    PatchAnswer answer = DocumentAnswer(PaddedDocument(kTableOfFirstPortions, kBodyLimitBytes - last.size()) + last);
    ASSERT_EQ(answer.body.size(), kBodyLimitBytes);
    answer.portions = {4000, 4000, 4000};
    answer.pauseAfterPortionMs = 300;
    LocalPatchServer server(answer);
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(program.Launch());
    ASSERT_TRUE(WaitForLoadedList(2)) << "count " << program.PatchCount();
    const std::vector<PatchItem> items = program.PatchItems();
    EXPECT_EQ(items[0].label, L"kept");
    EXPECT_EQ(items[1].label, L"last portion");
    EXPECT_EQ(items[1].address, 0x30000000u);
    EXPECT_EQ(FindMessageBox(program.Process().Id()), nullptr);
}

TEST_F(PatchDownloadTest, APortionThatWouldReach16384BytesIsLeftOutWithoutAMessage)
{
    const std::string first = PaddedDocument(kTableOfFirstPortions, 16000);
    const std::string last = Padded(kPatchOfLastPortion, 384);
    PatchAnswer answer = DocumentAnswer(first + last);
    ASSERT_EQ(answer.body.size(), kBodyLimitBytes + 1);
    // Long enough for the program to have read all of the first part before
    // the last portion arrives.
    answer.portions = {first.size()};
    answer.pauseAfterPortionMs = 2000;
    LocalPatchServer server(answer);
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(program.Launch());
    ASSERT_TRUE(WaitForLoadedList(1)) << "count " << program.PatchCount();
    ASSERT_TRUE(server.WaitForClientClose(0));
    const std::vector<PatchItem> items = program.PatchItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].label, L"kept");
    EXPECT_EQ(FindMessageBox(program.Process().Id()), nullptr);
    EXPECT_TRUE(program.Process().IsRunning());
}

} // namespace
