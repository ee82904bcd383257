// Where the process begins: one instance, the privilege, the stop signal,
// the main window, "/autostart" and the message loop.
#include <windows.h>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/debug_privilege.h"
#include "app/main_window.h"
#include "desktop/single_instance.h"
#include "desktop/start_with_windows.h"
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

// `arguments` is the command line as the entry receives it: the C runtime
// has already skipped the program name and the blanks after it, by the rule
// Windows programs share (quotes may open and close anywhere in the name).
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int)
{
    wchar_t instanceName[kInstanceNameChars];
    const wchar_t* switches = SkipInstanceName(arguments != nullptr ? arguments : L"", instanceName);
    // A second start only shows the first; it reads and writes nothing.
    if (!ClaimInstance(instanceName))
        return 0;
    g_app.Instance = instance;
    EnableDebugPrivilege();
    g_app.StopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // Without it a resume is seen at the next sample instead of at once.
    g_app.ResumeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    // Without it every pause of the worker would return at once and Stop
    // would never be seen: better not to start at all.
    if (g_app.StopEvent == nullptr) {
        MessageBoxW(nullptr, L"Unable to create the signal that stops the watch thread!", L"Error", MB_OK);
        return 1;
    }
    HWND mainWindow = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc, 0);
    if (mainWindow == nullptr)
        return 1;
    PublishInstanceWindow(mainWindow);
    ShowWindow(mainWindow, StartsHiddenInTray(switches) ? SW_HIDE : SW_SHOWDEFAULT);
    if (IsAutostartRequested(switches))
        SendMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(IDC_MAIN_START_STOP, BN_CLICKED), 0);
    return RunMessageLoop(mainWindow);
}
