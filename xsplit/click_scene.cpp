// Clicking a scene button: a descendant "Button" of XSplit's main window,
// owned by XSplit's process, whose caption equals the scene name exactly.
#include "xsplit/xsplit.h"

#include <cwchar>

#include "scenes/scene_not_found.h"

namespace {

constexpr int kButtonTextChars = 255;  // 254 characters compared, and the terminator
// A hung XSplit must not hold the worker, and with it Stop, for ever.
constexpr UINT kClickTimeoutMs = 2000;
// As many captions as the list of scenes keeps.
constexpr size_t kMostSceneButtons = 500;

// Which button is sought (null name: none, every caption is listed).
struct ButtonSearch {
    DWORD processId;
    const wchar_t* name;
    HWND found;
    std::vector<std::wstring> captions;
};

BOOL CALLBACK TestSceneButton(HWND window, LPARAM context)
{
    ButtonSearch* search = reinterpret_cast<ButtonSearch*>(context);
    DWORD owner = 0;
    if (GetWindowThreadProcessId(window, &owner) == 0 || owner != search->processId)
        return TRUE;
    wchar_t className[kButtonTextChars] = {};
    GetClassNameW(window, className, kButtonTextChars);
    if (std::wcscmp(className, L"Button") != 0)
        return TRUE;
    wchar_t caption[kButtonTextChars] = {};
    GetWindowTextW(window, caption, kButtonTextChars);
    if (search->name != nullptr && std::wcscmp(caption, search->name) == 0) {
        search->found = window;
        return FALSE;
    }
    if (search->captions.size() < kMostSceneButtons)
        search->captions.push_back(caption);
    return TRUE;
}

void SearchSceneButtons(const XSplitTarget& xsplit, ButtonSearch* search)
{
    // A null parent would make the enumeration walk every top-level window.
    if (xsplit.window != nullptr)
        EnumChildWindows(xsplit.window, TestSceneButton, reinterpret_cast<LPARAM>(search));
}

} // namespace

void ClickSceneButton(const XSplitTarget& xsplit, const wchar_t* name)
{
    ButtonSearch search = {xsplit.processId, name, nullptr, {}};
    SearchSceneButtons(xsplit, &search);
    if (search.found != nullptr) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(search.found, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kClickTimeoutMs, &ignored);
        return;
    }
    ReportSceneNotFound(name, search.captions);
}

std::vector<std::wstring> ListSceneButtons(const XSplitTarget& xsplit)
{
    ButtonSearch search = {xsplit.processId, nullptr, nullptr, {}};
    SearchSceneButtons(xsplit, &search);
    return search.captions;
}
