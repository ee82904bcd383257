#include "drive/options_dialog.h"

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
