// The Options dialog's Test connection harmed from outside: clicks on the
// program choice and on Test while a test runs against an OBS that answers
// slowly, "test done" messages forged by another process (this one), and a
// dialog that ends while its test runs. One test runs at a time, its own
// outcome is the one shown, and the program lives on.
#include <cstdio>
#include <string>
#include <vector>

#include "drive/fake_obs_server.h"
#include "drive/network_setup.h"
#include "drive/obs_studio.h"
#include "drive/options_dialog.h"
#include "fault_support.h"

namespace {

// The message the dialog's test posts when it is over.
constexpr UINT kTestDoneMessage = WM_APP + 1;
// Nothing listens there: a test of it would be over at once.
constexpr DWORD kDeadPort = 4461;
// Hello comes this late, well within the 2 s that the program waits.
constexpr DWORD kSlowHelloMs = 1000;
// A test that ran beside the first would have shown its outcome by then.
constexpr DWORD kQuietAfterTestMs = 4000;
const std::wstring kConnected = L"Connected to OBS Studio 29.0.2-fake (obs-websocket 5.1.0). Scenes: Game, Menus.";

class FaultOptionsTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        ASSERT_TRUE(program.Launch()) << program.LaunchProblem();
        dialog = OpenOptions(program);
        ASSERT_NE(dialog, nullptr);
        ChooseObs(dialog, L"127.0.0.1", kObsTestPort, L"");
    }
    void TearDown() override { DeleteSettings(); }

    bool IsTestEnabled() const { return IsWindowEnabled(GetDlgItem(dialog, kOptionsTestObs)) != FALSE; }
    std::wstring Result() const { return WindowText(GetDlgItem(dialog, kOptionsTestResult)); }

    // Clicks Test and waits until the dialog says that it runs.
    void StartTest()
    {
        ClickTestConnection(dialog);
        ASSERT_TRUE(WaitUntil([&] { return !IsTestEnabled() && Result() == L"Connecting to OBS..."; }))
            << testing::PrintToString(Result());
    }

    // Done messages as anyone on the desktop can post them: numbers a test
    // might have, and pointers to nothing.
    void ForgeDoneMessages()
    {
        const LPARAM pointers[] = {0, 1, LPARAM(0xDEADBEEF0), -1};
        for (WPARAM number = 0; number < 20; ++number)
            for (LPARAM pointer : pointers)
                PostMessageW(dialog, kTestDoneMessage, number, pointer);
        // Handled by the time the dialog answers a sent message.
        EXPECT_NE(AnswerTimeMs(dialog), kNoAnswer) << "the dialog no longer answers";
    }

    void ExpectAliveAndClose()
    {
        EXPECT_TRUE(program.Process().IsRunning()) << "the program ended";
        PressOptionsButton(dialog, IDCANCEL);
        EXPECT_TRUE(WaitForDialogGone(dialog));
        EXPECT_TRUE(program.Close());
    }

    KestrelcueProgram program;
    HWND dialog = nullptr;
};

TEST_F(FaultOptionsTest, ClicksOnTheProgramChoiceAndOnTestWhileATestRunsStartNoSecond)
{
    FakeObsBehaviour slow;
    slow.helloDelayMs = kSlowHelloMs;
    FakeObsServer fake(slow);
    ASSERT_TRUE(fake.Start(kObsTestPort));
    ASSERT_NO_FATAL_FAILURE(StartTest());
    // A second test would try a port where nothing listens, and say so.
    SetWindowTextAcross(GetDlgItem(dialog, kOptionsObsPort), std::to_wstring(kDeadPort));
    ChooseProgram(dialog, kOptionsXSplit);
    EXPECT_FALSE(IsTestEnabled());
    ChooseProgram(dialog, kOptionsObs);
    EXPECT_FALSE(IsTestEnabled()) << "choosing OBS offers Test while a test runs";
    for (int click = 0; click < 3; ++click)
        ClickTestConnection(dialog);
    EXPECT_NE(AnswerTimeMs(dialog), kNoAnswer) << "the dialog no longer answers";
    EXPECT_EQ(Result(), L"Connecting to OBS...") << "a second test showed its outcome";
    EXPECT_TRUE(WaitUntil([&] { return IsTestEnabled(); }, 20000)) << "the test did not end";
    EXPECT_EQ(Result(), kConnected);
    Sleep(kQuietAfterTestMs);
    EXPECT_EQ(Result(), kConnected) << "another outcome came after the test's own";
    EXPECT_EQ(fake.Connections().size(), 1u) << "more than one test reached OBS";
    ExpectAliveAndClose();
}

TEST_F(FaultOptionsTest, ForgedDoneMessagesFromAnotherProcessAreIgnored)
{
    // With no test under way.
    ASSERT_NO_FATAL_FAILURE(ForgeDoneMessages());
    EXPECT_TRUE(program.Process().IsRunning()) << "a forged message's lParam was taken for a pointer";
    EXPECT_EQ(Result(), L"");
    EXPECT_TRUE(IsTestEnabled());

    // While a test waits for a slow OBS: the outcome is the test's, when
    // it is over, and not before.
    FakeObsBehaviour slow;
    slow.helloDelayMs = kSlowHelloMs;
    FakeObsServer fake(slow);
    ASSERT_TRUE(fake.Start(kObsTestPort));
    ASSERT_NO_FATAL_FAILURE(StartTest());
    ASSERT_NO_FATAL_FAILURE(ForgeDoneMessages());
    EXPECT_TRUE(program.Process().IsRunning()) << "a forged message's lParam was taken for a pointer";
    EXPECT_EQ(Result(), L"Connecting to OBS...") << "a forged message ended the test";
    EXPECT_FALSE(IsTestEnabled());
    EXPECT_TRUE(WaitUntil([&] { return IsTestEnabled(); }, 20000)) << "the test did not end";
    EXPECT_EQ(Result(), kConnected);
    ExpectAliveAndClose();
}

// The test is cut short when its dialog goes (its waits end at once), and
// the next dialog tests as if nothing had been.
TEST_F(FaultOptionsTest, ADialogThatEndsWhileItsTestRunsLeavesNothingBehind)
{
    FakeObsBehaviour silent;
    silent.answer = FakeObsAnswer::Nothing;
    FakeObsServer fake(silent);
    ASSERT_TRUE(fake.Start(kObsTestPort));
    ASSERT_NO_FATAL_FAILURE(StartTest());
    ASSERT_TRUE(WaitUntil([&] { return fake.Requests() >= 1; })) << "the test did not ask OBS anything";
    const ULONGLONG cancelledAt = GetTickCount64();
    PressOptionsButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ASSERT_TRUE(WaitUntil([&] { return fake.Connections()[0].endedAt != 0; })) << "the test never ended";
    const ULONGLONG afterCancel = fake.Connections()[0].endedAt - cancelledAt;
    std::printf("the test's connection ended %llu ms after Cancel\n", afterCancel);
    // Left to run, it would have waited 2 s for the answer that never comes.
    EXPECT_LT(afterCancel, 1000u) << "the test ran on after its dialog had gone";
    // Forged messages to where the dialog was harm nothing either.
    for (WPARAM number = 0; number < 5; ++number)
        PostMessageW(dialog, kTestDoneMessage, number, LPARAM(0xDEADBEEF0));
    EXPECT_TRUE(program.Process().IsRunning());

    fake.Stop();
    FakeObsServer proper(FakeObsAnswer::Proper);
    ASSERT_TRUE(proper.Start(kObsTestPort));
    dialog = OpenOptions(program);
    ASSERT_NE(dialog, nullptr);
    ChooseObs(dialog, L"127.0.0.1", kObsTestPort, L"");
    EXPECT_TRUE(IsTestEnabled());
    EXPECT_EQ(TestObsConnection(dialog), kConnected);
    ExpectAliveAndClose();
}

} // namespace
