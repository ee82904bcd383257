// The OBS part of the Options dialog with a real OBS Studio: the program to
// switch and OBS's host, port and password, their contracts in the
// registry (the password only ever protected), and Test connection against
// a running OBS, against none, and with the wrong password; and against a
// stand-in for what a real OBS cannot be made to do.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "drive/fake_obs_server.h"
#include "drive/message_box.h"
#include "drive/network_setup.h"
#include "drive/obs_settings.h"
#include "drive/obs_studio.h"
#include "drive/options_dialog.h"
#include "drive/program.h"
#include "drive/simulators.h"
#include "drive/stored_settings.h"

namespace {

const std::vector<std::string> kObsScenes = {"Game", "Menus", u8"Spiel läuft"};
constexpr char kPassword[] = "s3cret-\xC3\x9Cn\xC3\xAF";  // "s3cret-Ünï"
const std::wstring kPasswordText = L"s3cret-\u00DCn\u00EF";
// Nothing listens there.
constexpr DWORD kDeadPort = 4461;
// A listener there that never answers.
constexpr unsigned short kSilentPort = 4462;
// The simulated game's client API, moved there.
constexpr unsigned short kNotObsPort = 4464;

constexpr int kXSplit = kOptionsXSplit, kObs = kOptionsObs, kHost = kOptionsObsHost, kPort = kOptionsObsPort,
              kPasswordField = kOptionsObsPassword, kTest = kOptionsTestObs;

bool Contains(const std::vector<BYTE>& bytes, const std::vector<BYTE>& part)
{
    return !part.empty() && std::search(bytes.begin(), bytes.end(), part.begin(), part.end()) != bytes.end();
}

class ObsOptionsTest : public testing::Test {
protected:
    void SetUp() override { DeleteSettings(); }
    void TearDown() override { DeleteSettings(); }

    HWND Open(KestrelcueProgram& run)
    {
        HWND dialog = OpenOptions(run);
        EXPECT_NE(dialog, nullptr) << "the Options dialog did not open";
        return dialog;
    }

    // Clicks Test connection and returns what the dialog then says.
    std::wstring TestConnection(HWND dialog)
    {
        const std::wstring outcome = TestObsConnection(dialog);
        EXPECT_NE(outcome, L"(the test did not end)");
        return outcome;
    }

    KestrelcueProgram program;
};

TEST_F(ObsOptionsTest, XSplitIsTheDefaultAndOBSsFieldsWaitForOBS)
{
    ASSERT_TRUE(program.Launch());
    HWND dialog = Open(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, kXSplit), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, kObs), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, kHost)), L"localhost");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, kPort)), L"4455");
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(dialog, kPasswordField), GWL_STYLE) & ES_PASSWORD);
    EXPECT_NE(SendMessageW(GetDlgItem(dialog, kPasswordField), EM_GETPASSWORDCHAR, 0, 0), 0)
        << "the password field shows its characters";
    for (int id : {kHost, kPort, kPasswordField, kTest})
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, id))) << "control " << id;
    ChooseObs(dialog, L"localhost", 4455, L"");
    for (int id : {kHost, kPort, kPasswordField, kTest})
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, id))) << "control " << id;
    PressOptionsButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ASSERT_TRUE(program.Close());
    EXPECT_EQ(StoredValueNames().size(), 9u) << "Cancel stored something";
}

TEST_F(ObsOptionsTest, ThePasswordIsStoredProtectedAndSurvivesARestart)
{
    ObsStudio obs;
    ASSERT_TRUE(obs.Start(FreshTempFolder(L"obs-options"), kObsScenes, kPassword)) << obs.Error();
    ASSERT_TRUE(program.Launch());
    HWND dialog = Open(program);
    ASSERT_NE(dialog, nullptr);
    ChooseObs(dialog, L"127.0.0.1", kObsTestPort, kPasswordText);
    PressOptionsButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ASSERT_TRUE(program.Close());

    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(L"Scene Program", &value));
    EXPECT_EQ(value.type, DWORD(REG_DWORD));
    EXPECT_EQ(value.bytes, DwordBytes(1));
    ASSERT_TRUE(ReadStoredValue(L"OBS Host", &value));
    EXPECT_EQ(value.type, DWORD(REG_SZ));
    EXPECT_EQ(value.bytes, TerminatedTextBytes(L"127.0.0.1"));
    ASSERT_TRUE(ReadStoredValue(L"OBS Port", &value));
    EXPECT_EQ(value.type, DWORD(REG_DWORD));
    EXPECT_EQ(value.bytes, DwordBytes(kObsTestPort));
    ASSERT_TRUE(ReadStoredValue(L"OBS Password", &value));
    EXPECT_EQ(value.type, DWORD(REG_BINARY));
    const std::string utf8 = kPassword;
    EXPECT_FALSE(Contains(value.bytes, TextBytes(kPasswordText))) << "the password is stored as UTF-16 text";
    EXPECT_FALSE(Contains(value.bytes, std::vector<BYTE>(utf8.begin(), utf8.end()))) << "the password is stored as UTF-8 text";
    std::wstring unprotected;
    ASSERT_TRUE(UnprotectedText(value.bytes, &unprotected)) << "CryptUnprotectData cannot read what was stored";
    EXPECT_EQ(unprotected, kPasswordText);

    // After a restart the dialog has it again, unseen, and OBS takes it.
    KestrelcueProgram again;
    ASSERT_TRUE(again.Launch());
    dialog = Open(again);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, kObs), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, kHost)), L"127.0.0.1");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, kPort)), std::to_wstring(kObsTestPort));
    const std::wstring outcome = TestConnection(dialog);
    EXPECT_EQ(outcome.find(L"Connected to OBS Studio "), 0u) << testing::PrintToString(outcome);
    EXPECT_NE(outcome.find(L"Spiel l\u00E4uft"), std::wstring::npos) << testing::PrintToString(outcome);
    EXPECT_EQ(again.Status().find(kPasswordText), std::wstring::npos);
    PressOptionsButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    EXPECT_TRUE(again.Close());
}

TEST_F(ObsOptionsTest, TestConnectionTellsWhatItFound)
{
    ObsStudio obs;
    ASSERT_TRUE(obs.Start(FreshTempFolder(L"obs-options"), kObsScenes, kPassword)) << obs.Error();
    ASSERT_TRUE(program.Launch());
    HWND dialog = Open(program);
    ASSERT_NE(dialog, nullptr);

    ChooseObs(dialog, L"localhost", kObsTestPort, kPasswordText);
    std::wstring outcome = TestConnection(dialog);
    EXPECT_EQ(outcome.find(L"Connected to OBS Studio "), 0u) << testing::PrintToString(outcome);
    EXPECT_NE(outcome.find(L"(obs-websocket 5."), std::wstring::npos) << testing::PrintToString(outcome);
    EXPECT_NE(outcome.find(L"Scenes: "), std::wstring::npos) << testing::PrintToString(outcome);
    for (const wchar_t* scene : {L"Game", L"Menus", L"Spiel l\u00E4uft"})
        EXPECT_NE(outcome.find(scene), std::wstring::npos) << testing::PrintToString(outcome);

    ChooseObs(dialog, L"localhost", kObsTestPort, L"wrong");
    EXPECT_EQ(TestConnection(dialog), L"OBS refused the password.");

    ChooseObs(dialog, L"localhost", kObsTestPort, L"");
    EXPECT_EQ(TestConnection(dialog), L"OBS asks for a password: enter the one shown in its WebSocket Server Settings.");

    ChooseObs(dialog, L"localhost", kDeadPort, kPasswordText);
    outcome = TestConnection(dialog);
    EXPECT_EQ(outcome.find(L"No OBS is listening at localhost:4461."), 0u) << testing::PrintToString(outcome);

    // Something that is not OBS: the simulated game's client API answers
    // HTTP, but no WebSocket upgrade.
    {
        SimulatedGame notObs;
        SimApiOptions api;
        api.port = kNotObsPort;
        ASSERT_TRUE(notObs.LaunchWithApi(api));
        ChooseObs(dialog, L"127.0.0.1", kNotObsPort, L"");
        EXPECT_EQ(TestConnection(dialog), L"What answers at 127.0.0.1:4464 is not OBS's WebSocket server.");
    }
    // Something that takes the connection and then says nothing.
    {
        SOCKET silent = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(kSilentPort);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(listen(silent, SOMAXCONN), 0);
        ChooseObs(dialog, L"127.0.0.1", kSilentPort, L"");
        EXPECT_EQ(TestConnection(dialog),
                  L"Something at 127.0.0.1:4462 took the connection but did not answer in time.");
        closesocket(silent);
    }

    // A port that is no port is refused before anything is tried.
    SetWindowTextAcross(GetDlgItem(dialog, kPort), L"70000");
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(program.Process().Id())) != nullptr; }));
    EXPECT_EQ(MessageBoxText(box), L"The OBS port must be a number from 1 to 65535.");
    DismissMessageBox(box);
    EXPECT_TRUE(IsWindow(dialog)) << "the dialog closed with a port it cannot use";
    PressOptionsButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    EXPECT_TRUE(program.Close());
}

// Each outcome says what OBS did, and a close frame from OBS is answered
// with one that echoes its code.
TEST_F(ObsOptionsTest, TestConnectionTellsWhatAStandInForObsDid)
{
    ASSERT_TRUE(program.Launch());
    HWND dialog = Open(program);
    ASSERT_NE(dialog, nullptr);
    ChooseObs(dialog, L"127.0.0.1", kObsTestPort, kPasswordText);
    // The stand-in asks for the password typed, unless told another.
    const auto obs = [](void (*change)(FakeObsBehaviour*)) {
        FakeObsBehaviour behaviour;
        behaviour.password = kPassword;
        change(&behaviour);
        return behaviour;
    };
    const struct {
        const char* what;
        FakeObsBehaviour behaviour;
        std::wstring outcome;
        unsigned short closeAnswer;  // 0: the stand-in sends no close frame
    } cases[] = {
        {"a close for an unsupported protocol version", obs([](FakeObsBehaviour* b) { b->identifyCloseCode = 4010; }),
         L"OBS at 127.0.0.1:4460 does not speak Kestrelcue's version of obs-websocket (5, RPC version 1).", 4010},
        {"a close for a wrong password", obs([](FakeObsBehaviour* b) { b->password = "another"; }),
         L"OBS refused the password.", 4009},
        {"the connection reset after Hello", obs([](FakeObsBehaviour* b) { b->dropAfterHello = true; }),
         L"OBS at 127.0.0.1:4460 closed the connection before Kestrelcue had logged in.", 0},
        {"a prompt refusal to say its version", obs([](FakeObsBehaviour* b) { b->answer = FakeObsAnswer::Refused; }),
         L"Connected to OBS, but it refused to list its scenes (code 207: OBS is not ready yet.).", 0},
        {"proper answers", obs([](FakeObsBehaviour*) {}),
         L"Connected to OBS Studio 29.0.2-fake (obs-websocket 5.1.0). Scenes: Game, Menus.", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeObsServer fake(c.behaviour);
        ASSERT_TRUE(fake.Start(kObsTestPort));
        EXPECT_EQ(TestConnection(dialog), c.outcome);
        if (c.closeAnswer != 0) {
            EXPECT_TRUE(WaitUntil([&] {
                const std::vector<FakeObsConnection> connections = fake.Connections();
                return !connections.empty() && connections.back().endedAt != 0;
            })) << "the connection was not closed";
            const std::vector<FakeObsConnection> connections = fake.Connections();
            ASSERT_EQ(connections.size(), 1u);
            EXPECT_TRUE(connections[0].closeAnswered) << "OBS's close frame was not answered";
            EXPECT_EQ(connections[0].closeAnswerCode, c.closeAnswer);
        }
    }
    PressOptionsButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    EXPECT_TRUE(program.Close());
}

} // namespace
