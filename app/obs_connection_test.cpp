#include "app/obs_connection_test.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/bounded_text.h"
#include "obs/obs.h"

namespace {

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

// "OBS Studio 29.0.2 (obs-websocket 5.1.0). Scenes: ..." in the order OBS
// lists them in its Scenes dock (the protocol sends them bottom first).
std::wstring DescribeObs(const std::string& version, const std::string& webSocketVersion,
                         const std::vector<std::string>& scenes)
{
    std::wstring text = L"Connected to OBS Studio " + WideOf(version) + L" (obs-websocket " +
                        WideOf(webSocketVersion) + L"). ";
    if (scenes.empty())
        return text + L"It has no scenes yet.";
    text += L"Scenes: ";
    for (size_t i = scenes.size(); i-- > 0;)
        text += WideOf(scenes[i]) + (i > 0 ? L", " : L".");
    return text;
}

std::wstring ExplainFailure(ObsConnectResult result, const wchar_t* host, DWORD port)
{
    const std::wstring where = std::wstring(host) + L":" + std::to_wstring(port);
    switch (result) {
    case ObsConnectResult::NoListener:
        return L"No OBS is listening at " + where +
               L". Is OBS running, with its WebSocket server enabled (Tools, WebSocket Server Settings)?";
    case ObsConnectResult::HostUnknown:
        return L"There is no computer called " + std::wstring(host) + L" on the network.";
    case ObsConnectResult::TimedOut:
        return L"Something at " + where + L" took the connection but did not answer in time.";
    case ObsConnectResult::NotObs:
        return L"What answers at " + where + L" is not OBS's WebSocket server.";
    case ObsConnectResult::PasswordNeeded:
        return L"OBS asks for a password: enter the one shown in its WebSocket Server Settings.";
    case ObsConnectResult::PasswordRefused:
        return L"OBS refused the password.";
    case ObsConnectResult::Connected:
        break;
    }
    return L"";
}

std::wstring RunTest(const ObsConnectionTest& test)
{
    ObsConnection obs = {nullptr, 0};
    std::string webSocketVersion;
    const ObsConnectResult result = ConnectToObs(&obs, test.host, test.port, test.password, nullptr, &webSocketVersion);
    if (result != ObsConnectResult::Connected)
        return ExplainFailure(result, test.host, test.port);
    std::string version;
    std::vector<std::string> scenes;
    const bool asked = AskObsVersionAndScenes(&obs, &version, &scenes);
    DisconnectFromObs(&obs);
    if (!asked)
        return L"Connected to OBS, but it did not list its scenes in time.";
    return DescribeObs(version, webSocketVersion, scenes);
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
    // The dialog may have closed meanwhile: then no one takes the message.
    if (!PostMessageW(test->dialog, kObsTestDoneMessage, 0, reinterpret_cast<LPARAM>(test)))
        delete test;
    return 0;
}

} // namespace

bool StartObsConnectionTest(HWND dialog, const wchar_t* host, DWORD port, const wchar_t* password)
{
    ObsConnectionTest* test = new ObsConnectionTest;
    test->dialog = dialog;
    CopyCut(test->host, host);
    test->port = port;
    CopyCut(test->password, password);
    test->result[0] = L'\0';
    HANDLE thread = CreateThread(nullptr, 0, RunObsConnectionTest, test, 0, nullptr);
    if (thread == nullptr) {
        SecureZeroMemory(test->password, sizeof test->password);
        delete test;
        return false;
    }
    CloseHandle(thread);
    return true;
}

void FinishObsConnectionTest(ObsConnectionTest* test)
{
    delete test;
}
