// Nothing of OBS's password is left in the program's memory once it has
// logged in, whether for switching or for Options' Test connection: not
// the password in UTF-8 (the form the login hashes), and not the secret
// derived from it. Memory is searched while the login's freed blocks are
// still as it left them: right after it, before much else has run. The program keeps the password as typed (UTF-16) for
// the next login, which the scan finds, showing that it reads the memory
// where the program keeps things. A stand-in OBS asks for authentication
// with a salt the test knows, so the secret can be computed here.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "drive/fake_obs_server.h"
#include "drive/network_setup.h"
#include "drive/obs_settings.h"
#include "drive/obs_studio.h"
#include "drive/obs_websocket_client.h"
#include "drive/options_dialog.h"
#include "drive/process_memory.h"
#include "drive/program.h"
#include "drive/simulators.h"

namespace {

// Long (some 700 bytes in UTF-8), so that a freed block that held a copy
// of it is of a size little else in the program asks for, and is left as
// it was: a short one's is soon taken for something else, and a copy that
// was never wiped would go unseen.
const std::wstring kPassword = L"Kestrel-\u00E9cran-\u00DF-7Qm2Vx9Lp4RzW8-" + std::wstring(200, L'\u20AC') + L"-end";

std::string Utf8Of(const std::wstring& text)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

class ObsSecretsTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        ASSERT_TRUE(StoreObsChosen(L"127.0.0.1", kObsTestPort, kPassword));
        ASSERT_FALSE(secret.empty());
    }

    void StartObs(FakeObsAnswer answer)
    {
        FakeObsBehaviour asksForPassword;
        asksForPassword.password = password;
        asksForPassword.answer = answer;
        fake = std::make_unique<FakeObsServer>(asksForPassword);
        ASSERT_TRUE(fake->Start(kObsTestPort));
    }
    void TearDown() override { DeleteSettings(); }

    // Looks for the password in UTF-8 and for the secret, each whole and by
    // halves: a freed heap block's first bytes are taken over by the heap's
    // own bookkeeping, which would hide a copy from a search for it whole.
    void ExpectNothingLeft(const char* when)
    {
        const std::vector<std::string> needles = {
            Utf16Bytes(kPassword),
            password, password.substr(0, password.size() / 2), password.substr(password.size() / 2),
            secret, secret.substr(0, secret.size() / 2), secret.substr(secret.size() / 2),
        };
        const ULONGLONG before = GetTickCount64();
        const std::vector<size_t> counts = CountInProcessMemory(program.Process().Id(), needles);
        const ULONGLONG took = GetTickCount64() - before;
        ASSERT_EQ(counts.size(), needles.size()) << when << ": the program's memory could not be read";
        std::printf("%s: the password as kept (UTF-16) %zu times; in UTF-8 %zu, by halves %zu and %zu; "
                    "the secret %zu, by halves %zu and %zu (scan %llu ms)\n",
                    when, counts[0], counts[1], counts[2], counts[3], counts[4], counts[5], counts[6], took);
        EXPECT_GE(counts[0], 1u) << when << ": the scan does not see where the program keeps its settings";
        const char* const names[] = {"", "the password in UTF-8", "its first half", "its second half",
                                     "the secret", "its first half", "its second half"};
        for (size_t i = 1; i < counts.size(); ++i)
            EXPECT_EQ(counts[i], 0u) << when << ": " << names[i] << " is still in memory";
    }

    const std::string password = Utf8Of(kPassword);
    const std::string secret = ObsSecret(password, kFakeObsSalt);
    std::unique_ptr<FakeObsServer> fake;
    KestrelcueProgram program;
};

TEST_F(ObsSecretsTest, NothingIsLeftOnceTheProgramHasLoggedInAndSwitched)
{
    ASSERT_NO_FATAL_FAILURE(StartObs(FakeObsAnswer::Proper));
    SimulatedGame game;
    ASSERT_TRUE(game.Launch());
    ASSERT_TRUE(program.Launch());
    program.NameScenes(L"Game", L"Menus", L"", L"");
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    ASSERT_TRUE(WaitUntil([&] { return fake->Requests() >= 1; })) << program.Status();
    EXPECT_EQ(fake->Identified(), 1) << "the stand-in did not take the password";
    ExpectNothingLeft("logged in and switched");
    program.PressStartStop();
    EXPECT_TRUE(program.WaitForStatus(L"Aborted."));
    ExpectNothingLeft("stopped");
    EXPECT_TRUE(program.Close());
}

// The stand-in does not answer the test's first request, so the test waits
// 2 s, logged in, and memory is searched meanwhile; then again once the
// test is over, and once the dialog has gone.
TEST_F(ObsSecretsTest, NothingIsLeftOnceOptionsHasTestedTheConnection)
{
    ASSERT_NO_FATAL_FAILURE(StartObs(FakeObsAnswer::Nothing));
    ASSERT_TRUE(program.Launch());
    HWND dialog = OpenOptions(program);
    ASSERT_NE(dialog, nullptr);
    ChooseObs(dialog, L"127.0.0.1", kObsTestPort, kPassword);
    ClickTestConnection(dialog);
    ASSERT_TRUE(WaitUntil([&] { return fake->Requests() >= 1; })) << WindowText(GetDlgItem(dialog, kOptionsTestResult));
    EXPECT_EQ(fake->Identified(), 1) << "the stand-in did not take the password";
    ExpectNothingLeft("Test connection logged in, waiting for OBS");
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, kOptionsTestObs)) != FALSE; }))
        << "the test did not end";
    EXPECT_EQ(WindowText(GetDlgItem(dialog, kOptionsTestResult)),
              L"Connected to OBS, but it did not list its scenes in time.");
    ExpectNothingLeft("Test connection over, the dialog open");
    PressOptionsButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ExpectNothingLeft("the dialog closed");
    EXPECT_TRUE(program.Close());
}

} // namespace
