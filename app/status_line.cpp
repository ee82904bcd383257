#include "app/status_line.h"
#include "app/app_state.h"
#include "app/tray_icon.h"
#include "resource_ids.h"

void SetStatusLine(const wchar_t* text)
{
    SetDlgItemTextW(g_app.MainDialog, IDC_MAIN_STATUS, text);
    ShowStatusInTray(text);
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
