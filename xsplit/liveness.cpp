// Watching XSplit's life while the relay receiver waits for datagrams: the
// window can go while the process stays, and the process can go at any time.
#include "xsplit/xsplit.h"

#include "app/app_state.h"

namespace {
constexpr DWORD kSearchPauseMs = 100;
}

void ReleaseXSplit(XSplitTarget* xsplit)
{
    if (xsplit->process != nullptr) {
        CloseHandle(xsplit->process);
        xsplit->process = nullptr;
    }
}

bool WaitForXSplit(XSplitTarget* xsplit)
{
    ReleaseXSplit(xsplit);
    for (;;) {
        xsplit->window = FindXSplitWindow();
        // The pause doubles as the stop test, so a Stop never waits on a
        // search that has no end while XSplit is closed.
        if (WaitForSingleObject(g_app.StopEvent, kSearchPauseMs) == WAIT_OBJECT_0)
            return false;
        if (xsplit->window != nullptr)
            break;
    }
    xsplit->processId = 0;
    GetWindowThreadProcessId(xsplit->window, &xsplit->processId);
    xsplit->process = OpenProcess(SYNCHRONIZE, FALSE, xsplit->processId);
    return true;
}

bool IsXSplitLost(const XSplitTarget& xsplit)
{
    if (!IsWindow(xsplit.window))
        return true;
    return WaitForSingleObject(xsplit.process, 0) == WAIT_OBJECT_0;
}
