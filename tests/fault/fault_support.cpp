#include "fault_support.h"

#include <algorithm>

#include "drive/obs_settings.h"
#include "drive/obs_studio.h"
#include "drive/stored_settings.h"

namespace {

constexpr DWORD kCloseTimeoutMs = 15000;

void ExpectStoredText(const wchar_t* name, const std::wstring& expected)
{
    SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(name, &value)) << "not saved";
    EXPECT_EQ(value.type, DWORD(REG_SZ));
    ASSERT_EQ(value.bytes.size(), 2 * expected.size() + 2) << "REG_SZ is sized with its terminator";
    const wchar_t* text = reinterpret_cast<const wchar_t*>(value.bytes.data());
    EXPECT_EQ(std::wstring(text, expected.size()), expected);
    EXPECT_EQ(text[expected.size()], L'\0') << "no terminator";
}

void ExpectStoredDword(const wchar_t* name, DWORD expected)
{
    SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(name, &value)) << "not saved";
    EXPECT_EQ(value.type, DWORD(REG_DWORD));
    EXPECT_EQ(value.bytes, DwordBytes(expected));
}

} // namespace

StreamerSettings UsualSettings()
{
    return {L"Game", L"Menus", L"Back", L"Away", L"caster-pc.local", 1, 0, 1, 0, false, false, L"", 0};
}

void StoreSettings(const StreamerSettings& s)
{
    DeleteSettings();
    ASSERT_TRUE(WriteStoredString(L"EnterGameScene", s.enterScene));
    ASSERT_TRUE(WriteStoredString(L"LeaveGameScene", s.leaveScene));
    ASSERT_TRUE(WriteStoredString(L"TabInScene", s.tabInScene));
    ASSERT_TRUE(WriteStoredString(L"TabOutScene", s.tabOutScene));
    ASSERT_TRUE(WriteStoredString(L"Remote Host", s.host));
    ASSERT_TRUE(WriteStoredDword(L"Remote Role", s.role));
    ASSERT_TRUE(WriteStoredDword(L"Remote Enabled", s.networkMode));
    ASSERT_TRUE(WriteStoredDword(L"Apply Game Settings On Tab", s.applyOnTab));
    ASSERT_TRUE(WriteStoredDword(L"Apply Game Settings When Tabbed", s.applyWhenTabbed));
    if (s.clientApi) {
        ASSERT_TRUE(WriteStoredDword(L"Game State Source", 1));
    }
    if (s.obs) {
        ASSERT_TRUE(StoreObsChosen(s.obsHost, s.obsPort, L""));
    }
}

void ExpectSettingsShown(const KestrelcueProgram& program, const StreamerSettings& s)
{
    EXPECT_EQ(program.Text(1004), s.enterScene);
    EXPECT_EQ(program.Text(1006), s.leaveScene);
    EXPECT_EQ(program.Text(1008), s.tabInScene);
    EXPECT_EQ(program.Text(1007), s.tabOutScene);
    EXPECT_EQ(program.IsChecked(1013), s.networkMode != 0);
    EXPECT_EQ(program.IsChecked(1005), s.applyOnTab != 0);
    EXPECT_EQ(program.IsChecked(1010), s.applyWhenTabbed != 0);
}

void ExpectSettingsSaved(const StreamerSettings& s)
{
    ExpectStoredText(L"EnterGameScene", s.enterScene);
    ExpectStoredText(L"LeaveGameScene", s.leaveScene);
    ExpectStoredText(L"TabInScene", s.tabInScene);
    ExpectStoredText(L"TabOutScene", s.tabOutScene);
    ExpectStoredText(L"Remote Host", s.host);
    ExpectStoredDword(L"Remote Role", s.role);
    ExpectStoredDword(L"Remote Enabled", s.networkMode);
    ExpectStoredDword(L"Apply Game Settings On Tab", s.applyOnTab);
    ExpectStoredDword(L"Apply Game Settings When Tabbed", s.applyWhenTabbed);
    size_t values = 9;
    if (s.clientApi) {
        ExpectStoredDword(L"Game State Source", 1);
        ++values;
    }
    if (s.obs) {
        ExpectStoredDword(L"Scene Program", 1);
        ExpectStoredText(L"OBS Host", s.obsHost);
        ExpectStoredDword(L"OBS Port", s.obsPort);
        values += 3;
    }
    EXPECT_EQ(StoredValueNames().size(), values) << "a value under the key that is not the program's";
}

void ExpectClicks(const SimulatedXSplit& xsplit, const Clicks& expected)
{
    EXPECT_EQ(xsplit.SettledClicks(expected.size()), expected);
}

Clicks WithoutRepeats(const Clicks& clicks)
{
    Clicks kept;
    for (const std::wstring& click : clicks)
        if (kept.empty() || kept.back() != click)
            kept.push_back(click);
    return kept;
}

void ExpectScenesOnAir(const SimulatedXSplit& xsplit, const Clicks& expected)
{
    ASSERT_EQ(WithoutRepeats(expected), expected) << "a scenario must not expect a repeat";
    WaitUntil([&] { return WithoutRepeats(xsplit.Clicks()).size() >= expected.size(); });
    Sleep(SimulatedXSplit::kQuietAfterClicksMs);
    EXPECT_EQ(WithoutRepeats(xsplit.Clicks()), expected);
}

DWORD AnswerTimeMs(HWND window, DWORD timeoutMs)
{
    const ULONGLONG before = GetTickCount64();
    DWORD_PTR ignored = 0;
    if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) == 0)
        return kNoAnswer;
    return DWORD(GetTickCount64() - before);
}

DWORD TimedClick(const KestrelcueProgram& program, int id)
{
    const ULONGLONG before = GetTickCount64();
    program.Click(id);
    return DWORD(GetTickCount64() - before);
}

void StreamingSession::LaunchSession(const std::vector<std::wstring>& scenes,
                                     const std::vector<std::wstring>& xsplitOptions, DWORD flagAddress)
{
    StoreSettings(settings);
    ASSERT_TRUE(game.Launch(flagAddress));
    ASSERT_TRUE(xsplit.Launch(scenes, xsplitOptions));
    ASSERT_TRUE(program.Launch()) << program.LaunchProblem();
    ExpectSettingsShown(program, settings);
}

void StreamingSession::LaunchClientApiSession(const std::vector<std::wstring>& scenes, const SimApiOptions& api)
{
    settings.clientApi = true;
    StoreSettings(settings);
    ASSERT_TRUE(game.LaunchWithApi(api));
    ASSERT_TRUE(xsplit.Launch(scenes));
    ASSERT_TRUE(program.Launch()) << program.LaunchProblem();
    ExpectSettingsShown(program, settings);
}

void StreamingSession::StartReceiver(const std::vector<std::wstring>& scenes,
                                     const std::vector<std::wstring>& xsplitOptions)
{
    settings.networkMode = 1;
    settings.role = 2;
    StoreSettings(settings);
    ASSERT_TRUE(xsplit.Launch(scenes, xsplitOptions));
    ASSERT_TRUE(program.Launch()) << program.LaunchProblem();
    ExpectSettingsShown(program, settings);
    program.PressStartStop();
    ASSERT_TRUE(program.WaitForStatus(L"Waiting for network event..."));
}

void StreamingSession::StartWithGameInFront(const std::wstring& firstScene)
{
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    ASSERT_TRUE(xsplit.WaitForClicks(1));
    ExpectClicks(xsplit, {firstScene});
}

void StreamingSession::CloseAndExpectNothingLost()
{
    ASSERT_TRUE(program.Close(kCloseTimeoutMs)) << "the program did not end";
    DWORD code = 1234;
    ASSERT_TRUE(program.Process().WaitForExit(0, &code));
    EXPECT_EQ(code, 0u) << "the program did not end cleanly";
    ExpectSettingsSaved(settings);
}

void StreamingSession::ChooseObsOnThisComputer()
{
    settings.obs = true;
    settings.obsHost = L"127.0.0.1";
    settings.obsPort = kObsTestPort;
}
