// Every text goes through the main window's thread, which alone decides
// what shows: the text said last, or while switching is paused the pause
// and how to end it, with the last text kept to be said again on resume.
#include "status/status_line.h"
#include "app/app_state.h"
#include "desktop/switching_pause.h"
#include "desktop/tray_icon.h"
#include "resource_ids.h"

namespace {

// UI thread only.
wchar_t g_lastSaid[kStatusChars];

void ShowStatusText(const wchar_t* text)
{
    SetDlgItemTextW(g_app.MainDialog, IDC_MAIN_STATUS, text);
    ShowStatusInTray(text);
}

} // namespace

void SetStatusLine(const wchar_t* text)
{
    if (GetWindowThreadProcessId(g_app.MainDialog, nullptr) == GetCurrentThreadId())
        OnStatusLineSet(text);
    else
        SendMessageW(g_app.MainDialog, kStatusLineMessage, 0, reinterpret_cast<LPARAM>(text));
}

void OnStatusLineSet(const wchar_t* text)
{
    // cppcheck-suppress lstrcpynWCalled ; both texts are valid and the copy is cut and terminated within the bound
    lstrcpynW(g_lastSaid, text, kStatusChars);
    if (!IsSwitchingPaused())
        ShowStatusText(g_lastSaid);
}

void ShowPauseInStatusLine(const wchar_t* pauseText)
{
    ShowStatusText(pauseText != nullptr ? pauseText : g_lastSaid);
}

void FormatStatus(wchar_t (&out)[kStatusChars], const wchar_t* format, const wchar_t* argument)
{
    const int last = kStatusChars - 1;
    int length = 0;
    bool argumentPlaced = false;
    for (const wchar_t* f = format; *f != L'\0' && length < last; ++f) {
        if (!argumentPlaced && f[0] == L'%' && f[1] == L's') {
            for (const wchar_t* a = argument; *a != L'\0' && length < last; ++a)
                out[length++] = *a;
            argumentPlaced = true;
            ++f;
            continue;
        }
        out[length++] = *f;
    }
    out[length] = L'\0';
}
