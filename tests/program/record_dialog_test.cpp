// The Record dialog as a user meets it: its template, first-run defaults,
// the values it keeps (written only once set), Cancel keeping all, and a
// number that is not one refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive/local_patch_server.h"
#include "drive/message_box.h"
#include "drive/network_setup.h"
#include "drive/program.h"
#include "drive/record_dialog.h"
#include "drive/stored_settings.h"
#include "app/record_dialog.h"
#include "template_layout.h"

namespace {

constexpr LONG kEdit = kTemplateEdit, kLabel = kTemplateLabel;

const std::vector<TemplateControl> kRecordControls = {
    {-1, L"Static", kLabel,
     L"With the game's client API, your games against humans count (not replays, games you watch or games against "
     L"computers; your names are in Scenes...). The format's placeholders: {wins} {losses} {ties} {games} {winrate} "
     L"{vsT} {vsZ} {vsP} {vsR}.",
     7, 7, 226, 34, false},
    {-1, L"Button", BS_GROUPBOX, L"Where it shows", 7, 44, 226, 80, false},
    {-1, L"Static", kLabel, L"File:", 14, 59, 46, 8, false},
    {kRecordFileField, L"Edit", kEdit, L"", 62, 57, 112, 14, true},
    {kRecordBrowse, L"Button", BS_PUSHBUTTON, L"Browse...", 178, 57, 48, 14, true},
    {-1, L"Static", kLabel, L"OBS source:", 14, 77, 46, 8, false},
    {kRecordSourceField, L"Edit", kEdit, L"", 62, 75, 164, 14, true},
    {-1, L"Static", kLabel, L"Format:", 14, 95, 46, 8, false},
    {kRecordFormatField, L"Edit", kEdit, L"{wins} - {losses}", 62, 93, 164, 14, true},
    {-1, L"Static", kLabel, L"Shows:", 14, 111, 46, 8, false},
    {kRecordPreview, L"Static", kLabel, L"0 - 0", 62, 111, 164, 8, false},
    {-1, L"Button", BS_GROUPBOX, L"The record", 7, 128, 226, 112, false},
    {-1, L"Static", kLabel, L"Wins", 62, 140, 32, 8, false},
    {-1, L"Static", kLabel, L"Losses", 100, 140, 32, 8, false},
    {-1, L"Static", kLabel, L"All games", 14, 152, 46, 8, false},
    {kRecordWins, L"Edit", kEdit, L"0", 62, 150, 32, 14, true},
    {kRecordLosses, L"Edit", kEdit, L"0", 100, 150, 32, 14, true},
    {-1, L"Static", kLabel, L"Ties", 142, 152, 20, 8, false},
    {kRecordTies, L"Edit", kEdit, L"0", 166, 150, 32, 14, true},
    {-1, L"Static", kLabel, L"vs Terran", 14, 170, 46, 8, false},
    {kRecordTerranWins, L"Edit", kEdit, L"0", 62, 168, 32, 14, true},
    {kRecordTerranLosses, L"Edit", kEdit, L"0", 100, 168, 32, 14, true},
    {-1, L"Static", kLabel, L"vs Zerg", 14, 186, 46, 8, false},
    {kRecordZergWins, L"Edit", kEdit, L"0", 62, 184, 32, 14, true},
    {kRecordZergLosses, L"Edit", kEdit, L"0", 100, 184, 32, 14, true},
    {-1, L"Static", kLabel, L"vs Protoss", 14, 202, 46, 8, false},
    {kRecordProtossWins, L"Edit", kEdit, L"0", 62, 200, 32, 14, true},
    {kRecordProtossLosses, L"Edit", kEdit, L"0", 100, 200, 32, 14, true},
    {-1, L"Static", kLabel, L"vs random", 14, 218, 46, 8, false},
    {kRecordRandomWins, L"Edit", kEdit, L"0", 62, 216, 32, 14, true},
    {kRecordRandomLosses, L"Edit", kEdit, L"0", 100, 216, 32, 14, true},
    {kRecordReset, L"Button", BS_PUSHBUTTON, L"Reset", 176, 216, 50, 14, true},
    {-1, L"Button", BS_GROUPBOX, L"Overlay page", 7, 244, 226, 32, false},
    {-1, L"Static", kLabel, L"Port:", 14, 259, 24, 8, false},
    {kRecordOverlayPort, L"Edit", kEdit, L"0", 40, 257, 34, 14, true},
    {kRecordOverlayAddress, L"Static", kLabel, L"Off", 78, 259, 106, 8, false},
    {kRecordOverlayCopy, L"Button", BS_PUSHBUTTON, L"Copy", 188, 257, 38, 14, true},
    {-1, L"Button", BS_GROUPBOX, L"Game events for chat bots", 7, 280, 226, 32, false},
    {-1, L"Static", kLabel, L"Webhook URL:", 14, 295, 50, 8, false},
    {kRecordWebhookUrl, L"Edit", kEdit, L"", 66, 293, 160, 14, true},
    {IDOK, L"Button", BS_DEFPUSHBUTTON, L"OK", 129, 320, 50, 14, true},
    {IDCANCEL, L"Button", BS_PUSHBUTTON, L"Cancel", 183, 320, 50, 14, true},
};

class RecordDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        ASSERT_TRUE(server.Start());
        program.UseOutsidePatchServer();
    }
    void TearDown() override { DeleteSettings(); }

    LocalPatchServer server;
    KestrelcueProgram program;
};

TEST_F(RecordDialogTest, OpensModallyFromTheSystemMenuWithTheTemplate)
{
    ASSERT_TRUE(program.Launch());
    HWND dialog = OpenRecord(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), program.Window());
    EXPECT_FALSE(IsWindowEnabled(program.Window()));
    ASSERT_NO_FATAL_FAILURE(ExpectDialogAsItsTemplate(dialog, 105, 240, 340, kRecordControls));
    PressRecordButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ASSERT_TRUE(program.Close());
    EXPECT_EQ(StoredValueNames().size(), 9u) << "an untouched Record dialog adds values to the nine";
}

// Each place and each number is stored under its own name, as typed; a
// cancelled change is none.
TEST_F(RecordDialogTest, ItsValuesAreStoredOnceSetAndCancelKeepsThem)
{
    ASSERT_TRUE(program.Launch());
    HWND dialog = OpenRecord(program);
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextW(dialog, kRecordFileField, L"C:\\stream\\record.txt");
    SetDlgItemTextW(dialog, kRecordSourceField, L"Record");
    SetDlgItemTextW(dialog, kRecordFormatField, L"{wins}:{losses}");
    SetDlgItemTextW(dialog, kRecordTies, L"4");
    SetDlgItemTextW(dialog, kRecordZergLosses, L"3");
    PressRecordButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    dialog = OpenRecord(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, kRecordPreview)), L"0:0");
    SetDlgItemTextW(dialog, kRecordWins, L"9");
    PressRecordButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ASSERT_TRUE(program.Close());

    const struct {
        const wchar_t* name;
        std::vector<BYTE> bytes;
    } stored[] = {
        {L"Record File", TerminatedTextBytes(L"C:\\stream\\record.txt")},
        {L"OBS Record Source", TerminatedTextBytes(L"Record")},
        {L"Record Format", TerminatedTextBytes(L"{wins}:{losses}")},
        {L"Record Ties", DwordBytes(4)},
        {L"Record Zerg Losses", DwordBytes(3)},
        {L"Record Wins", DwordBytes(0)},
    };
    for (const auto& value : stored) {
        StoredValue read;
        ASSERT_TRUE(ReadStoredValue(value.name, &read)) << testing::PrintToString(std::wstring(value.name));
        EXPECT_EQ(read.bytes, value.bytes) << testing::PrintToString(std::wstring(value.name));
    }
}

// OK refused with a word in the dialog, which stays open.
void ExpectRefusedAtOk(KestrelcueProgram& program, HWND dialog, const std::wstring& text)
{
    PressRecordButton(dialog, IDOK);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(program.Process().Id())) != nullptr; }));
    EXPECT_EQ(MessageBoxText(box), text);
    DismissMessageBox(box);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); })) << "the next refusal would find this box";
    EXPECT_TRUE(IsWindow(dialog));
}

// ES_NUMBER keeps letters out as typed, not as pasted; a file found from
// whatever folder the program started in is no file at all.
TEST_F(RecordDialogTest, ANumberThatIsNotOneAndARelativeFileAreRefused)
{
    ASSERT_TRUE(program.Launch());
    HWND dialog = OpenRecord(program);
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextW(dialog, kRecordLosses, L"12x");
    EXPECT_TRUE(WaitUntil([&] { return WindowText(GetDlgItem(dialog, kRecordPreview)).empty(); }));
    ASSERT_NO_FATAL_FAILURE(ExpectRefusedAtOk(program, dialog, L"The record's numbers must be whole numbers."));
    SetDlgItemTextW(dialog, kRecordLosses, L"");
    for (const wchar_t* relative : {L"record.txt", L"stream\\record.txt", L"C:record.txt", L"\\record.txt"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(relative)));
        SetDlgItemTextW(dialog, kRecordFileField, relative);
        ASSERT_NO_FATAL_FAILURE(ExpectRefusedAtOk(program, dialog,
                                                  L"The record's file must be given with its full path, such as "
                                                  L"C:\\Stream\\record.txt, or chosen with Browse."));
    }
    SetDlgItemTextW(dialog, kRecordFileField, L"C:\\stream\\record.txt");
    PressRecordButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog)) << "an empty number is 0 and a full path is taken, not refused";
    ASSERT_TRUE(program.Close());
    StoredValue file;
    ASSERT_TRUE(ReadStoredValue(L"Record File", &file));
    EXPECT_EQ(file.bytes, TerminatedTextBytes(L"C:\\stream\\record.txt"));
}

// The overlay's port: its page's address shown and copied, a port out of
// range refused, and the port stored; likewise the webhook's URL.
TEST_F(RecordDialogTest, TheOverlayPortIsStoredWithItsAddressShownAndTheWebhookUrlToo)
{
    ASSERT_TRUE(program.Launch());
    HWND dialog = OpenRecord(program);
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextW(dialog, kRecordOverlayPort, L"80");
    ASSERT_NO_FATAL_FAILURE(
        ExpectRefusedAtOk(program, dialog, L"The overlay's port is 0 (off) or from 1024 to 65535."));
    SetDlgItemTextW(dialog, kRecordOverlayPort, L"28028");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, kRecordOverlayAddress)), L"http://127.0.0.1:28028/");
    // Sent, not posted: the clipboard is looked at once the dialog has
    // closed it again.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kRecordOverlayCopy, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, kRecordOverlayCopy)));
    std::wstring copied;
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE text = GetClipboardData(CF_UNICODETEXT);
    const wchar_t* units = text != nullptr ? static_cast<const wchar_t*>(GlobalLock(text)) : nullptr;
    if (units != nullptr) {
        copied = units;
        GlobalUnlock(text);
    }
    CloseClipboard();
    EXPECT_EQ(copied, L"http://127.0.0.1:28028/");
    const wchar_t kUrl[] = L"https://discord.com/api/webhooks/1234/Tok-en_5";
    for (const wchar_t* refused : {L"ftp://example.com/hook", L"discord.com/api/webhooks/1", L"https:///x y"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(refused)));
        SetDlgItemTextW(dialog, kRecordWebhookUrl, refused);
        ASSERT_NO_FATAL_FAILURE(ExpectRefusedAtOk(program, dialog,
                                                  L"The webhook's URL begins with http:// or https://, such as "
                                                  L"https://discord.com/api/webhooks/ID/TOKEN; leave it empty for none."));
    }
    SetDlgItemTextW(dialog, kRecordWebhookUrl, kUrl);
    PressRecordButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ASSERT_TRUE(program.Close());
    StoredValue port;
    ASSERT_TRUE(ReadStoredValue(L"Overlay Port", &port));
    EXPECT_EQ(port.bytes, DwordBytes(28028));
    StoredValue url;
    ASSERT_TRUE(ReadStoredValue(L"Webhook URL", &url));
    EXPECT_EQ(url.bytes, TerminatedTextBytes(kUrl));
}

// Browse's list of types: each name and its pattern, then the list's end.
TEST(RecordBrowseTest, OffersTextFilesThenAllFilesEachWithItsPattern)
{
    std::vector<std::wstring> parts;
    const wchar_t* types = RecordFileTypes();
    for (const wchar_t* part = types; *part != L'\0' && parts.size() < 8; part += parts.back().size() + 1)
        parts.emplace_back(part);
    EXPECT_EQ(parts, (std::vector<std::wstring>{L"Text files (*.txt)", L"*.txt", L"All files (*.*)", L"*.*"}));
}

} // namespace
