// Status texts carry scene names typed by the user or received from the
// network: they must be shown as they are and never overflow the line.
#include <gtest/gtest.h>

#include <string>

#include "status/status_line.h"

namespace {

std::wstring Format(const wchar_t* format, const std::wstring& argument)
{
    wchar_t out[kStatusChars];
    FormatStatus(out, format, argument.c_str());
    return out;
}

TEST(FormatStatus, PutsTheNameInPlaceOfTheMarker)
{
    EXPECT_EQ(Format(L"Error: Scene '%s' not found.", L"Game"), L"Error: Scene 'Game' not found.");
    EXPECT_EQ(Format(L"Remote switching to '%s'.", L""), L"Remote switching to ''.");
}

TEST(FormatStatus, ANameIsNeverReadAsAFormat)
{
    EXPECT_EQ(Format(L"Remote switching to '%s'.", L"%s%n%d%%"), L"Remote switching to '%s%n%d%%'.");
    EXPECT_EQ(Format(L"'%s' and '%s'", L"x"), L"'x' and '%s'");
}

TEST(FormatStatus, CutsWhatDoesNotFitIn511Characters)
{
    std::wstring longName(600, L'n');
    std::wstring text = Format(L"Error: Scene '%s' not found.", longName);
    ASSERT_EQ(text.size(), 511u);
    EXPECT_EQ(text.substr(0, 14), L"Error: Scene '");
    EXPECT_EQ(text.substr(14), std::wstring(511 - 14, L'n'));

    std::wstring exact(511 - 2, L'e');  // with the two quotes, exactly full
    EXPECT_EQ(Format(L"'%s'", exact), L"'" + exact + L"'");
    EXPECT_EQ(Format(L"'%s'", exact + L"e"), L"'" + exact + L"e");
}

} // namespace
