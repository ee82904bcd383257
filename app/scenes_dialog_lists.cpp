#include "app/scenes_dialog_lists.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "app/dialog_field.h"
#include "app/scene_checks.h"
#include "resource_ids.h"
#include "scenes/nearest_scene.h"
#include "scenes/scene_list.h"
#include "settings/scene_fields.h"
#include "status/status_line.h"

namespace {

struct ListedField {
    int field, button, mark;
};

constexpr ListedField kListedFields[] = {
    {IDC_SCENES_LOADING, IDC_SCENES_LOADING_LIST, IDC_SCENES_LOADING_MARK},
    {IDC_SCENES_REPLAY, IDC_SCENES_REPLAY_LIST, IDC_SCENES_REPLAY_MARK},
    {IDC_SCENES_OBSERVING, IDC_SCENES_OBSERVING_LIST, IDC_SCENES_OBSERVING_MARK},
    {IDC_SCENES_VICTORY, IDC_SCENES_VICTORY_LIST, IDC_SCENES_VICTORY_MARK},
    {IDC_SCENES_DEFEAT, IDC_SCENES_DEFEAT_LIST, IDC_SCENES_DEFEAT_MARK},
};

// A menu item's text: the name with each & doubled, so none is taken for
// an access key.
constexpr size_t kMenuTextChars = 2 * kSceneListNameChars + 1;
constexpr int kFieldReadChars = kSituationSceneChars - 1;
constexpr UINT kFirstSceneItem = 1;

// UI thread only, while the dialog is open.
HWND g_dialog;
HWND g_markTips;
HICON g_markIcon;

void SetMarkTip(HWND mark, const wchar_t* text)
{
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = g_dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(mark);
    tool.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(g_markTips, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::wstring MenuTextOf(const std::wstring& scene)
{
    std::wstring text;
    for (wchar_t c : scene) {
        text += c;
        if (c == L'&')
            text += L'&';
    }
    return text.substr(0, kMenuTextChars - 1);
}

} // namespace

void AttachScenesDialogLists(HWND dialog)
{
    g_dialog = dialog;
    g_markIcon = static_cast<HICON>(LoadImageW(nullptr, IDI_WARNING, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    g_markTips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    for (const ListedField& listed : kListedFields) {
        const HWND mark = GetDlgItem(dialog, listed.mark);
        SendMessageW(mark, STM_SETICON, reinterpret_cast<WPARAM>(g_markIcon), 0);
        ShowWindow(mark, SW_HIDE);
        TTTOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = dialog;
        tool.uId = reinterpret_cast<UINT_PTR>(mark);
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(g_markTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    MarkScenesDialogFields(dialog);
}

// cppcheck-suppress constParameter ; HWND is an opaque handle, its target is not ours to qualify
void DetachScenesDialogLists(HWND dialog)
{
    if (g_dialog != dialog)
        return;
    if (g_markTips != nullptr)
        DestroyWindow(g_markTips);
    g_markTips = nullptr;
    g_dialog = nullptr;
}

void DrawListButton(const DRAWITEMSTRUCT& item)
{
    RECT face = item.rcItem;
    UINT state = DFCS_SCROLLCOMBOBOX;
    if ((item.itemState & ODS_SELECTED) != 0)
        state |= DFCS_PUSHED;
    if ((item.itemState & ODS_DISABLED) != 0)
        state |= DFCS_INACTIVE;
    DrawFrameControl(item.hDC, &face, DFC_SCROLL, state);
    if ((item.itemState & ODS_FOCUS) != 0) {
        InflateRect(&face, -2, -2);
        DrawFocusRect(item.hDC, &face);
    }
}

bool OpenListOfButton(HWND dialog, int control)
{
    const auto listed = std::find_if(std::begin(kListedFields), std::end(kListedFields),
                                     [&](const ListedField& f) { return f.button == control; });
    if (listed == std::end(kListedFields))
        return false;
    std::vector<std::wstring> scenes;
    wchar_t why[kStatusChars];
    const bool any = SceneListForFields(&scenes, &why);
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        return true;
    if (!any) {
        AppendMenuW(menu, MF_STRING | MF_GRAYED, 0, why);
    } else {
        for (size_t i = 0; i < scenes.size(); ++i)
            AppendMenuW(menu, MF_STRING, kFirstSceneItem + UINT(i), MenuTextOf(scenes[i]).c_str());
    }
    RECT button;
    GetWindowRect(GetDlgItem(dialog, control), &button);
    const UINT chosen = UINT(TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_TOPALIGN, button.right,
                                              button.bottom, dialog, nullptr));
    DestroyMenu(menu);
    if (chosen >= kFirstSceneItem && chosen - kFirstSceneItem < scenes.size()) {
        SetDlgItemTextW(dialog, listed->field, scenes[chosen - kFirstSceneItem].c_str());
        SetFocus(GetDlgItem(dialog, listed->field));
    }
    return true;
}

void MarkScenesDialogFields(HWND dialog)
{
    if (g_dialog != dialog)
        return;
    std::vector<std::wstring> scenes;
    const bool known = SceneListForFields(&scenes, nullptr);
    const SceneListCopy list = CopySceneList();
    for (const ListedField& listed : kListedFields) {
        wchar_t name[kSituationSceneChars];
        ReadFieldText(dialog, listed.field, name, kFieldReadChars);
        const bool missing =
            known && name[0] != L'\0' && std::find(scenes.begin(), scenes.end(), name) == scenes.end();
        const HWND mark = GetDlgItem(dialog, listed.mark);
        ShowWindow(mark, missing ? SW_SHOWNA : SW_HIDE);
        if (!missing)
            continue;
        wchar_t tip[kStatusChars];
        FormatStatus(tip, L"Not a scene of %s.", list.broadcaster);
        const int nearest = NearestScene(name, scenes);
        if (nearest != kNoNearestScene) {
            wchar_t question[kStatusChars];
            FormatStatus(question, L" Did you mean '%s'?", scenes[size_t(nearest)].c_str());
            wcsncat(tip, question, kStatusChars - 1 - wcslen(tip));
        }
        SetMarkTip(mark, tip);
    }
}

void RecheckScenesDialog()
{
    if (g_dialog != nullptr)
        MarkScenesDialogFields(g_dialog);
}
