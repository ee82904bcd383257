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

namespace {

struct InstanceCase {
    const wchar_t* arguments;
    const wchar_t* name;  // what SkipInstanceName finds
    const wchar_t* rest;  // what it leaves for the other switches
};

TEST(InstanceSwitch, ANameOfItsOwnOnlyFromAWellFormedSwitchAtTheStart)
{
    const InstanceCase cases[] = {
        {L"/instance:pair", L"pair", L""},
        {L"/instance:pair /autostart", L"pair", L"/autostart"},
        {L"/instance:A-b_9", L"A-b_9", L""},
        {L"/instance:12345678901234567890123456789012", L"12345678901234567890123456789012", L""},
        // One character too many, a name that is not one, an empty one: no
        // instance of its own, and the arguments are left whole.
        {L"/instance:123456789012345678901234567890123", L"", L"/instance:123456789012345678901234567890123"},
        {L"/instance:a.b", L"", L"/instance:a.b"},
        {L"/instance:a\\b", L"", L"/instance:a\\b"},
        {L"/instance:", L"", L"/instance:"},
        {L"/instance: pair", L"", L"/instance: pair"},
        {L"/autostart /instance:pair", L"", L"/autostart /instance:pair"},
        {L"/Instance:pair", L"", L"/Instance:pair"},
        {L"", L"", L""},
    };
    for (const InstanceCase& c : cases) {
        wchar_t name[kInstanceNameChars];
        const wchar_t* rest = SkipInstanceName(c.arguments, name);
        EXPECT_EQ(std::wstring(name), c.name) << testing::PrintToString(std::wstring(c.arguments));
        EXPECT_EQ(std::wstring(rest), c.rest) << testing::PrintToString(std::wstring(c.arguments));
    }
    wchar_t name[kInstanceNameChars];
    EXPECT_TRUE(IsAutostartRequested(SkipInstanceName(L"/instance:pair /autostart", name)));
    EXPECT_FALSE(IsAutostartRequested(SkipInstanceName(L"/instance:pair  /autostart", name)));
}

} // namespace
