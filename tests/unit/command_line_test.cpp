// What the program takes as "/autostart" from the arguments the entry point
// receives (how the program name is split off is the C runtime's, and the
// program tests launch the real exe with such command lines).
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

struct AutostartCase {
    const wchar_t* arguments;
    bool starts;
};

TEST(AutostartSwitch, OnlyTheExactSwitchStartsTheWorker)
{
    const AutostartCase cases[] = {
        {L"/autostart", true},
        {L"", false},
        {L"/autostart ", false},
        {L"/autostart\t", false},
        {L"/autostart now", false},
        {L"/AutoStart", false},
        {L"/AUTOSTART", false},
        {L"-autostart", false},
        {L"/autostar", false},
        {L"\"/autostart\"", false},
        {L"//autostart", false},
    };
    for (const AutostartCase& c : cases) {
        EXPECT_EQ(IsAutostartRequested(c.arguments), c.starts)
            << "arguments: " << testing::PrintToString(std::wstring(c.arguments));
    }
}

} // namespace
