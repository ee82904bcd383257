// The settings store: values under one key of the current user's registry,
// read when the main window is created and written when it is destroyed.
// In between they live in the main window's controls and in AppState. One
// table names every value once; loading and saving both walk it. The nine
// the program has always kept are written at every close; those of the
// Options dialog only once they are stored or differ from their default, so
// a user who never opens Options keeps exactly the nine.
#include "settings/settings.h"

#include <cwchar>
#include <vector>

#include "app/app_state.h"
#include "app/bounded_text.h"
#include "overlay/overlay_server.h"
#include "events/webhook.h"
#include "record/session_record.h"
#include "settings/protected_password.h"
#include "settings/scene_fields.h"
#include "settings/stored_text.h"
#include "resource_ids.h"

namespace {

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Ondelvane\\Kestrelcue";

// A scene field is read with room for 254 characters and the terminator,
// the same limit the scene requests use, so what is saved is what is used.
constexpr int kSceneFieldReadChars = int(kStoredTextChars) - 1;

static_assert(size_t(kRemoteHostChars) == kStoredTextChars, "Remote Host is read back into RemoteHost directly");
static_assert(size_t(kObsHostChars) == kStoredTextChars, "OBS Host is read back into ObsHost directly");
static_assert(kObsPasswordTextChars == kObsPasswordChars, "the password is read back into ObsPassword directly");
static_assert(size_t(kSituationSceneChars) == kStoredTextChars && size_t(kPlayerNameListChars) == kStoredTextChars &&
                  size_t(kGameApiHostChars) == kStoredTextChars,
              "the texts of the Scenes dialog and the game's address are read back directly");

constexpr wchar_t kDefaultObsHost[] = L"localhost";
constexpr wchar_t kDefaultGameApiHost[] = L"127.0.0.1";

// kDefaultRecordFormat, as the settings' texts are typed.
constexpr const wchar_t* kDefaultFormat = L"{wins} - {losses}";

// Which place of the record a value holds.
enum RecordPlace { kRecordFilePlace, kRecordFormatPlace, kRecordSourcePlace };

// Where a value lives while the program runs.
enum class Home {
    SceneField,     // an edit of the main window
    RemoteHost,     // AppState.RemoteHost
    RemoteRole,     // AppState.RemoteRole
    NetworkMode,    // AppState.RemoteEnabled and its check box
    OptionBox,      // a check box of the main window
    GameStateSource,  // AppState.GameStateSource, set in Options
    SceneProgram,     // AppState.SceneProgram, set in Options
    ObsHost,          // AppState.ObsHost, set in Options
    ObsPort,          // AppState.ObsPort, set in Options
    ObsPassword,      // AppState.ObsPassword, set in Options; stored protected
    AppText,          // a text of AppState (`text`), set in Options
    SceneText,        // a situation's scene (which: `control`) or, as kSituationSceneCount, the user's names
    GameApiPort,      // AppState.GameApiPort, set in Options
    RecordPlace,      // where the record shows (which: `control`), set in Record; the record's owner holds it
    RecordCount,      // one number of the record (which: `control`), counted or set in Record; likewise
    MinimizeToTray,   // AppState.MinimizeToTray, set in Options
    PauseHotkey,      // AppState.PauseHotkey, set in Options
    OverlayPort,      // AppState.OverlayPort, set in Record and stored at once
    WebhookUrl,       // where the game events go, set in Record; the webhook's owner holds it
};

// Which values are written at every close, and which only once stored.
enum class Writing { Always, OnceSet };

struct Setting {
    const wchar_t* name;  // the registry value's name: users' existing settings depend on it
    DWORD type;           // REG_SZ, REG_DWORD or REG_BINARY, as written
    Home home;
    int control;          // the main window's edit or check box; 0 when held in AppState only;
                          // for Home::RecordPlace and RecordCount, which place or number of the record
    DWORD defaultNumber;  // REG_DWORD values when absent; texts default to empty unless said here
    Writing writing;
    wchar_t (*text)[kStoredTextChars];  // Home::AppText: where it is held
    const wchar_t* defaultText;         // Home::AppText and RecordPlace: when absent
};

// In the order they are read and written.
constexpr Setting kSettings[] = {
    {L"EnterGameScene",                  REG_SZ,     Home::SceneField,      IDC_MAIN_ENTER_SCENE,       0, Writing::Always, nullptr, nullptr},
    {L"LeaveGameScene",                  REG_SZ,     Home::SceneField,      IDC_MAIN_LEAVE_SCENE,       0, Writing::Always, nullptr, nullptr},
    {L"TabInScene",                      REG_SZ,     Home::SceneField,      IDC_MAIN_TAB_IN_SCENE,      0, Writing::Always, nullptr, nullptr},
    {L"TabOutScene",                     REG_SZ,     Home::SceneField,      IDC_MAIN_TAB_OUT_SCENE,     0, Writing::Always, nullptr, nullptr},
    {L"Remote Host",                     REG_SZ,     Home::RemoteHost,      0,                          0, Writing::Always, nullptr, nullptr},
    {L"Remote Role",                     REG_DWORD,  Home::RemoteRole,      0,              kRoleGameSide, Writing::Always, nullptr, nullptr},
    {L"Remote Enabled",                  REG_DWORD,  Home::NetworkMode,     IDC_MAIN_NETWORK_MODE,      0, Writing::Always, nullptr, nullptr},
    {L"Apply Game Settings On Tab",      REG_DWORD,  Home::OptionBox,       IDC_MAIN_APPLY_ON_TAB,      0, Writing::Always, nullptr, nullptr},
    {L"Apply Game Settings When Tabbed", REG_DWORD,  Home::OptionBox,       IDC_MAIN_APPLY_WHEN_TABBED, 0, Writing::Always, nullptr, nullptr},
    {L"Game State Source",               REG_DWORD,  Home::GameStateSource, 0,          kSourcePatchTable, Writing::OnceSet, nullptr, nullptr},
    {L"Scene Program",                   REG_DWORD,  Home::SceneProgram,    0,             kProgramXSplit, Writing::OnceSet, nullptr, nullptr},
    {L"OBS Host",                        REG_SZ,     Home::ObsHost,         0,                          0, Writing::OnceSet, nullptr, nullptr},
    {L"OBS Port",                        REG_DWORD,  Home::ObsPort,         0,            kDefaultObsPort, Writing::OnceSet, nullptr, nullptr},
    {L"OBS Password",                    REG_BINARY, Home::ObsPassword,     0,                          0, Writing::OnceSet, nullptr, nullptr},
    {L"LoadingScene", REG_SZ, Home::SceneText, kLoadingScene, 0, Writing::OnceSet, nullptr, L""},
    {L"ReplayScene", REG_SZ, Home::SceneText, kReplayScene, 0, Writing::OnceSet, nullptr, L""},
    {L"ObservingScene", REG_SZ, Home::SceneText, kObservingScene, 0, Writing::OnceSet, nullptr, L""},
    {L"VictoryScene", REG_SZ, Home::SceneText, kVictoryScene, 0, Writing::OnceSet, nullptr, L""},
    {L"DefeatScene", REG_SZ, Home::SceneText, kDefeatScene, 0, Writing::OnceSet, nullptr, L""},
    {L"Player Names", REG_SZ, Home::SceneText, kSituationSceneCount, 0, Writing::OnceSet, nullptr, L""},
    {L"Game API Host",  REG_SZ,    Home::AppText,     0, 0, Writing::OnceSet, &g_app.GameApiHost, kDefaultGameApiHost},
    {L"Game API Port",  REG_DWORD, Home::GameApiPort, 0, kDefaultGameApiPort, Writing::OnceSet, nullptr, nullptr},
    {L"Record File",    REG_SZ,    Home::RecordPlace, kRecordFilePlace,   0, Writing::OnceSet, nullptr, L""},
    {L"Record Format",  REG_SZ,    Home::RecordPlace, kRecordFormatPlace, 0, Writing::OnceSet, nullptr, kDefaultFormat},
    {L"OBS Record Source", REG_SZ, Home::RecordPlace, kRecordSourcePlace, 0, Writing::OnceSet, nullptr, L""},
    {L"Record Wins",           REG_DWORD, Home::RecordCount, kNumberWins,           0, Writing::OnceSet, nullptr, nullptr},
    {L"Record Losses",         REG_DWORD, Home::RecordCount, kNumberLosses,         0, Writing::OnceSet, nullptr, nullptr},
    {L"Record Ties",           REG_DWORD, Home::RecordCount, kNumberTies,           0, Writing::OnceSet, nullptr, nullptr},
    {L"Record Terran Wins",    REG_DWORD, Home::RecordCount, kNumberTerranWins,     0, Writing::OnceSet, nullptr, nullptr},
    {L"Record Terran Losses",  REG_DWORD, Home::RecordCount, kNumberTerranLosses,   0, Writing::OnceSet, nullptr, nullptr},
    {L"Record Zerg Wins",      REG_DWORD, Home::RecordCount, kNumberZergWins,       0, Writing::OnceSet, nullptr, nullptr},
    {L"Record Zerg Losses",    REG_DWORD, Home::RecordCount, kNumberZergLosses,     0, Writing::OnceSet, nullptr, nullptr},
    {L"Record Protoss Wins",   REG_DWORD, Home::RecordCount, kNumberProtossWins,    0, Writing::OnceSet, nullptr, nullptr},
    {L"Record Protoss Losses", REG_DWORD, Home::RecordCount, kNumberProtossLosses,  0, Writing::OnceSet, nullptr, nullptr},
    {L"Record Random Wins",    REG_DWORD, Home::RecordCount, kNumberRandomWins,     0, Writing::OnceSet, nullptr, nullptr},
    {L"Record Random Losses",  REG_DWORD, Home::RecordCount, kNumberRandomLosses,   0, Writing::OnceSet, nullptr, nullptr},
    {L"Minimize To Tray", REG_DWORD, Home::MinimizeToTray, 0, 0, Writing::OnceSet, nullptr, nullptr},
    {L"Pause Hotkey",     REG_DWORD, Home::PauseHotkey,    0, 0, Writing::OnceSet, nullptr, nullptr},
    {L"Overlay Port",     REG_DWORD, Home::OverlayPort,    0, 0, Writing::OnceSet, nullptr, nullptr},
    {L"Webhook URL",      REG_SZ,    Home::WebhookUrl,     0, 0, Writing::OnceSet, nullptr, L""},
};
constexpr size_t kSettingCount = sizeof kSettings / sizeof kSettings[0];

// A situation's scene, or with kSituationSceneCount the user's names: they
// live in the watched fields, which the worker reads.
void PublishSceneText(int which, const wchar_t* text)
{
    if (which == kSituationSceneCount)
        PublishPlayerNames(text);
    else
        PublishSituationScene(SituationScene(which), text);
}

void CopySceneText(int which, wchar_t (&text)[kStoredTextChars])
{
    if (which == kSituationSceneCount)
        CopyPlayerNames(text);
    else
        CopySituationScene(SituationScene(which), text);
}

// Which values were in the registry when the settings were loaded (UI thread).
bool g_storedAtLoad[kSettingCount];

// The stored type is not looked at: a value written by hand with another
// type still gives its bytes. A value that does not fit gives nothing, since
// the registry leaves the buffer's contents undefined then.
bool ReadStoredText(HKEY key, const wchar_t* name, wchar_t (&text)[kStoredTextChars])
{
    BYTE bytes[kStoredTextLimitBytes];
    DWORD size = sizeof bytes;
    const LONG result = RegQueryValueExW(key, name, nullptr, nullptr, bytes, &size);
    if (result != ERROR_SUCCESS)
        size = 0;
    char16_t units[kStoredTextChars];
    TakeStoredText(bytes, size, units);
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows texts are UTF-16");
    for (size_t i = 0; i < kStoredTextChars; ++i)
        text[i] = wchar_t(units[i]);
    return result == ERROR_SUCCESS || result == ERROR_MORE_DATA;
}

bool ReadStoredPassword(HKEY key, const wchar_t* name, wchar_t (&password)[kObsPasswordChars])
{
    BYTE bytes[kProtectedPasswordLimitBytes];
    DWORD size = sizeof bytes;
    const LONG result = RegQueryValueExW(key, name, nullptr, nullptr, bytes, &size);
    UnprotectPassword(bytes, result == ERROR_SUCCESS ? size : 0, password);
    SecureZeroMemory(bytes, sizeof bytes);
    return result == ERROR_SUCCESS || result == ERROR_MORE_DATA;
}

// Shorter values replace only their own bytes of the default; longer ones
// leave the default, for the same reason as texts.
DWORD ReadStoredNumber(HKEY key, const wchar_t* name, DWORD defaultNumber, bool* stored)
{
    DWORD number = defaultNumber;
    DWORD size = sizeof number;
    const LONG result = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size);
    if (result != ERROR_SUCCESS)
        number = defaultNumber;
    // A value too long for its buffer is there all the same.
    *stored = result == ERROR_SUCCESS || result == ERROR_MORE_DATA;
    return number;
}

static_assert(kWebhookUrlChars == kStoredTextChars, "the webhook's URL is read back directly");
static_assert(size_t(kRecordFileChars) == kStoredTextChars && size_t(kRecordSourceChars) == kStoredTextChars &&
                  kRecordFormatChars == kStoredTextChars,
              "the record's places are read back directly");

wchar_t (&PlaceOf(RecordPlaces& places, int which))[kStoredTextChars]
{
    switch (which) {
    case kRecordFilePlace:   return places.file;
    case kRecordFormatPlace: return places.format;
    default:                 return places.obsSource;
    }
}

const wchar_t* PlaceIn(const RecordPlaces& places, int which)
{
    switch (which) {
    case kRecordFilePlace:   return places.file;
    case kRecordFormatPlace: return places.format;
    default:                 return places.obsSource;
    }
}

void SetBox(HWND dialog, int control, DWORD number)
{
    CheckDlgButton(dialog, control, number != 0 ? BST_CHECKED : BST_UNCHECKED);
}

// True when the value was in the registry. The record's values go to
// `record`, which the record's owner takes after the whole table.
bool LoadSetting(HKEY key, const Setting& setting, HWND dialog, RecordSnapshot* record)
{
    wchar_t text[kStoredTextChars];
    bool stored = false;
    switch (setting.home) {
    case Home::SceneField:
        stored = ReadStoredText(key, setting.name, text);
        SetDlgItemTextW(dialog, setting.control, text);
        break;
    case Home::RemoteHost:
        stored = ReadStoredText(key, setting.name, text);
        std::wmemcpy(g_app.RemoteHost, text, kRemoteHostChars);
        break;
    case Home::RemoteRole:
        // Kept as stored even when it names neither side: the dialog then
        // shows no choice and the watch loop asks the user to pick one.
        g_app.RemoteRole = ReadStoredNumber(key, setting.name, setting.defaultNumber, &stored);
        break;
    case Home::NetworkMode: {
        const DWORD number = ReadStoredNumber(key, setting.name, setting.defaultNumber, &stored);
        g_app.RemoteEnabled = number != 0 ? 1 : 0;
        SetBox(dialog, setting.control, number);
        break;
    }
    case Home::OptionBox:
        SetBox(dialog, setting.control, ReadStoredNumber(key, setting.name, setting.defaultNumber, &stored));
        break;
    case Home::GameStateSource:
        // Kept as stored: only the choice in Options replaces it.
        g_app.GameStateSource = ReadStoredNumber(key, setting.name, setting.defaultNumber, &stored);
        break;
    case Home::SceneProgram:
        g_app.SceneProgram = ReadStoredNumber(key, setting.name, setting.defaultNumber, &stored);
        break;
    case Home::ObsHost:
        if ((stored = ReadStoredText(key, setting.name, text)))
            std::wmemcpy(g_app.ObsHost, text, kObsHostChars);
        break;
    case Home::ObsPort: {
        const DWORD port = ReadStoredNumber(key, setting.name, setting.defaultNumber, &stored);
        // No connection can be made to a port outside TCP's range.
        g_app.ObsPort = port >= 1 && port <= 65535 ? port : kDefaultObsPort;
        break;
    }
    case Home::ObsPassword:
        stored = ReadStoredPassword(key, setting.name, g_app.ObsPassword);
        break;
    case Home::AppText:
        if ((stored = ReadStoredText(key, setting.name, text)))
            std::wmemcpy(*setting.text, text, kStoredTextChars);
        break;
    case Home::SceneText:
        if ((stored = ReadStoredText(key, setting.name, text)))
            PublishSceneText(setting.control, text);
        break;
    case Home::GameApiPort: {
        const DWORD port = ReadStoredNumber(key, setting.name, setting.defaultNumber, &stored);
        g_app.GameApiPort = port >= 1 && port <= 65535 ? port : kDefaultGameApiPort;
        break;
    }
    case Home::RecordPlace:
        if ((stored = ReadStoredText(key, setting.name, text)))
            std::wmemcpy(PlaceOf(record->places, setting.control), text, kStoredTextChars);
        break;
    case Home::RecordCount:
        RecordNumberOf(record->counts, RecordNumber(setting.control)) = ReadStoredNumber(key, setting.name, 0, &stored);
        break;
    case Home::MinimizeToTray:
        g_app.MinimizeToTray = ReadStoredNumber(key, setting.name, setting.defaultNumber, &stored);
        break;
    case Home::PauseHotkey:
        g_app.PauseHotkey = ReadStoredNumber(key, setting.name, setting.defaultNumber, &stored);
        break;
    case Home::OverlayPort: {
        // A port out of range listens nowhere rather than somewhere unasked.
        const DWORD port = ReadStoredNumber(key, setting.name, setting.defaultNumber, &stored);
        g_app.OverlayPort = IsOverlayPortValid(port) ? port : 0;
        break;
    }
    case Home::WebhookUrl:
        if ((stored = ReadStoredText(key, setting.name, text)))
            PublishWebhookUrl(text);
        break;
    }
    return stored;
}

void WriteText(HKEY key, const Setting& setting, const wchar_t* text, int length)
{
    const DWORD size = DWORD(length + 1) * sizeof(wchar_t);  // the terminator is stored too
    RegSetValueExW(key, setting.name, 0, setting.type, reinterpret_cast<const BYTE*>(text), size);
}

void WriteNumber(HKEY key, const Setting& setting, DWORD number)
{
    RegSetValueExW(key, setting.name, 0, setting.type, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

// A password the platform will not protect is not written: never as text.
void WritePassword(HKEY key, const Setting& setting, const wchar_t* password)
{
    std::vector<BYTE> sealed;
    if (!ProtectPassword(password, &sealed))
        return;
    RegSetValueExW(key, setting.name, 0, setting.type, sealed.empty() ? nullptr : sealed.data(), DWORD(sealed.size()));
}

DWORD RecordCountOf(const RecordSnapshot& record, const Setting& setting)
{
    return RecordNumberIn(record.counts, RecordNumber(setting.control));
}

// Whether a value written only once set still holds its default.
bool HoldsDefault(const Setting& setting, const RecordSnapshot& record)
{
    switch (setting.home) {
    case Home::GameStateSource: return g_app.GameStateSource == setting.defaultNumber;
    case Home::SceneProgram:    return g_app.SceneProgram == setting.defaultNumber;
    case Home::ObsHost:         return std::wcscmp(g_app.ObsHost, kDefaultObsHost) == 0;
    case Home::ObsPort:         return g_app.ObsPort == setting.defaultNumber;
    case Home::ObsPassword:     return g_app.ObsPassword[0] == L'\0';
    case Home::AppText:         return std::wcscmp(*setting.text, setting.defaultText) == 0;
    case Home::SceneText: {
        wchar_t text[kStoredTextChars];
        CopySceneText(setting.control, text);
        return text[0] == L'\0';
    }
    case Home::GameApiPort:     return g_app.GameApiPort == setting.defaultNumber;
    case Home::RecordPlace:     return std::wcscmp(PlaceIn(record.places, setting.control), setting.defaultText) == 0;
    case Home::RecordCount:     return RecordCountOf(record, setting) == 0;
    case Home::MinimizeToTray:  return g_app.MinimizeToTray == setting.defaultNumber;
    case Home::PauseHotkey:     return g_app.PauseHotkey == setting.defaultNumber;
    case Home::OverlayPort:     return g_app.OverlayPort == setting.defaultNumber;
    case Home::WebhookUrl: {
        wchar_t url[kWebhookUrlChars];
        CopyWebhookUrl(url);
        return url[0] == L'\0';
    }
    default:                    return false;
    }
}

bool IsBoxChecked(int control)
{
    return IsDlgButtonChecked(g_app.MainDialog, control) == BST_CHECKED;
}

void SaveSetting(HKEY key, const Setting& setting, const RecordSnapshot& record)
{
    switch (setting.home) {
    case Home::SceneField: {
        wchar_t text[kStoredTextChars] = {};
        GetDlgItemTextW(g_app.MainDialog, setting.control, text, kSceneFieldReadChars);
        text[kSceneFieldReadChars - 1] = L'\0';
        WriteText(key, setting, text, int(std::wcslen(text)));
        break;
    }
    case Home::RemoteHost:
        WriteText(key, setting, g_app.RemoteHost, int(wcsnlen(g_app.RemoteHost, kRemoteHostChars - 1)));
        break;
    case Home::RemoteRole:
        WriteNumber(key, setting, g_app.RemoteRole);
        break;
    case Home::NetworkMode:
        WriteNumber(key, setting, g_app.RemoteEnabled);
        break;
    case Home::OptionBox:
        WriteNumber(key, setting, IsBoxChecked(setting.control) ? 1 : 0);
        break;
    case Home::GameStateSource:
        WriteNumber(key, setting, g_app.GameStateSource);
        break;
    case Home::SceneProgram:
        WriteNumber(key, setting, g_app.SceneProgram);
        break;
    case Home::ObsHost:
        WriteText(key, setting, g_app.ObsHost, int(wcsnlen(g_app.ObsHost, kObsHostChars - 1)));
        break;
    case Home::ObsPort:
        WriteNumber(key, setting, g_app.ObsPort);
        break;
    case Home::ObsPassword:
        WritePassword(key, setting, g_app.ObsPassword);
        break;
    case Home::AppText:
        WriteText(key, setting, *setting.text, int(wcsnlen(*setting.text, kStoredTextChars - 1)));
        break;
    case Home::SceneText: {
        wchar_t text[kStoredTextChars];
        CopySceneText(setting.control, text);
        WriteText(key, setting, text, int(wcsnlen(text, kStoredTextChars - 1)));
        break;
    }
    case Home::GameApiPort:
        WriteNumber(key, setting, g_app.GameApiPort);
        break;
    case Home::RecordPlace: {
        const wchar_t* text = PlaceIn(record.places, setting.control);
        WriteText(key, setting, text, int(wcsnlen(text, kStoredTextChars - 1)));
        break;
    }
    case Home::RecordCount:
        WriteNumber(key, setting, RecordCountOf(record, setting));
        break;
    case Home::MinimizeToTray:
        WriteNumber(key, setting, g_app.MinimizeToTray);
        break;
    case Home::PauseHotkey:
        WriteNumber(key, setting, g_app.PauseHotkey);
        break;
    case Home::OverlayPort:
        WriteNumber(key, setting, g_app.OverlayPort);
        break;
    case Home::WebhookUrl: {
        wchar_t url[kWebhookUrlChars];
        CopyWebhookUrl(url);
        WriteText(key, setting, url, int(wcsnlen(url, kWebhookUrlChars - 1)));
        break;
    }
    }
}

} // namespace

void LoadSettings(HWND mainDialog)
{
    g_app.RemoteRole = kRoleGameSide;
    g_app.RemoteEnabled = 0;
    g_app.GameStateSource = kSourcePatchTable;
    g_app.SceneProgram = kProgramXSplit;
    std::wmemcpy(g_app.ObsHost, kDefaultObsHost, sizeof kDefaultObsHost / sizeof kDefaultObsHost[0]);
    g_app.ObsPort = kDefaultObsPort;
    g_app.ObsPassword[0] = L'\0';
    g_app.GameApiPort = kDefaultGameApiPort;
    g_app.MinimizeToTray = 0;
    g_app.PauseHotkey = 0;
    g_app.OverlayPort = 0;
    RecordSnapshot record = {};
    for (const Setting& setting : kSettings) {
        if (setting.home == Home::AppText)
            CopyCut(*setting.text, setting.defaultText);
        else if (setting.home == Home::SceneText)
            PublishSceneText(setting.control, setting.defaultText);
        else if (setting.home == Home::RecordPlace)
            CopyCut(PlaceOf(record.places, setting.control), setting.defaultText);
        else if (setting.home == Home::WebhookUrl)
            PublishWebhookUrl(setting.defaultText);
    }
    for (bool& stored : g_storedAtLoad)
        stored = false;
    HKEY key = nullptr;
    // No key yet (a first run): the controls keep the template's empty
    // fields and clear boxes.
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        for (size_t i = 0; i < kSettingCount; ++i)
            g_storedAtLoad[i] = LoadSetting(key, kSettings[i], mainDialog, &record);
        RegCloseKey(key);
    }
    TakeStoredRecord(record.counts, record.places);
}

void SaveSettings()
{
    g_app.RemoteEnabled = IsBoxChecked(IDC_MAIN_NETWORK_MODE) ? 1 : 0;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    // The worker may count a game while the window closes: the record is
    // taken as it stands now, in one piece.
    RecordSnapshot record;
    TakeRecordSnapshot(&record);
    // Failed writes are not reported: there is no one left to tell while the
    // window closes, and the previous settings stay.
    for (size_t i = 0; i < kSettingCount; ++i) {
        const Setting& setting = kSettings[i];
        if (setting.writing == Writing::OnceSet && !g_storedAtLoad[i] && HoldsDefault(setting, record))
            continue;
        SaveSetting(key, setting, record);
    }
    RegCloseKey(key);
}

void StoreRecordCountsNow(const RecordCounts& counts)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    for (size_t i = 0; i < kSettingCount; ++i) {
        if (kSettings[i].home != Home::RecordCount)
            continue;
        WriteNumber(key, kSettings[i], RecordNumberIn(counts, RecordNumber(kSettings[i].control)));
    }
    RegCloseKey(key);
}

void StoreOverlayPortNow(DWORD port)
{
    g_app.OverlayPort = port;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    for (const Setting& setting : kSettings) {
        if (setting.home == Home::OverlayPort)
            WriteNumber(key, setting, port);
    }
    RegCloseKey(key);
}
