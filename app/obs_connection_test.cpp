#include "app/obs_connection_test.h"

#include <atomic>
#include <cwchar>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/bounded_text.h"
#include "obs/obs.h"

struct ObsConnectionTest {
    HWND dialog;
    WPARAM number;
    // Manual-reset, set when the dialog lets go: the test's waits end on it.
    HANDLE abandoned;
    // The dialog and the thread.
    std::atomic<int> holders;
    // Set by the thread once `result` is written; the dialog reads the
    // result only after it sees this.
    std::atomic<bool> over;
    wchar_t host[kObsHostChars];
    DWORD port;
    wchar_t password[kObsPasswordTextChars];
    wchar_t result[kObsTestResultChars];
};

namespace {

// UI thread only: numbers the tests, so that a done message names its own.
WPARAM g_testsStarted = 0;

std::wstring WideOf(const std::string& utf8)
{
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    if (units <= 1)
        return std::wstring();
    std::wstring wide(size_t(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], units);
    wide.resize(size_t(units) - 1);
    return wide;
}

// The text with `value` in place of its "%s".
std::wstring WithValue(const wchar_t* text, const std::wstring& value)
{
    std::wstring filled = text;
    const size_t at = filled.find(L"%s");
    if (at != std::wstring::npos)
        filled.replace(at, 2, value);
    return filled;
}

// "Connected to OBS Studio 29.0.2 (obs-websocket 5.1.0). Scenes: ..." in the
// order OBS lists them in its Scenes dock (the protocol sends them bottom
// first).
std::wstring DescribeObs(const ObsDescription& description, const std::string& webSocketVersion)
{
    std::wstring text = L"Connected to OBS Studio " + WideOf(description.obsVersion) + L" (obs-websocket " +
                        WideOf(webSocketVersion) + L"). ";
    const std::vector<std::string>& scenes = description.scenes;
    if (scenes.empty())
        return text + L"It has no scenes yet.";
    text += L"Scenes: ";
    for (size_t i = scenes.size(); i-- > 0;)
        text += WideOf(scenes[i]) + (i > 0 ? L", " : L".");
    return text;
}

// Why no connection came about. "%s" is where the test looked (host:port),
// or the host alone where the port does not matter.
struct FailureText {
    ObsConnectResult result;
    const wchar_t* text;
    bool withPort;
};

const FailureText kFailureTexts[] = {
    {ObsConnectResult::NoHost, L"No OBS host is set: enter the computer OBS runs on (localhost for this one).", false},
    {ObsConnectResult::NoListener,
     L"No OBS is listening at %s. Is OBS running, with its WebSocket server enabled (Tools, WebSocket Server "
     L"Settings)?",
     true},
    {ObsConnectResult::HostUnknown, L"There is no computer called %s on the network.", false},
    {ObsConnectResult::TimedOut, L"Something at %s took the connection but did not answer in time.", true},
    {ObsConnectResult::NotObs, L"What answers at %s is not OBS's WebSocket server.", true},
    {ObsConnectResult::PasswordNeeded,
     L"OBS asks for a password: enter the one shown in its WebSocket Server Settings.", false},
    {ObsConnectResult::PasswordRefused, L"OBS refused the password.", false},
    {ObsConnectResult::VersionUnsupported,
     L"OBS at %s does not speak Kestrelcue's version of obs-websocket (5, RPC version 1).", true},
    {ObsConnectResult::Dropped, L"OBS at %s closed the connection before Kestrelcue had logged in.", true},
};

std::wstring ExplainFailure(ObsConnectResult result, const wchar_t* host, DWORD port)
{
    for (const FailureText& failure : kFailureTexts) {
        if (failure.result == result)
            return WithValue(failure.text,
                             failure.withPort ? std::wstring(host) + L":" + std::to_wstring(port) : std::wstring(host));
    }
    return L"";
}

// Connected, but OBS's version and scenes did not come.
std::wstring ExplainUnanswered(ObsAskResult asked, const ObsDescription& description)
{
    switch (asked) {
    case ObsAskResult::Refused: {
        std::wstring why = L"code " + std::to_wstring(description.refusalCode);
        if (!description.refusalComment.empty())
            why += L": " + WideOf(description.refusalComment);
        return L"Connected to OBS, but it refused to list its scenes (" + why + L").";
    }
    case ObsAskResult::Gone:
        return L"Connected to OBS, but it closed the connection before it listed its scenes.";
    case ObsAskResult::TimedOut:
    case ObsAskResult::Answered:
        break;
    }
    return L"Connected to OBS, but it did not list its scenes in time.";
}

std::wstring RunTest(const ObsConnectionTest& test)
{
    ObsConnection obs = {};
    std::string webSocketVersion;
    const ObsConnectResult result =
        ConnectToObs(&obs, test.host, test.port, test.password, test.abandoned, &webSocketVersion);
    if (result != ObsConnectResult::Connected)
        return ExplainFailure(result, test.host, test.port);
    ObsDescription description;
    const ObsAskResult asked = AskObsVersionAndScenes(&obs, &description);
    DisconnectFromObs(&obs);
    if (asked != ObsAskResult::Answered)
        return ExplainUnanswered(asked, description);
    return DescribeObs(description, webSocketVersion);
}

void LetGo(ObsConnectionTest* test)
{
    if (test->holders.fetch_sub(1) != 1)
        return;
    SecureZeroMemory(test->password, sizeof test->password);
    CloseHandle(test->abandoned);
    delete test;
}

DWORD WINAPI RunObsConnectionTest(void* parameter)
{
    ObsConnectionTest* test = static_cast<ObsConnectionTest*>(parameter);
    const std::wstring outcome = RunTest(*test);
    SecureZeroMemory(test->password, sizeof test->password);
    // Cut to what the dialog's text holds.
    const size_t units = outcome.size() < size_t(kObsTestResultChars - 1) ? outcome.size() : size_t(kObsTestResultChars - 1);
    std::wmemcpy(test->result, outcome.c_str(), units);
    test->result[units] = L'\0';
    test->over.store(true);
    // A dialog that has let go takes no message; one that has gone takes
    // none either, and the post fails harmlessly.
    if (WaitForSingleObject(test->abandoned, 0) != WAIT_OBJECT_0)
        PostMessageW(test->dialog, kObsTestDoneMessage, test->number, 0);
    LetGo(test);
    return 0;
}

} // namespace

ObsConnectionTest* StartObsConnectionTest(HWND dialog, const wchar_t* host, DWORD port, const wchar_t* password)
{
    HANDLE abandoned = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (abandoned == nullptr)
        return nullptr;
    ObsConnectionTest* test = new ObsConnectionTest;
    test->dialog = dialog;
    test->number = ++g_testsStarted;
    test->abandoned = abandoned;
    test->holders = 2;
    test->over = false;
    CopyCut(test->host, host);
    test->port = port;
    CopyCut(test->password, password);
    test->result[0] = L'\0';
    HANDLE thread = CreateThread(nullptr, 0, RunObsConnectionTest, test, 0, nullptr);
    if (thread == nullptr) {
        test->holders = 1;
        LetGo(test);
        return nullptr;
    }
    CloseHandle(thread);
    return test;
}

WPARAM ObsConnectionTestNumber(const ObsConnectionTest* test)
{
    return test->number;
}

bool TakeObsConnectionTestResult(const ObsConnectionTest* test, wchar_t (&result)[kObsTestResultChars])
{
    if (!test->over.load())
        return false;
    CopyCut(result, test->result);
    return true;
}

void ReleaseObsConnectionTest(ObsConnectionTest* test)
{
    SetEvent(test->abandoned);
    LetGo(test);
}
