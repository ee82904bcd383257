#include "template_layout.h"

#include <gtest/gtest.h>

#include <string>

#include "drive/child_process.h"
#include "drive/dialog_units.h"
#include "drive/network_setup.h"

namespace {

// A drop-down list's template height is its open list's; closed, it is one line.
constexpr int kClosedDropDownHeight = 14;

bool IsGroupBox(const TemplateControl& control)
{
    return std::wstring(control.className) == L"Button" && control.kind == BS_GROUPBOX;
}

RECT UnitsRect(const TemplateControl& control)
{
    const bool dropDown = std::wstring(control.className) == L"ComboBox";
    const int height = dropDown ? kClosedDropDownHeight : control.height;
    return RECT{control.x, control.y, control.x + control.width, control.y + height};
}

// Every control lies inside the dialog, and none but group boxes (which
// frame others) lies over another.
void ExpectNoOverlapInside(int width, int height, const std::vector<TemplateControl>& controls)
{
    for (size_t i = 0; i < controls.size(); ++i) {
        const RECT r = UnitsRect(controls[i]);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height)
            << testing::PrintToString(std::wstring(controls[i].text)) << " id " << controls[i].id
            << " lies outside the dialog";
        if (IsGroupBox(controls[i]))
            continue;
        for (size_t j = i + 1; j < controls.size(); ++j) {
            if (IsGroupBox(controls[j]))
                continue;
            RECT both;
            const RECT other = UnitsRect(controls[j]);
            EXPECT_FALSE(IntersectRect(&both, &r, &other))
                << testing::PrintToString(std::wstring(controls[i].text)) << " id " << controls[i].id << " lies over "
                << testing::PrintToString(std::wstring(controls[j].text)) << " id " << controls[j].id;
        }
    }
}

} // namespace

void ExpectDialogAsItsTemplate(HWND dialog, int templateId, int width, int height,
                               const std::vector<TemplateControl>& controls)
{
    ExpectNoOverlapInside(width, height, controls);
    DialogUnits units;
    ASSERT_TRUE(units.Open(BinaryPath(L"Kestrelcue.exe"), templateId)) << units.Problem();
    RECT client;
    GetClientRect(dialog, &client);
    const RECT whole = units.ToPixels(0, 0, width, height);
    EXPECT_EQ(client.right, whole.right - whole.left);
    EXPECT_EQ(client.bottom, whole.bottom - whole.top);
    HWND child = GetWindow(dialog, GW_CHILD);
    for (const TemplateControl& expected : controls) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(expected.text)) + " id " + std::to_string(expected.id));
        ASSERT_NE(child, nullptr);
        if (expected.id == -1) {
            EXPECT_TRUE(GetDlgCtrlID(child) == 0xFFFF || GetDlgCtrlID(child) == -1);
        } else {
            EXPECT_EQ(GetDlgCtrlID(child), expected.id);
        }
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        EXPECT_STREQ(className, expected.className);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (std::wstring(expected.className) == L"Button") {
            EXPECT_EQ(style & BS_TYPEMASK, expected.kind);
        } else if (std::wstring(expected.className) == L"Static") {
            EXPECT_EQ(style & SS_TYPEMASK, expected.kind);
        } else if (std::wstring(expected.className) == L"ComboBox") {
            EXPECT_EQ(style & 3, expected.kind);
            EXPECT_FALSE(style & CBS_SORT);
        } else if (std::wstring(expected.className) == L"Edit") {
            EXPECT_TRUE(style & ES_AUTOHSCROLL);
            // The dialog manager may turn the border into a sunken client edge.
            EXPECT_TRUE((style & WS_BORDER) || (GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
        }
        EXPECT_EQ((style & WS_TABSTOP) != 0, expected.tabStop);
        // A drop-down list is as tall as its font needs, not as its
        // template says, and its text is its selection's.
        const bool dropDown = std::wstring(expected.className) == L"ComboBox";
        if (!dropDown) {
            EXPECT_EQ(WindowText(child), expected.text);
        }
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        const RECT placed = units.ToPixels(expected.x, expected.y, expected.width, expected.height);
        EXPECT_EQ(r.left, placed.left);
        EXPECT_EQ(r.top, placed.top);
        EXPECT_EQ(r.right - r.left, placed.right - placed.left);
        if (!dropDown) {
            EXPECT_EQ(r.bottom - r.top, placed.bottom - placed.top);
        }
        if (std::wstring(expected.className) == L"Static" && expected.kind == SS_LEFT) {
            EXPECT_LE(units.WrappedTextHeight(expected.text, placed.right - placed.left), placed.bottom - placed.top)
                << "the label's text is cut off";
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "a control that the template does not have";
}
