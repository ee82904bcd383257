#include "drive/message_box.h"

#include <cwchar>

namespace {
struct BoxQuery {
    DWORD processId;
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM context)
{
    auto* query = reinterpret_cast<BoxQuery*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != query->processId || !IsWindowVisible(window))
        return TRUE;
    wchar_t text[256] = {};
    GetClassNameW(window, text, 256);
    if (std::wcscmp(text, L"#32770") != 0)
        return TRUE;
    GetWindowTextW(window, text, 256);
    if (std::wcscmp(text, query->caption) != 0)
        return TRUE;
    query->found = window;
    return FALSE;
}
} // namespace

HWND FindMessageBox(DWORD processId, const wchar_t* caption)
{
    BoxQuery query = {processId, caption, nullptr};
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

std::wstring MessageBoxText(HWND box)
{
    wchar_t text[1024] = {};
    SendMessageW(GetDlgItem(box, 0xFFFF), WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    text[1023] = L'\0';
    return text;
}

void DismissMessageBox(HWND box)
{
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}
