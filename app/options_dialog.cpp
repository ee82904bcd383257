// The Options dialog. Unlike Network Setup it has a cancel path: these are
// choices a streamer tries out, and Escape should leave them as they were.
// It cannot be opened while the worker runs, so a change takes effect at
// the next Start.
#include "app/options_dialog.h"

#include <commctrl.h>
#include <cwchar>

#include "app/app_state.h"
#include "desktop/program_icon.h"
#include "app/bounded_text.h"
#include "app/main_window.h"
#include "app/obs_connection_test.h"
#include "desktop/pause_key.h"
#include "desktop/start_with_windows.h"
#include "desktop/tray_icon.h"
#include "patch/patch_table.h"
#include "resource_ids.h"

namespace {

// UI thread only: the dialog's test under way, null when none.
ObsConnectionTest* g_test = nullptr;

// Texts as typed: 254 characters (255 for the password) and the terminator.
constexpr int kHostFieldReadChars = kObsHostChars - 1;
constexpr int kPasswordFieldReadChars = kObsPasswordTextChars;
constexpr int kPortDigits = 5;

constexpr wchar_t kDefaultHost[] = L"localhost";
constexpr wchar_t kDefaultGameApiHost[] = L"127.0.0.1";
constexpr int kGameApiHostFieldReadChars = kGameApiHostChars - 1;

const int kObsControls[] = {IDC_OPTIONS_OBS_HOST, IDC_OPTIONS_OBS_PORT, IDC_OPTIONS_OBS_PASSWORD,
                            IDC_OPTIONS_TEST_OBS};

bool IsChecked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// OBS's connection settings mean something only with OBS chosen; Test
// connection waits, besides, until the test under way is over: one at a
// time, so that the outcome shown is the one of the values last tried.
void EnableObsControls(HWND dialog)
{
    const bool obs = IsChecked(dialog, IDC_OPTIONS_OBS);
    for (int id : kObsControls)
        EnableWindow(GetDlgItem(dialog, id), obs && (id != IDC_OPTIONS_TEST_OBS || g_test == nullptr));
}

// Where the game's client API answers means something only with it chosen.
void EnableGameApiControls(HWND dialog)
{
    const bool clientApi = IsChecked(dialog, IDC_OPTIONS_CLIENT_API);
    EnableWindow(GetDlgItem(dialog, IDC_OPTIONS_GAME_API_HOST), clientApi);
    EnableWindow(GetDlgItem(dialog, IDC_OPTIONS_GAME_API_PORT), clientApi);
}

INT_PTR OnInitDialog(HWND dialog)
{
    SetProgramIcon(dialog);
    CheckRadioButton(dialog, IDC_OPTIONS_PATCH_TABLE, IDC_OPTIONS_CLIENT_API,
                     IsClientApiChosen() ? IDC_OPTIONS_CLIENT_API : IDC_OPTIONS_PATCH_TABLE);
    CheckRadioButton(dialog, IDC_OPTIONS_XSPLIT, IDC_OPTIONS_OBS, IsObsChosen() ? IDC_OPTIONS_OBS : IDC_OPTIONS_XSPLIT);
    SendDlgItemMessageW(dialog, IDC_OPTIONS_OBS_HOST, EM_LIMITTEXT, kHostFieldReadChars - 1, 0);
    SendDlgItemMessageW(dialog, IDC_OPTIONS_OBS_PORT, EM_LIMITTEXT, kPortDigits, 0);
    SendDlgItemMessageW(dialog, IDC_OPTIONS_OBS_PASSWORD, EM_LIMITTEXT, kPasswordFieldReadChars - 1, 0);
    SetDlgItemTextW(dialog, IDC_OPTIONS_OBS_HOST, g_app.ObsHost);
    SetDlgItemInt(dialog, IDC_OPTIONS_OBS_PORT, UINT(g_app.ObsPort), FALSE);
    // The field shows no characters of it (ES_PASSWORD).
    SetDlgItemTextW(dialog, IDC_OPTIONS_OBS_PASSWORD, g_app.ObsPassword);
    SendDlgItemMessageW(dialog, IDC_OPTIONS_GAME_API_HOST, EM_LIMITTEXT, kGameApiHostFieldReadChars - 1, 0);
    SendDlgItemMessageW(dialog, IDC_OPTIONS_GAME_API_PORT, EM_LIMITTEXT, kPortDigits, 0);
    SetDlgItemTextW(dialog, IDC_OPTIONS_GAME_API_HOST, g_app.GameApiHost);
    SetDlgItemInt(dialog, IDC_OPTIONS_GAME_API_PORT, UINT(g_app.GameApiPort), FALSE);
    EnableObsControls(dialog);
    EnableGameApiControls(dialog);
    CheckDlgButton(dialog, IDC_OPTIONS_START_WITH_WINDOWS, IsStartWithWindowsSet() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_OPTIONS_MINIMIZE_TO_TRAY, g_app.MinimizeToTray == 1 ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageW(dialog, IDC_OPTIONS_PAUSE_KEY, HKM_SETHOTKEY, WPARAM(LOWORD(g_app.PauseHotkey)), 0);
    return TRUE;
}

// False when the field holds no number from 1 to 65535.
bool ReadPortField(HWND dialog, int field, DWORD* port)
{
    BOOL isNumber = FALSE;
    const UINT number = GetDlgItemInt(dialog, field, &isNumber, FALSE);
    if (!isNumber || number < 1 || number > 65535)
        return false;
    *port = number;
    return true;
}

bool ReadPort(HWND dialog, DWORD* port)
{
    return ReadPortField(dialog, IDC_OPTIONS_OBS_PORT, port);
}

void ReadHost(HWND dialog, wchar_t (&host)[kObsHostChars])
{
    host[0] = L'\0';
    GetDlgItemTextW(dialog, IDC_OPTIONS_OBS_HOST, host, kHostFieldReadChars);
    host[kHostFieldReadChars - 1] = L'\0';
    // An empty host means this computer, where OBS usually runs.
    if (host[0] == L'\0')
        CopyCut(host, kDefaultHost);
}

void ReadPassword(HWND dialog, wchar_t (&password)[kObsPasswordTextChars])
{
    password[0] = L'\0';
    GetDlgItemTextW(dialog, IDC_OPTIONS_OBS_PASSWORD, password, kPasswordFieldReadChars);
    password[kPasswordFieldReadChars - 1] = L'\0';
}

void RefusePortField(HWND dialog, int field, const wchar_t* message)
{
    MessageBoxW(dialog, message, L"Error", MB_OK);
    HWND edit = GetDlgItem(dialog, field);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

void RefusePort(HWND dialog)
{
    RefusePortField(dialog, IDC_OPTIONS_OBS_PORT, L"The OBS port must be a number from 1 to 65535.");
}

// True (and the dialog stays) when OBS is chosen with a port that cannot
// be used; checked before anything is applied, so that Cancel afterwards
// still keeps everything as it was.
bool RefuseObsPort(HWND dialog)
{
    DWORD port = 0;
    if (ReadPort(dialog, &port) || !IsChecked(dialog, IDC_OPTIONS_OBS))
        return false;
    RefusePort(dialog);
    return true;
}

// False (and the dialog stays, saying why) when another program holds the
// chosen key; the key held before is then still the pause key.
bool ApplyPauseKey(HWND dialog)
{
    const DWORD hotkey = DWORD(LOWORD(SendDlgItemMessageW(dialog, IDC_OPTIONS_PAUSE_KEY, HKM_GETHOTKEY, 0, 0)));
    if (ReplacePauseKey(g_app.MainDialog, hotkey)) {
        SetDlgItemTextW(dialog, IDC_OPTIONS_PAUSE_KEY_RESULT, L"");
        return true;
    }
    SetDlgItemTextW(dialog, IDC_OPTIONS_PAUSE_KEY_RESULT, kPauseKeyTakenText);
    SetFocus(GetDlgItem(dialog, IDC_OPTIONS_PAUSE_KEY));
    return false;
}

// The hot key control takes every key pressed in it, Backspace among them
// on some systems, so "None" is a button of its own.
void OnClearPauseKey(HWND dialog)
{
    SendDlgItemMessageW(dialog, IDC_OPTIONS_PAUSE_KEY, HKM_SETHOTKEY, 0, 0);
    SetDlgItemTextW(dialog, IDC_OPTIONS_PAUSE_KEY_RESULT, L"");
}

// The sign-in task is registered or deleted only when the box says
// otherwise than the Task Scheduler did: one for another copy stays.
void ApplyDesktopChoices(HWND dialog)
{
    const bool start = IsChecked(dialog, IDC_OPTIONS_START_WITH_WINDOWS);
    if (start != IsStartWithWindowsSet())
        SetStartWithWindows(start);
    g_app.MinimizeToTray = IsChecked(dialog, IDC_OPTIONS_MINIMIZE_TO_TRAY) ? 1 : 0;
    ApplyMinimizeBox(g_app.MainDialog);
}

// True (and the dialog stays) when the game's port cannot be used; a port
// that is wrong matters only once the client API is to be asked.
bool RefuseGameApiPort(HWND dialog)
{
    DWORD port = 0;
    if (ReadPortField(dialog, IDC_OPTIONS_GAME_API_PORT, &port) || !IsChecked(dialog, IDC_OPTIONS_CLIENT_API))
        return false;
    RefusePortField(dialog, IDC_OPTIONS_GAME_API_PORT, L"The game's port must be a number from 1 to 65535.");
    return true;
}

void ApplyGameApiPlace(HWND dialog)
{
    DWORD port = g_app.GameApiPort;
    if (ReadPortField(dialog, IDC_OPTIONS_GAME_API_PORT, &port))
        g_app.GameApiPort = port;
    wchar_t host[kGameApiHostChars];
    host[0] = L'\0';
    GetDlgItemTextW(dialog, IDC_OPTIONS_GAME_API_HOST, host, kGameApiHostFieldReadChars);
    host[kGameApiHostFieldReadChars - 1] = L'\0';
    // Blanks pasted around an address are no part of it.
    auto isBlank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    size_t first = 0;
    while (isBlank(host[first]))
        ++first;
    size_t end = std::wcslen(host);
    while (end > first && isBlank(host[end - 1]))
        --end;
    host[end] = L'\0';
    // An empty address means this computer, where the game usually runs.
    CopyCut(g_app.GameApiHost, host[first] != L'\0' ? host + first : kDefaultGameApiHost);
}

// A stored value other than the two known ones reads as the patch table;
// it is replaced only when the user picks the other source.
void ApplyGameStateSource(HWND dialog)
{
    const bool clientApi = IsChecked(dialog, IDC_OPTIONS_CLIENT_API);
    if (clientApi == IsClientApiChosen())
        return;
    g_app.GameStateSource = clientApi ? kSourceClientApi : kSourcePatchTable;
    UpdateControlStates();
    // Without the table at start-up there is none yet; it comes now, and a
    // failed download ends the program as it does at start-up.
    if (!clientApi)
        StartPatchLoaderOnce();
}

// RefuseObsPort has already turned away a port OBS cannot use; one that is
// wrong while XSplit is chosen leaves the stored port as it was.
void ApplySceneProgram(HWND dialog)
{
    const bool obs = IsChecked(dialog, IDC_OPTIONS_OBS);
    DWORD port = g_app.ObsPort;
    ReadPort(dialog, &port);
    if (obs != IsObsChosen())
        g_app.SceneProgram = obs ? kProgramObs : kProgramXSplit;
    ReadHost(dialog, g_app.ObsHost);
    g_app.ObsPort = port;
    ReadPassword(dialog, g_app.ObsPassword);
}

void OnTestConnection(HWND dialog)
{
    // The button is greyed while a test runs, but a click can be posted.
    if (g_test != nullptr)
        return;
    DWORD port = 0;
    if (!ReadPort(dialog, &port)) {
        RefusePort(dialog);
        return;
    }
    wchar_t host[kObsHostChars];
    wchar_t password[kObsPasswordTextChars];
    ReadHost(dialog, host);
    ReadPassword(dialog, password);
    g_test = StartObsConnectionTest(dialog, host, port, password);
    SecureZeroMemory(password, sizeof password);
    if (g_test == nullptr) {
        SetDlgItemTextW(dialog, IDC_OPTIONS_TEST_RESULT, L"The test could not be started.");
        return;
    }
    EnableObsControls(dialog);
    SetDlgItemTextW(dialog, IDC_OPTIONS_TEST_RESULT, L"Connecting to OBS...");
}

// The message names a test by its number; the outcome is taken only from
// the test under way, and only once it is over.
INT_PTR OnTestDone(HWND dialog, WPARAM number)
{
    ObsConnectionTest* test = g_test;
    wchar_t result[kObsTestResultChars];
    if (test == nullptr || number != ObsConnectionTestNumber(test) || !TakeObsConnectionTestResult(test, result))
        return TRUE;
    ReleaseObsConnectionTest(test);
    g_test = nullptr;
    SetDlgItemTextW(dialog, IDC_OPTIONS_TEST_RESULT, result);
    EnableObsControls(dialog);
    return TRUE;
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDC_OPTIONS_XSPLIT:
    case IDC_OPTIONS_OBS:
        EnableObsControls(dialog);
        return TRUE;
    case IDC_OPTIONS_PATCH_TABLE:
    case IDC_OPTIONS_CLIENT_API:
        EnableGameApiControls(dialog);
        return TRUE;
    case IDC_OPTIONS_TEST_OBS:
        if (HIWORD(wParam) == BN_CLICKED)
            OnTestConnection(dialog);
        return TRUE;
    case IDC_OPTIONS_PAUSE_KEY_CLEAR:
        if (HIWORD(wParam) == BN_CLICKED)
            OnClearPauseKey(dialog);
        return TRUE;
    case IDC_OPTIONS_PAUSE_KEY:
        // A new choice is tried afresh at OK: the old words no longer apply.
        if (HIWORD(wParam) == EN_CHANGE)
            SetDlgItemTextW(dialog, IDC_OPTIONS_PAUSE_KEY_RESULT, L"");
        return TRUE;
    case IDOK:
        // Every refusal comes before anything is applied, the pause key
        // last of them: registering it is its test, and a Cancel after any
        // refusal must find the key held before still the pause key.
        if (RefuseGameApiPort(dialog) || RefuseObsPort(dialog) || !ApplyPauseKey(dialog))
            return TRUE;
        ApplySceneProgram(dialog);
        ApplyDesktopChoices(dialog);
        ApplyGameApiPlace(dialog);
        ApplyGameStateSource(dialog);
        EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL:  // Cancel, Escape and the close box
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

// A test still under way when the dialog goes is cut short and frees its
// own record; its outcome, had it come, is no one's.
INT_PTR OnDestroy()
{
    if (g_test != nullptr) {
        ReleaseObsConnectionTest(g_test);
        g_test = nullptr;
    }
    return FALSE;
}

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:      return OnInitDialog(dialog);
    case WM_COMMAND:         return OnCommand(dialog, wParam);
    case kObsTestDoneMessage: return OnTestDone(dialog, wParam);
    case WM_DESTROY:         return OnDestroy();
    default:                 return FALSE;
    }
}

} // namespace

void ShowOptions(HWND owner)
{
    DialogBoxParamW(g_app.Instance, MAKEINTRESOURCEW(IDD_OPTIONS), owner, OptionsDialogProc, 0);
}
