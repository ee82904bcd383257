// The Scenes dialog as a user meets it, and the six values it keeps: its
// template, first-run defaults, the round trip through a restart, Cancel,
// Escape and the close box, the length of what can be typed, and values
// written only once they are set.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive/local_patch_server.h"
#include "drive/network_setup.h"
#include "drive/program.h"
#include "drive/scenes_dialog.h"
#include "drive/stored_settings.h"
#include "template_layout.h"

namespace {

constexpr int kLoading = kScenesLoading, kReplay = kScenesReplay, kObserving = kScenesObserving,
              kVictory = kScenesVictory, kDefeat = kScenesDefeat, kNames = kScenesNames;

const struct {
    int field;
    const wchar_t* value;
} kFields[] = {{kLoading, L"LoadingScene"}, {kReplay, L"ReplayScene"},   {kObserving, L"ObservingScene"},
               {kVictory, L"VictoryScene"}, {kDefeat, L"DefeatScene"}, {kNames, L"Player Names"}};

constexpr LONG kEdit = kTemplateEdit, kLabel = kTemplateLabel;

constexpr LONG kIcon = SS_ICON, kOwnerDrawn = BS_OWNERDRAW;

// Each scene field with its list's button and its mark.
std::vector<TemplateControl> ScenesControls()
{
    std::vector<TemplateControl> controls = {
        {-1, L"Static", kLabel,
         L"With the game's client API (see Options). An empty field uses the main window's scene for entering or "
         L"leaving a game.",
         7, 7, 236, 18, false},
        {-1, L"Button", BS_GROUPBOX, L"Scenes", 7, 28, 236, 96, false},
    };
    const wchar_t* labels[] = {L"While loading", L"During a replay", L"While observing", L"After a win",
                               L"After a loss"};
    for (int i = 0; i < 5; ++i) {
        const int y = 40 + 17 * i;
        controls.push_back({-1, L"Static", kLabel, labels[i], 14, y + 2, 70, 8, false});
        controls.push_back({kLoading + i, L"Edit", kEdit, L"", 88, y, 120, 14, true});
        controls.push_back({kScenesFirstListButton + i, L"Button", kOwnerDrawn, L"", 208, y, 12, 14, true});
        controls.push_back({kScenesFirstMark + i, L"Static", kIcon, L"", 224, y + 1, 12, 12, false});
    }
    const std::vector<TemplateControl> rest = {
        {-1, L"Button", BS_GROUPBOX, L"Your names in the game", 7, 129, 236, 44, false},
        {kNames, L"Edit", kEdit, L"", 14, 141, 222, 14, true},
        {-1, L"Static", kLabel, L"Several accounts: separate the names with ;", 14, 159, 222, 8, false},
        {IDOK, L"Button", BS_DEFPUSHBUTTON, L"OK", 139, 178, 50, 14, true},
        {IDCANCEL, L"Button", BS_PUSHBUTTON, L"Cancel", 193, 178, 50, 14, true},
    };
    controls.insert(controls.end(), rest.begin(), rest.end());
    return controls;
}

class ScenesDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        ASSERT_TRUE(server.Start());
        program.UseOutsidePatchServer();
    }
    void TearDown() override { DeleteSettings(); }

    static void Press(HWND dialog, int id) { PressScenesButton(dialog, id); }

    LocalPatchServer server;
    KestrelcueProgram program;
};

TEST_F(ScenesDialogTest, OpensModallyFromTheSystemMenuWithTheTemplate)
{
    ASSERT_TRUE(program.Launch());
    HWND dialog = OpenScenes(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), program.Window());
    EXPECT_FALSE(IsWindowEnabled(program.Window())) << "the main window takes no input while it is open";
    EXPECT_TRUE(GetWindowLongW(dialog, GWL_STYLE) & WS_SYSMENU);
    ASSERT_NO_FATAL_FAILURE(ExpectDialogAsItsTemplate(dialog, 104, 250, 198, ScenesControls()));
    Press(dialog, IDCANCEL);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    EXPECT_TRUE(IsWindowEnabled(program.Window()));
}

// Up to 254 characters as typed, like the main window's fields; each value
// is stored as REG_SZ with its terminator and read back after a restart.
TEST_F(ScenesDialogTest, EveryFieldSurvivesARestart)
{
    ASSERT_TRUE(program.Launch());
    HWND dialog = OpenScenes(program);
    ASSERT_NE(dialog, nullptr);
    for (const auto& f : kFields) {
        EXPECT_EQ(SendDlgItemMessageW(dialog, f.field, EM_GETLIMITTEXT, 0, 0), 254) << "field " << f.field;
        SetDlgItemTextW(dialog, f.field, (std::wstring(f.value) + L" \u00e9").c_str());
    }
    Press(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ASSERT_TRUE(program.Close());
    for (const auto& f : kFields) {
        StoredValue value;
        ASSERT_TRUE(ReadStoredValue(f.value, &value)) << testing::PrintToString(std::wstring(f.value));
        EXPECT_EQ(value.type, DWORD(REG_SZ));
        EXPECT_EQ(value.bytes, TerminatedTextBytes(std::wstring(f.value) + L" \u00e9"));
    }
    KestrelcueProgram again;
    again.UseOutsidePatchServer();
    ASSERT_TRUE(again.Launch());
    dialog = OpenScenes(again);
    ASSERT_NE(dialog, nullptr);
    for (const auto& f : kFields)
        EXPECT_EQ(WindowText(GetDlgItem(dialog, f.field)), std::wstring(f.value) + L" \u00e9");
    Press(dialog, IDCANCEL);
    ASSERT_TRUE(WaitForDialogGone(dialog));
}

// A first run shows empty fields and, untouched, stores nothing new; a value
// emptied again after it was set is stored empty.
TEST_F(ScenesDialogTest, UntouchedValuesAreNotWrittenAndEmptiedOnesAre)
{
    ASSERT_TRUE(program.Launch());
    HWND dialog = OpenScenes(program);
    ASSERT_NE(dialog, nullptr);
    for (const auto& f : kFields)
        EXPECT_EQ(WindowText(GetDlgItem(dialog, f.field)), L"");
    Press(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ASSERT_TRUE(program.Close());
    EXPECT_EQ(StoredValueNames().size(), 9u) << "an untouched dialog adds values to the nine";

    ASSERT_TRUE(WriteStoredString(L"ReplayScene", L"Replay"));
    KestrelcueProgram again;
    again.UseOutsidePatchServer();
    ASSERT_TRUE(again.Launch());
    dialog = OpenScenes(again);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, kReplay)), L"Replay");
    SetDlgItemTextW(dialog, kReplay, L"");
    Press(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ASSERT_TRUE(again.Close());
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(L"ReplayScene", &value));
    EXPECT_EQ(value.bytes, TerminatedTextBytes(L""));
}

TEST_F(ScenesDialogTest, CancelEscapeAndTheCloseBoxKeepWhatWasThere)
{
    ASSERT_TRUE(WriteStoredString(L"VictoryScene", L"Won"));
    ASSERT_TRUE(program.Launch());
    const struct {
        const char* how;
        void (*close)(HWND dialog);
    } ways[] = {
        {"Cancel", [](HWND dialog) { Press(dialog, IDCANCEL); }},
        {"Escape",
         [](HWND dialog) {
             PostMessageW(GetDlgItem(dialog, kVictory), WM_KEYDOWN, VK_ESCAPE, 1);
             PostMessageW(GetDlgItem(dialog, kVictory), WM_KEYUP, VK_ESCAPE, 0xC0000001);
         }},
        {"the close box", [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        HWND dialog = OpenScenes(program);
        ASSERT_NE(dialog, nullptr);
        SetDlgItemTextW(dialog, kVictory, L"Changed");
        way.close(dialog);
        ASSERT_TRUE(WaitForDialogGone(dialog));
        dialog = OpenScenes(program);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(WindowText(GetDlgItem(dialog, kVictory)), L"Won");
        Press(dialog, IDCANCEL);
        ASSERT_TRUE(WaitForDialogGone(dialog));
    }
}

} // namespace
