#include "drive/scenes_dialog.h"

HWND OpenScenes(KestrelcueProgram& program, DWORD timeoutMs)
{
    return program.OpenDialog(WM_SYSCOMMAND, kScenesCommand, 0, kScenesCaption, timeoutMs);
}

void PressScenesButton(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
