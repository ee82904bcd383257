#include "app/field_balloons.h"

#include <commctrl.h>

#include "app/bounded_text.h"

namespace {

// The main window's four fields; more balloons are not shown.
constexpr int kMostBalloons = 4;
constexpr int kBalloonWidthPixels = 300;
constexpr int kTitleChars = 128;
constexpr int kTextChars = 320;
constexpr UINT_PTR kToolId = 1;

// UI thread only: one tooltip window per field, made on its first balloon.
struct Balloon {
    HWND field;
    HWND tip;
    bool wanted;
};
Balloon g_balloons[kMostBalloons];

Balloon* BalloonOf(HWND field, bool make)
{
    for (Balloon& balloon : g_balloons) {
        if (balloon.field == field)
            return &balloon;
    }
    if (!make)
        return nullptr;
    for (Balloon& balloon : g_balloons) {
        if (balloon.field != nullptr)
            continue;
        const HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                         WS_POPUP | TTS_NOPREFIX | TTS_BALLOON | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetParent(field), nullptr,
                                         GetModuleHandleW(nullptr), nullptr);
        if (tip == nullptr)
            return nullptr;
        TTTOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
        tool.hwnd = field;
        tool.uId = kToolId;
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, kBalloonWidthPixels);
        balloon = {field, tip, false};
        return &balloon;
    }
    return nullptr;
}

TTTOOLINFOW ToolOf(const Balloon& balloon)
{
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = balloon.field;
    tool.uId = kToolId;
    return tool;
}

void Track(const Balloon& balloon, bool shown)
{
    TTTOOLINFOW tool = ToolOf(balloon);
    if (shown) {
        RECT field;
        GetWindowRect(balloon.field, &field);
        SendMessageW(balloon.tip, TTM_TRACKPOSITION, 0,
                     MAKELPARAM((field.left + field.right) / 2, field.bottom));
    }
    SendMessageW(balloon.tip, TTM_TRACKACTIVATE, shown, reinterpret_cast<LPARAM>(&tool));
}

bool IsWindowActive(HWND field)
{
    const HWND window = GetAncestor(field, GA_ROOT);
    return GetActiveWindow() == window && !IsIconic(window);
}

} // namespace

void ShowFieldBalloon(HWND field, const wchar_t* title, const wchar_t* text, int icon)
{
    Balloon* balloon = BalloonOf(field, true);
    if (balloon == nullptr)
        return;
    wchar_t titleCopy[kTitleChars], textCopy[kTextChars];
    CopyCut(titleCopy, title);
    CopyCut(textCopy, text);
    SendMessageW(balloon->tip, TTM_SETTITLEW, titleCopy[0] != L'\0' ? icon : TTI_NONE,
                 reinterpret_cast<LPARAM>(titleCopy));
    TTTOOLINFOW tool = ToolOf(*balloon);
    tool.lpszText = textCopy;
    SendMessageW(balloon->tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    balloon->wanted = true;
    Track(*balloon, IsWindowActive(field));
}

void HideFieldBalloon(HWND field)
{
    Balloon* balloon = BalloonOf(field, false);
    if (balloon == nullptr || !balloon->wanted)
        return;
    balloon->wanted = false;
    Track(*balloon, false);
}

void PlaceFieldBalloons(HWND window, bool active)
{
    for (const Balloon& balloon : g_balloons) {
        if (balloon.field != nullptr && balloon.wanted && GetParent(balloon.field) == window)
            Track(balloon, active && !IsIconic(window));
    }
}

// cppcheck-suppress constParameter ; HWND is an opaque handle, its target is not ours to qualify
void DestroyFieldBalloons(HWND window)
{
    for (Balloon& balloon : g_balloons) {
        if (balloon.field == nullptr || GetParent(balloon.field) != window)
            continue;
        DestroyWindow(balloon.tip);
        balloon = {};
    }
}
