// Settings that someone edited by hand: each of the nine values stored with
// the wrong type and the wrong size. The program starts, shows what it could
// read, switches scenes, and saves values of the right type and size.
#include <cstring>
#include <cwchar>

#include "drive/stored_settings.h"
#include "fault_support.h"

namespace {

const wchar_t* const kNames[] = {
    L"EnterGameScene", L"LeaveGameScene", L"TabInScene", L"TabOutScene", L"Remote Host",
    L"Remote Role", L"Remote Enabled", L"Apply Game Settings On Tab", L"Apply Game Settings When Tabbed",
};

// What the program reads of a text: 512 bytes at most (255 characters and a
// terminator), whatever the stored type; a value that does not fit gives
// nothing. A scene field then yields 254 characters of it.
constexpr size_t kTextRoomBytes = 512;
constexpr size_t kTextChars = 255;
constexpr size_t kSceneFieldChars = 254;

std::wstring TextAsRead(const std::vector<BYTE>& bytes)
{
    if (bytes.size() > kTextRoomBytes)
        return L"";
    wchar_t room[kTextRoomBytes / sizeof(wchar_t)] = {};
    std::memcpy(room, bytes.data(), bytes.size());
    return std::wstring(room, wcsnlen(room, kTextChars));
}

// What the program reads of a number: up to 4 bytes over the default; a
// longer value leaves the default.
DWORD NumberAsRead(const std::vector<BYTE>& bytes, DWORD defaultNumber)
{
    if (bytes.size() > sizeof(DWORD))
        return defaultNumber;
    DWORD number = defaultNumber;
    std::memcpy(&number, bytes.data(), bytes.size());
    return number;
}

struct WrongValue {
    const char* what;
    DWORD type;
    std::vector<BYTE> bytes;
};

std::vector<BYTE> Filled(size_t count, BYTE byte)
{
    return std::vector<BYTE>(count, byte);
}

class FaultRegistryTest : public StreamingSession {};

TEST_F(FaultRegistryTest, EveryValueOfTheWrongTypeAndSize)
{
    const std::wstring multi(L"Scene\0Other\0", 13);
    const WrongValue wrongs[] = {
        {"REG_DWORD", REG_DWORD, {0x41, 0x00, 0x42, 0x00}},
        {"REG_QWORD", REG_QWORD, {0x41, 0x00, 0x42, 0x00, 0x43, 0x00, 0x44, 0x00}},
        {"one byte of REG_BINARY", REG_BINARY, {0x02}},
        {"an empty REG_BINARY", REG_BINARY, {}},
        {"three bytes of REG_SZ", REG_SZ, {0x41, 0x00, 0x42}},
        {"a number written as REG_SZ text", REG_SZ, TerminatedTextBytes(L"1")},
        {"REG_MULTI_SZ", REG_MULTI_SZ, TextBytes(multi)},
        {"512 bytes of REG_SZ without a terminator", REG_SZ, TextBytes(AlphabetText(256))},
        {"513 bytes of REG_NONE", REG_NONE, Filled(513, 0x20)},
        {"600 bytes of REG_BINARY without a terminator", REG_BINARY, Filled(600, 0x41)},
        {"64 KiB of REG_BINARY", REG_BINARY, Filled(65536, 0xFF)},
        {"lone surrogates in REG_EXPAND_SZ", REG_EXPAND_SZ, TerminatedTextBytes(std::wstring(100, wchar_t(0xD800)))},
        {"two bytes of a type no one uses", REG_RESOURCE_LIST, {0xFF, 0xFF}},
    };
    ASSERT_TRUE(game.Launch());
    ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
    Clicks clicks;
    for (const WrongValue& wrong : wrongs) {
        SCOPED_TRACE(wrong.what);
        DeleteSettings();
        for (const wchar_t* name : kNames) {
            ASSERT_TRUE(WriteStoredValue(name, wrong.type, wrong.bytes));
            StoredValue check;
            ASSERT_TRUE(ReadStoredValue(name, &check));
            ASSERT_EQ(check.type, wrong.type);
            ASSERT_EQ(check.bytes, wrong.bytes) << "the registry did not keep the value as written";
        }
        const std::wstring text = TextAsRead(wrong.bytes);
        const bool box = NumberAsRead(wrong.bytes, 0) != 0;

        KestrelcueProgram run;
        ASSERT_TRUE(run.Launch()) << run.LaunchProblem();
        EXPECT_EQ(run.Text(1004), text);
        EXPECT_EQ(run.Text(1006), text);
        EXPECT_EQ(run.Text(1008), text);
        EXPECT_EQ(run.Text(1007), text);
        EXPECT_EQ(run.IsChecked(1013), box);
        EXPECT_EQ(run.IsChecked(1005), box);
        EXPECT_EQ(run.IsChecked(1010), box);

        // It works: scene names typed over what was read, network mode off.
        run.SetText(1004, L"Game");
        run.SetText(1006, L"Menus");
        run.SetChecked(1013, false);
        ASSERT_TRUE(BringToFront(game.Window()));
        run.PressStartStop();
        clicks.push_back(L"Menus");
        ExpectClicks(xsplit, clicks);
        game.StartGame();
        clicks.push_back(L"Game");
        ExpectClicks(xsplit, clicks);
        run.PressStartStop();
        game.EndGame();

        ASSERT_TRUE(run.Close(15000));
        DWORD code = 1234;
        run.Process().WaitForExit(0, &code);
        EXPECT_EQ(code, 0u);
        // Every value saved with its own type and size, from what was read.
        const std::wstring sceneField = text.substr(0, kSceneFieldChars);
        ExpectSettingsSaved({L"Game", L"Menus", sceneField, sceneField, text, NumberAsRead(wrong.bytes, 1), 0,
                             box ? 1u : 0u, box ? 1u : 0u, false, false, L"", 0});
    }
}

} // namespace
