// What the program takes as "/autostart" from the command line it was given.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

struct AutostartCase {
    const wchar_t* commandLine;
    bool starts;
};

TEST(AutostartSwitch, OnlyTheExactSwitchStartsTheWorker)
{
    const AutostartCase cases[] = {
        {L"Kestrelcue.exe /autostart", true},
        {L"\"C:\\Program Files\\Kestrelcue\\Kestrelcue.exe\" /autostart", true},
        {L"\"C:\\My Tools\\Kestrelcue.exe\"/autostart", true},
        {L"Kestrelcue.exe    /autostart", true},
        {L"Kestrelcue.exe \t /autostart", true},
        {L"Kestrelcue.exe", false},
        {L"Kestrelcue.exe /autostart ", false},
        {L"Kestrelcue.exe /autostart now", false},
        {L"Kestrelcue.exe /AutoStart", false},
        {L"Kestrelcue.exe /AUTOSTART", false},
        {L"Kestrelcue.exe -autostart", false},
        {L"Kestrelcue.exe /autostar", false},
        {L"Kestrelcue.exe \"/autostart\"", false},
        {L"Kestrelcue.exe/autostart", false},
    };
    for (const AutostartCase& c : cases) {
        EXPECT_EQ(IsAutostartRequested(CommandLineAfterProgramName(c.commandLine)), c.starts)
            << "command line: " << testing::PrintToString(std::wstring(c.commandLine));
    }
}

TEST(AutostartSwitch, ArgumentsBeginAfterTheBlanksThatFollowTheProgramName)
{
    EXPECT_STREQ(CommandLineAfterProgramName(L"a.exe  x y"), L"x y");
    EXPECT_STREQ(CommandLineAfterProgramName(L"\"a b.exe\" x"), L"x");
    EXPECT_STREQ(CommandLineAfterProgramName(L"\"unterminated"), L"");
    EXPECT_STREQ(CommandLineAfterProgramName(L""), L"");
}

} // namespace
