// Watching XSplit's life while the relay receiver waits for datagrams: the
// window can go while the process stays, and the process can go at any time.
#include "xsplit/xsplit.h"

#include "app/app_state.h"

namespace {
constexpr DWORD kSearchPauseMs = 100;
}

bool WaitForXSplit()
{
    if (g_app.XSplitProcessHandle != nullptr) {
        CloseHandle(g_app.XSplitProcessHandle);
        g_app.XSplitProcessHandle = nullptr;
    }
    for (;;) {
        g_app.XSplitWindow = FindXSplitWindow();
        // The pause doubles as the stop test, so a Stop never waits on a
        // search that has no end while XSplit is closed.
        if (WaitForSingleObject(g_app.StopEvent, kSearchPauseMs) == WAIT_OBJECT_0)
            return false;
        if (g_app.XSplitWindow != nullptr)
            break;
    }
    g_app.XSplitProcessId = 0;
    GetWindowThreadProcessId(g_app.XSplitWindow, &g_app.XSplitProcessId);
    g_app.XSplitProcessHandle = OpenProcess(SYNCHRONIZE, FALSE, g_app.XSplitProcessId);
    return true;
}

bool IsXSplitLost()
{
    if (!IsWindow(g_app.XSplitWindow))
        return true;
    return WaitForSingleObject(g_app.XSplitProcessHandle, 0) == WAIT_OBJECT_0;
}
