// Where the process begins: the privilege, the stop signal, the main window,
// "/autostart" and the message loop.
#include <windows.h>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/debug_privilege.h"
#include "app/main_window.h"
#include "resource_ids.h"

namespace {

int RunMessageLoop(HWND mainWindow)
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(mainWindow, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    g_app.Instance = instance;
    EnableDebugPrivilege();
    g_app.StopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HWND mainWindow = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc, 0);
    if (mainWindow == nullptr)
        return 1;
    ShowWindow(mainWindow, SW_SHOWDEFAULT);
    // Our own reading of the command line, so what counts as "/autostart"
    // does not depend on how the C runtime splits it.
    if (IsAutostartRequested(CommandLineAfterProgramName(GetCommandLineW())))
        SendMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(IDC_MAIN_START_STOP, BN_CLICKED), 0);
    return RunMessageLoop(mainWindow);
}
