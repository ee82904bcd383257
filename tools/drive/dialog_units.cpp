#include "drive/dialog_units.h"

namespace {

INT_PTR CALLBACK InertDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

} // namespace

DialogUnits::~DialogUnits()
{
    if (copy_ != nullptr)
        DestroyWindow(copy_);
    if (module_ != nullptr)
        FreeLibrary(module_);
}

bool DialogUnits::Open(const std::wstring& exePath, int templateId)
{
    if (module_ != nullptr) {
        problem_ = "already open";
        return false;
    }
    module_ = LoadLibraryExW(exePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module_ == nullptr) {
        problem_ = "the exe could not be loaded for its resources, error " + std::to_string(GetLastError());
        return false;
    }
    // The templates carry no WS_VISIBLE: the copy is never shown.
    copy_ = CreateDialogParamW(module_, MAKEINTRESOURCEW(templateId), nullptr, InertDialogProc, 0);
    if (copy_ == nullptr) {
        problem_ = "dialog template " + std::to_string(templateId) + " could not be created, error " +
                   std::to_string(GetLastError());
        return false;
    }
    return true;
}

RECT DialogUnits::ToPixels(int x, int y, int width, int height) const
{
    // The dialog manager converts a control's origin and its size each on
    // its own, so a width is not the difference of two converted edges.
    RECT origin = {x, y, 0, 0};
    RECT size = {0, 0, width, height};
    MapDialogRect(copy_, &origin);
    MapDialogRect(copy_, &size);
    return {origin.left, origin.top, origin.left + size.right, origin.top + size.bottom};
}

int DialogUnits::WrappedTextHeight(const std::wstring& text, int widthPixels) const
{
    HDC dc = GetDC(copy_);
    const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(copy_, WM_GETFONT, 0, 0));
    const HGDIOBJ before = SelectObject(dc, font);
    RECT r = {0, 0, widthPixels, 0};
    DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    SelectObject(dc, before);
    ReleaseDC(copy_, dc);
    return r.bottom - r.top;
}
