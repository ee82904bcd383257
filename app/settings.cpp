// The settings store: values under one key of the current user's registry,
// read when the main window is created and written when it is destroyed.
// In between they live in the main window's controls and in AppState. One
// table names every value once; loading and saving both walk it. The nine
// the program has always kept are written at every close; those of the
// Options dialog only once they are stored or differ from their default, so
// a user who never opens Options keeps exactly the nine.
#include "app/settings.h"

#include <cwchar>

#include "app/app_state.h"
#include "app/stored_text.h"
#include "resource_ids.h"

namespace {

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Ondelvane\\Kestrelcue";

// A scene field is read with room for 254 characters and the terminator,
// the same limit the scene requests use, so what is saved is what is used.
constexpr int kSceneFieldReadChars = int(kStoredTextChars) - 1;

static_assert(size_t(kRemoteHostChars) == kStoredTextChars, "Remote Host is read back into RemoteHost directly");

// Where a value lives while the program runs.
enum class Home {
    SceneField,     // an edit of the main window
    RemoteHost,     // AppState.RemoteHost
    RemoteRole,     // AppState.RemoteRole
    NetworkMode,    // AppState.RemoteEnabled and its check box
    OptionBox,      // a check box of the main window
    GameStateSource,  // AppState.GameStateSource, set in Options
};

struct Setting {
    const wchar_t* name;  // the registry value's name: users' existing settings depend on it
    DWORD type;           // REG_SZ or REG_DWORD, as written
    Home home;
    int control;          // the main window's edit or check box; 0 when held in AppState only
    DWORD defaultNumber;  // REG_DWORD values when absent; texts default to empty
};

// In the order they are read and written.
constexpr Setting kSettings[] = {
    {L"EnterGameScene",                  REG_SZ,    Home::SceneField,  IDC_MAIN_ENTER_SCENE,       0},
    {L"LeaveGameScene",                  REG_SZ,    Home::SceneField,  IDC_MAIN_LEAVE_SCENE,       0},
    {L"TabInScene",                      REG_SZ,    Home::SceneField,  IDC_MAIN_TAB_IN_SCENE,      0},
    {L"TabOutScene",                     REG_SZ,    Home::SceneField,  IDC_MAIN_TAB_OUT_SCENE,     0},
    {L"Remote Host",                     REG_SZ,    Home::RemoteHost,  0,                          0},
    {L"Remote Role",                     REG_DWORD, Home::RemoteRole,  0,                          kRoleGameSide},
    {L"Remote Enabled",                  REG_DWORD, Home::NetworkMode, IDC_MAIN_NETWORK_MODE,      0},
    {L"Apply Game Settings On Tab",      REG_DWORD, Home::OptionBox,   IDC_MAIN_APPLY_ON_TAB,      0},
    {L"Apply Game Settings When Tabbed", REG_DWORD, Home::OptionBox,   IDC_MAIN_APPLY_WHEN_TABBED, 0},
    {L"Game State Source",               REG_DWORD, Home::GameStateSource, 0,                      kSourcePatchTable},
};

// The stored type is not looked at: a value written by hand with another
// type still gives its bytes. A value that does not fit gives nothing, since
// the registry leaves the buffer's contents undefined then.
void ReadStoredText(HKEY key, const wchar_t* name, wchar_t (&text)[kStoredTextChars])
{
    BYTE bytes[kStoredTextLimitBytes];
    DWORD size = sizeof bytes;
    if (RegQueryValueExW(key, name, nullptr, nullptr, bytes, &size) != ERROR_SUCCESS)
        size = 0;
    char16_t units[kStoredTextChars];
    TakeStoredText(bytes, size, units);
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows texts are UTF-16");
    for (size_t i = 0; i < kStoredTextChars; ++i)
        text[i] = wchar_t(units[i]);
}

// Shorter values replace only their own bytes of the default; longer ones
// leave the default, for the same reason as texts.
DWORD ReadStoredNumber(HKEY key, const wchar_t* name, DWORD defaultNumber, bool* stored = nullptr)
{
    DWORD number = defaultNumber;
    DWORD size = sizeof number;
    const LONG result = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size);
    if (result != ERROR_SUCCESS)
        number = defaultNumber;
    // A value too long for its buffer is there all the same.
    if (stored != nullptr)
        *stored = result == ERROR_SUCCESS || result == ERROR_MORE_DATA;
    return number;
}

void SetBox(HWND dialog, int control, DWORD number)
{
    CheckDlgButton(dialog, control, number != 0 ? BST_CHECKED : BST_UNCHECKED);
}

void LoadSetting(HKEY key, const Setting& setting, HWND dialog)
{
    wchar_t text[kStoredTextChars];
    switch (setting.home) {
    case Home::SceneField:
        ReadStoredText(key, setting.name, text);
        SetDlgItemTextW(dialog, setting.control, text);
        break;
    case Home::RemoteHost:
        ReadStoredText(key, setting.name, text);
        std::wmemcpy(g_app.RemoteHost, text, kRemoteHostChars);
        break;
    case Home::RemoteRole:
        // Kept as stored even when it names neither side: the dialog then
        // shows no choice and the watch loop asks the user to pick one.
        g_app.RemoteRole = ReadStoredNumber(key, setting.name, setting.defaultNumber);
        break;
    case Home::NetworkMode: {
        const DWORD number = ReadStoredNumber(key, setting.name, setting.defaultNumber);
        g_app.RemoteEnabled = number != 0 ? 1 : 0;
        SetBox(dialog, setting.control, number);
        break;
    }
    case Home::OptionBox:
        SetBox(dialog, setting.control, ReadStoredNumber(key, setting.name, setting.defaultNumber));
        break;
    case Home::GameStateSource:
        // Kept as stored: only the choice in Options replaces it.
        g_app.GameStateSource = ReadStoredNumber(key, setting.name, setting.defaultNumber, &g_app.GameStateSourceStored);
        break;
    }
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

bool IsBoxChecked(int control)
{
    return IsDlgButtonChecked(g_app.MainDialog, control) == BST_CHECKED;
}

void SaveSetting(HKEY key, const Setting& setting)
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
        if (g_app.GameStateSourceStored || g_app.GameStateSource != setting.defaultNumber)
            WriteNumber(key, setting, g_app.GameStateSource);
        break;
    }
}

} // namespace

void LoadSettings(HWND mainDialog)
{
    g_app.RemoteRole = kRoleGameSide;
    g_app.RemoteEnabled = 0;
    g_app.GameStateSource = kSourcePatchTable;
    g_app.GameStateSourceStored = false;
    HKEY key = nullptr;
    // No key yet (a first run): the controls keep the template's empty
    // fields and clear boxes.
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    for (const Setting& setting : kSettings)
        LoadSetting(key, setting, mainDialog);
    RegCloseKey(key);
}

void SaveSettings()
{
    g_app.RemoteEnabled = IsBoxChecked(IDC_MAIN_NETWORK_MODE) ? 1 : 0;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    // Failed writes are not reported: there is no one left to tell while the
    // window closes, and the previous settings stay.
    for (const Setting& setting : kSettings)
        SaveSetting(key, setting);
    RegCloseKey(key);
}
