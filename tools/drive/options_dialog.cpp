#include "drive/options_dialog.h"

#include <commctrl.h>

#include "drive/network_setup.h"

HWND OpenOptions(KestrelcueProgram& program, DWORD timeoutMs)
{
    return program.OpenDialog(WM_SYSCOMMAND, kOptionsCommand, 0, kOptionsCaption, timeoutMs);
}

int CheckedSource(HWND dialog)
{
    const bool table = SendMessageW(GetDlgItem(dialog, kOptionsPatchTable), BM_GETCHECK, 0, 0) == BST_CHECKED;
    const bool api = SendMessageW(GetDlgItem(dialog, kOptionsClientApi), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (table && api)
        return -1;
    return table ? kOptionsPatchTable : api ? kOptionsClientApi : 0;
}

void ChooseSource(HWND dialog, int choice)
{
    // What a click on a radio button amounts to, without pressing the mouse
    // (BM_CLICK would, and under Wine take the foreground).
    const int other = choice == kOptionsPatchTable ? kOptionsClientApi : kOptionsPatchTable;
    SendMessageW(GetDlgItem(dialog, other), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(GetDlgItem(dialog, choice), BM_SETCHECK, BST_CHECKED, 0);
    // The button tells the dialog, as it does after a click.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(choice, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, choice)));
}

void PressOptionsButton(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void ChooseProgram(HWND dialog, int choice)
{
    const int other = choice == kOptionsObs ? kOptionsXSplit : kOptionsObs;
    SendMessageW(GetDlgItem(dialog, other), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(GetDlgItem(dialog, choice), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(choice, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, choice)));
}

void ChooseObs(HWND dialog, const std::wstring& host, DWORD port, const std::wstring& password)
{
    ChooseProgram(dialog, kOptionsObs);
    SetWindowTextAcross(GetDlgItem(dialog, kOptionsObsHost), host);
    SetWindowTextAcross(GetDlgItem(dialog, kOptionsObsPort), std::to_wstring(port));
    SetWindowTextAcross(GetDlgItem(dialog, kOptionsObsPassword), password);
}

void ClickTestConnection(HWND dialog)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(kOptionsTestObs, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, kOptionsTestObs)));
}

std::wstring TestObsConnection(HWND dialog, DWORD timeoutMs)
{
    HWND button = GetDlgItem(dialog, kOptionsTestObs);
    ClickTestConnection(dialog);
    WaitUntil([&] { return !IsWindowEnabled(button); }, 2000);
    if (!WaitUntil([&] { return IsWindowEnabled(button) != FALSE; }, timeoutMs))
        return L"(the test did not end)";
    return WindowText(GetDlgItem(dialog, kOptionsTestResult));
}

void SetOptionsBox(HWND dialog, int id, bool checked)
{
    HWND box = GetDlgItem(dialog, id);
    SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(box));
}

bool IsOptionsBoxChecked(HWND dialog, int id)
{
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// What the control does when keys are pressed in it: it takes the
// combination and tells the dialog.
void ChoosePauseKey(HWND dialog, WORD hotkey)
{
    HWND control = GetDlgItem(dialog, kOptionsPauseKey);
    SendMessageW(control, HKM_SETHOTKEY, hotkey, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kOptionsPauseKey, EN_CHANGE), reinterpret_cast<LPARAM>(control));
}

WORD ShownPauseKey(HWND dialog)
{
    return LOWORD(SendMessageW(GetDlgItem(dialog, kOptionsPauseKey), HKM_GETHOTKEY, 0, 0));
}
