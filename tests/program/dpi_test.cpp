// The program at a display scale other than 100 %: aware of each
// monitor's DPI as its manifest says, so Windows lays its dialogs out
// anew instead of stretching them; the template tests run at 144 and 192
// DPI beside this one (tests/CMakeLists.txt) and hold there too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "drive/program.h"

namespace {

// The DPI calls of Windows 10, looked up so that the tests build for the
// same Windows as the program.
using GetWindowAwarenessContext = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
using GetAwarenessFromContext = int(WINAPI*)(DPI_AWARENESS_CONTEXT);
constexpr int kPerMonitorAware = 2;  // DPI_AWARENESS_PER_MONITOR_AWARE

int WindowDpiAwareness(HWND window)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto getContext = reinterpret_cast<GetWindowAwarenessContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
    const auto getAwareness = reinterpret_cast<GetAwarenessFromContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    if (getContext == nullptr || getAwareness == nullptr)
        return -1;
    return getAwareness(getContext(window));
}

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

TEST(DpiTest, TheManifestMakesTheProgramAwareOfEachMonitorsDpi)
{
    DeleteSettings();
    KestrelcueProgram program;
    ASSERT_TRUE(program.Launch());
    EXPECT_EQ(WindowDpiAwareness(program.Window()), kPerMonitorAware);
    // Run at another scale, the screen is at that scale for the program too.
    if (const char* expected = std::getenv("KESTRELCUE_TEST_DPI")) {
        EXPECT_EQ(ScreenDpi(), std::atoi(expected));
    }
    EXPECT_TRUE(program.Close());
}

} // namespace
