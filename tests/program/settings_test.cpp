// Settings kept in the registry across runs of the real program: what a
// first run shows, what closing saves (type and size of every value, byte
// for byte), what a restart brings back, and what hand-edited values do.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "drive/network_setup.h"
#include "drive/program.h"
#include "drive/stored_settings.h"

namespace {

constexpr wchar_t kEnterGameScene[] = L"EnterGameScene";
constexpr wchar_t kLeaveGameScene[] = L"LeaveGameScene";
constexpr wchar_t kTabInScene[] = L"TabInScene";
constexpr wchar_t kTabOutScene[] = L"TabOutScene";
constexpr wchar_t kRemoteHost[] = L"Remote Host";
constexpr wchar_t kRemoteRole[] = L"Remote Role";
constexpr wchar_t kRemoteEnabled[] = L"Remote Enabled";
constexpr wchar_t kApplyOnTab[] = L"Apply Game Settings On Tab";
constexpr wchar_t kApplyWhenTabbed[] = L"Apply Game Settings When Tabbed";

constexpr int kSceneControls[] = {1004, 1006, 1008, 1007, 1005, 1010, 1009};

std::string Quoted(const std::wstring& text)
{
    return testing::PrintToString(text);
}

// Everything the user can see of the settings: the main window's fields and
// boxes, and the role and host that "Setup..." shows.
struct Shown {
    std::wstring enterScene, leaveScene, tabInScene, tabOutScene;
    bool applyOnTab, applyWhenTabbed, networkMode;
    int roleButton;  // 1001, 1002, or 0 for neither
    std::wstring host;
};

// What the registry must hold after the program closed: all nine values.
struct Saved {
    std::wstring enterScene, leaveScene, tabInScene, tabOutScene, host;
    DWORD role, networkMode, applyOnTab, applyWhenTabbed;
};

void ExpectStoredText(const wchar_t* name, const std::wstring& expected)
{
    SCOPED_TRACE(Quoted(name));
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(name, &value)) << "not saved";
    EXPECT_EQ(value.type, DWORD(REG_SZ));
    ASSERT_EQ(value.bytes.size(), 2 * expected.size() + 2) << "REG_SZ is sized with its terminator";
    const std::wstring text(reinterpret_cast<const wchar_t*>(value.bytes.data()), expected.size());
    EXPECT_EQ(text, expected);
    EXPECT_EQ(reinterpret_cast<const wchar_t*>(value.bytes.data())[expected.size()], L'\0') << "no terminator";
}

void ExpectStoredDword(const wchar_t* name, DWORD expected)
{
    SCOPED_TRACE(Quoted(name));
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(name, &value)) << "not saved";
    EXPECT_EQ(value.type, DWORD(REG_DWORD));
    EXPECT_EQ(value.bytes, DwordBytes(expected));
}

void ExpectSaved(const Saved& saved)
{
    ExpectStoredText(kEnterGameScene, saved.enterScene);
    ExpectStoredText(kLeaveGameScene, saved.leaveScene);
    ExpectStoredText(kTabInScene, saved.tabInScene);
    ExpectStoredText(kTabOutScene, saved.tabOutScene);
    ExpectStoredText(kRemoteHost, saved.host);
    ExpectStoredDword(kRemoteRole, saved.role);
    ExpectStoredDword(kRemoteEnabled, saved.networkMode);
    ExpectStoredDword(kApplyOnTab, saved.applyOnTab);
    ExpectStoredDword(kApplyWhenTabbed, saved.applyWhenTabbed);
    EXPECT_EQ(StoredValueNames().size(), 9u) << "a value under the key that is none of the nine";
}

// Reads what the program shows, opening and closing "Setup..." (with OK,
// changing nothing) for the role and host.
void ExpectShown(KestrelcueProgram& program, const Shown& shown)
{
    EXPECT_EQ(program.Text(1004), shown.enterScene);
    EXPECT_EQ(program.Text(1006), shown.leaveScene);
    EXPECT_EQ(program.Text(1008), shown.tabInScene);
    EXPECT_EQ(program.Text(1007), shown.tabOutScene);
    EXPECT_EQ(program.IsChecked(1005), shown.applyOnTab);
    EXPECT_EQ(program.IsChecked(1010), shown.applyWhenTabbed);
    EXPECT_EQ(program.IsChecked(1013), shown.networkMode);
    // The scene controls apply unless this is the XSplit side of a network pair.
    const bool sceneControlsApply = !(shown.networkMode && shown.roleButton == 1002);
    for (int id : kSceneControls)
        EXPECT_EQ(program.IsEnabled(id), sceneControlsApply) << "control " << id;

    HWND dialog = OpenNetworkSetup(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(CheckedRoleButton(dialog), shown.roleButton);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, 1015)), shown.host);
    ClickSetupOk(dialog);
    ASSERT_TRUE(WaitForDialogGone(dialog));
}

void ChooseInSetup(KestrelcueProgram& program, int roleButton, const std::wstring& host)
{
    HWND dialog = OpenNetworkSetup(program);
    ASSERT_NE(dialog, nullptr);
    SendMessageW(GetDlgItem(dialog, roleButton), BM_CLICK, 0, 0);
    SetWindowTextAcross(GetDlgItem(dialog, 1015), host);
    ClickSetupOk(dialog);
    ASSERT_TRUE(WaitForDialogGone(dialog));
}

class SettingsTest : public testing::Test {
protected:
    void SetUp() override { DeleteSettings(); }
    void TearDown() override { DeleteSettings(); }
};

TEST_F(SettingsTest, AFirstRunShowsTheDefaultsAndClosingSavesThem)
{
    StoredValue none;
    ASSERT_FALSE(ReadStoredValue(kEnterGameScene, &none));
    ASSERT_TRUE(StoredValueNames().empty());

    KestrelcueProgram program;
    ASSERT_TRUE(program.Launch());
    ExpectShown(program, {L"", L"", L"", L"", false, false, false, 1001, L""});
    ASSERT_TRUE(program.Close());

    ExpectSaved({L"", L"", L"", L"", L"", 1, 0, 0, 0});
}

// One user's edits, made through the window and the dialog, and what must be saved.
struct RoundTrip {
    const char* what;
    std::wstring enterScene, leaveScene, tabInScene, tabOutScene;  // as typed
    bool applyOnTab, applyWhenTabbed, networkMode;
    int roleButton;
    std::wstring host;  // as typed
    Saved saved;
};

TEST_F(SettingsTest, EveryValueSurvivesARestart)
{
    const std::wstring typed300 = AlphabetText(300);
    const std::wstring scene254 = AlphabetText(254, L'k');
    const std::wstring host254 = AlphabetText(254, L'h');
    const std::wstring nonAscii = L"Spielende \u2013 \u89b3\u6226 \U0001F3AE \u00e9";
    const RoundTrip rounds[] = {
        {"typed past the limit, non-ASCII, both boxes, XSplit side in network mode",
         typed300, nonAscii, L"Tab In", L"Tabbed Out", true, true, true, 1002, L"caster-pc.local",
         {typed300.substr(0, 254), nonAscii, L"Tab In", L"Tabbed Out", L"caster-pc.local", 2, 1, 1, 1}},
        {"254 characters, an emptied field, boxes cleared, game side, longest host",
         scene254, L"", L"\u00dcn\u00efc\u00f6d\u00e9", L"x", false, false, false, 1001, host254,
         {scene254, L"", L"\u00dcn\u00efc\u00f6d\u00e9", L"x", host254, 1, 0, 0, 0}},
        {"one box each way, network mode on the game side",
         L"Game", L"Lobby", L"Tab In", L"Desktop", true, false, true, 1001, L"192.168.0.20",
         {L"Game", L"Lobby", L"Tab In", L"Desktop", L"192.168.0.20", 1, 1, 1, 0}},
        {"the other box", L"Game", L"Lobby", L"Tab In", L"Desktop", false, true, false, 1002, L"10.0.0.2",
         {L"Game", L"Lobby", L"Tab In", L"Desktop", L"10.0.0.2", 2, 0, 0, 1}},
    };
    for (const RoundTrip& round : rounds) {
        SCOPED_TRACE(round.what);
        const Saved& saved = round.saved;
        {
            KestrelcueProgram program;
            ASSERT_TRUE(program.Launch());
            // The role first: with the XSplit side in network mode left from
            // the round before, the scene controls are disabled.
            ChooseInSetup(program, round.roleButton, round.host);
            program.SetChecked(1013, false);
            program.SetText(1004, round.enterScene);
            program.SetText(1006, round.leaveScene);
            program.SetText(1008, round.tabInScene);
            program.SetText(1007, round.tabOutScene);
            program.SetChecked(1005, round.applyOnTab);
            program.SetChecked(1010, round.applyWhenTabbed);
            program.SetChecked(1013, round.networkMode);
            ASSERT_TRUE(program.Close());
        }
        ExpectSaved(saved);
        {
            KestrelcueProgram program;
            ASSERT_TRUE(program.Launch());
            ExpectShown(program, {saved.enterScene, saved.leaveScene, saved.tabInScene, saved.tabOutScene,
                                  saved.applyOnTab != 0, saved.applyWhenTabbed != 0, saved.networkMode != 0,
                                  saved.role == 2 ? 1002 : 1001, saved.host});
            ASSERT_TRUE(program.Close());
        }
        // A run that changes nothing saves the same again.
        ExpectSaved(saved);
    }
}

TEST_F(SettingsTest, ClosingWithoutEverStartingSavesTheFourFields)
{
    ASSERT_TRUE(WriteStoredString(kEnterGameScene, L"Old enter"));
    ASSERT_TRUE(WriteStoredString(kLeaveGameScene, L"Old leave"));
    ASSERT_TRUE(WriteStoredString(kTabInScene, L"Old tab in"));
    ASSERT_TRUE(WriteStoredString(kTabOutScene, L"Old tab out"));

    KestrelcueProgram program;
    ASSERT_TRUE(program.Launch());
    EXPECT_EQ(program.Text(1004), L"Old enter");
    EXPECT_EQ(program.Text(1006), L"Old leave");
    EXPECT_EQ(program.Text(1008), L"Old tab in");
    EXPECT_EQ(program.Text(1007), L"Old tab out");
    program.SetText(1004, L"New enter");
    program.SetText(1006, L"");
    program.SetText(1008, L"New tab in");
    program.SetText(1007, L"New tab out");
    EXPECT_EQ(program.Text(1011), L"Start");
    ASSERT_TRUE(program.Close());

    ExpectStoredText(kEnterGameScene, L"New enter");
    ExpectStoredText(kLeaveGameScene, L"");
    ExpectStoredText(kTabInScene, L"New tab in");
    ExpectStoredText(kTabOutScene, L"New tab out");
}

struct RawValue {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> bytes;
};

struct StoredCase {
    const char* what;
    std::vector<RawValue> stored;
    Shown shown;
};

// Defaults everywhere but where a case says otherwise.
Shown DefaultsWith(std::function<void(Shown&)> change)
{
    Shown shown = {L"", L"", L"", L"", false, false, false, 1001, L""};
    change(shown);
    return shown;
}

TEST_F(SettingsTest, HandEditedValuesAreReadAsFarAsTheyFit)
{
    const std::wstring text255 = AlphabetText(255);
    const std::wstring text256 = AlphabetText(256);
    const std::wstring text300 = AlphabetText(300);
    const std::vector<BYTE> qwordOne = {1, 0, 0, 0, 0, 0, 0, 0};
    const std::vector<BYTE> qwordTwo = {2, 0, 0, 0, 0, 0, 0, 0};
    const StoredCase cases[] = {
        {"a scene stored as REG_DWORD gives its bytes as text",
         {{kEnterGameScene, REG_DWORD, DwordBytes(0x00420041)}},
         DefaultsWith([](Shown& s) { s.enterScene = L"AB"; })},
        {"REG_EXPAND_SZ is taken as stored, unexpanded",
         {{kTabOutScene, REG_EXPAND_SZ, TerminatedTextBytes(L"%TEMP%\\scene")}},
         DefaultsWith([](Shown& s) { s.tabOutScene = L"%TEMP%\\scene"; })},
        {"255 characters and the terminator, 512 bytes, are read whole",
         {{kLeaveGameScene, REG_SZ, TerminatedTextBytes(text255)}, {kRemoteHost, REG_SZ, TerminatedTextBytes(text255)}},
         DefaultsWith([&](Shown& s) { s.leaveScene = text255; s.host = text255; })},
        {"256 characters and the terminator do not fit and leave the default",
         {{kTabInScene, REG_SZ, TerminatedTextBytes(text256)}, {kRemoteHost, REG_SZ, TerminatedTextBytes(text300)}},
         DefaultsWith([](Shown&) {})},
        {"512 bytes without a terminator keep the first 255 characters",
         {{kEnterGameScene, REG_SZ, TextBytes(text256)}, {kRemoteHost, REG_SZ, TextBytes(text256)}},
         DefaultsWith([&](Shown& s) { s.enterScene = text255; s.host = text255; })},
        {"a short text without a terminator after a long one is read alone",
         {{kEnterGameScene, REG_SZ, TerminatedTextBytes(text255)}, {kLeaveGameScene, REG_SZ, TextBytes(L"Lv")},
          {kTabInScene, REG_SZ, TextBytes(L"In")}, {kRemoteHost, REG_SZ, TextBytes(L"caster")}},
         DefaultsWith([&](Shown& s) { s.enterScene = text255; s.leaveScene = L"Lv"; s.tabInScene = L"In";
                                      s.host = L"caster"; })},
        {"empty values leave the defaults",
         {{kTabOutScene, REG_SZ, {}}, {kRemoteRole, REG_BINARY, {}}, {kApplyOnTab, REG_BINARY, {}}},
         DefaultsWith([](Shown&) {})},
        {"a role stored as one byte of REG_BINARY is taken",
         {{kRemoteRole, REG_BINARY, {2}}},
         DefaultsWith([](Shown& s) { s.roleButton = 1002; })},
        {"numbers stored in eight bytes do not fit and leave the defaults",
         {{kRemoteRole, REG_QWORD, qwordTwo}, {kRemoteEnabled, REG_QWORD, qwordOne},
          {kApplyWhenTabbed, REG_QWORD, qwordOne}},
         DefaultsWith([](Shown&) {})},
        {"boxes are checked by any non-zero number, of any type",
         {{kApplyOnTab, REG_BINARY, {1, 0, 0, 0}}, {kApplyWhenTabbed, REG_DWORD, DwordBytes(9)}},
         DefaultsWith([](Shown& s) { s.applyOnTab = true; s.applyWhenTabbed = true; })},
        {"network mode of 5 on the XSplit side disables the scene controls",
         {{kRemoteEnabled, REG_DWORD, DwordBytes(5)}, {kRemoteRole, REG_DWORD, DwordBytes(2)}},
         DefaultsWith([](Shown& s) { s.networkMode = true; s.roleButton = 1002; })},
        {"a role of neither side selects no button and keeps the scene controls",
         {{kRemoteRole, REG_DWORD, DwordBytes(7)}, {kRemoteEnabled, REG_DWORD, DwordBytes(1)}},
         DefaultsWith([](Shown& s) { s.networkMode = true; s.roleButton = 0; })},
        {"a role of 0 selects no button",
         {{kRemoteRole, REG_DWORD, DwordBytes(0)}},
         DefaultsWith([](Shown& s) { s.roleButton = 0; })},
    };
    for (const StoredCase& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteSettings();
        for (const RawValue& raw : c.stored) {
            ASSERT_TRUE(WriteStoredValue(raw.name, raw.type, raw.bytes));
            StoredValue check;
            ASSERT_TRUE(ReadStoredValue(raw.name, &check));
            ASSERT_EQ(check.bytes, raw.bytes) << "the registry did not keep the value as written";
        }
        KestrelcueProgram program;
        ASSERT_TRUE(program.Launch());
        ExpectShown(program, c.shown);
        ASSERT_TRUE(program.Close());
    }
}

TEST_F(SettingsTest, ARoleOfNeitherSideIsSavedAsItWas)
{
    ASSERT_TRUE(WriteStoredDword(kRemoteRole, 7));
    ASSERT_TRUE(WriteStoredDword(kRemoteEnabled, 5));
    {
        KestrelcueProgram program;
        ASSERT_TRUE(program.Launch());
        ExpectShown(program, DefaultsWith([](Shown& s) { s.networkMode = true; s.roleButton = 0; }));
        ASSERT_TRUE(program.Close());
    }
    ExpectStoredDword(kRemoteRole, 7);
    // The box holds only checked or not.
    ExpectStoredDword(kRemoteEnabled, 1);
}

TEST_F(SettingsTest, WithNetworkModeAnUnknownRoleWaitsForStopUntilOneIsChosen)
{
    ASSERT_TRUE(WriteStoredDword(kRemoteRole, 7));
    ASSERT_TRUE(WriteStoredDword(kRemoteEnabled, 1));
    KestrelcueProgram program;
    ASSERT_TRUE(program.Launch());
    ASSERT_TRUE(program.IsChecked(1013));

    program.PressStartStop();
    EXPECT_TRUE(program.WaitForStatus(
        L"Network role unknown. Click Stop, then choose this computer's role in Setup..."));
    EXPECT_EQ(program.Text(1011), L"Stop");
    EXPECT_FALSE(program.IsEnabled(1013));
    EXPECT_FALSE(program.IsEnabled(1014));
    program.PressStartStop();
    EXPECT_EQ(program.Status(), L"Aborted.");
    EXPECT_EQ(program.Text(1011), L"Start");
    EXPECT_TRUE(program.IsEnabled(1013));
    EXPECT_TRUE(program.IsEnabled(1014));

    // Doing what the text says: the game side then looks for the game.
    ChooseInSetup(program, 1001, L"127.0.0.2");
    program.PressStartStop();
    EXPECT_TRUE(program.WaitForStatus(L"Finding StarCraft II window..."));
    program.PressStartStop();
    EXPECT_EQ(program.Status(), L"Aborted.");
    ASSERT_TRUE(program.Close());
    ExpectStoredDword(kRemoteRole, 1);
    ExpectStoredText(kRemoteHost, L"127.0.0.2");
}

} // namespace
