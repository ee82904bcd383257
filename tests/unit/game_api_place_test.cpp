// Which addresses in Options are this computer, where the game's window is
// looked for and alt+tab counts, and which are another computer, where
// neither can be.
#include "app/app_state.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool IsRemote(const wchar_t* host)
{
    return IsGameApiHostRemote(host);
}

TEST(GameApiPlace, OnlyThisComputersOwnNamesAreLocal)
{
    const struct {
        const wchar_t* host;
        bool remote;
    } cases[] = {
        {L"127.0.0.1", false}, {L"localhost", false}, {L"LocalHost", false}, {L"::1", false},
        {L"[::1]", false},     {L"", false},          {L"127.0.0.2", true},  {L"192.168.1.20", true},
        {L"gaming-pc", true},  {L"localhost.", true}, {L" 127.0.0.1", true}, {L"::2", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsRemote(c.host), c.remote) << testing::PrintToString(std::wstring(c.host));
    g_app.GameApiHost[0] = L'\0';
}

} // namespace
