// Dialog units turned into pixels exactly as the dialog manager turns them
// for a template: from the base units of the template's own font on this
// machine, whatever fonts it happens to have. MapDialogRect answers only for
// a dialog of the calling process under Wine, so the template is loaded
// from the program's exe and a hidden copy of the dialog is made here.
#pragma once
#include <windows.h>
#include <string>

class DialogUnits {
public:
    DialogUnits() = default;
    DialogUnits(const DialogUnits&) = delete;
    DialogUnits& operator=(const DialogUnits&) = delete;
    ~DialogUnits();

    // Makes the hidden copy of dialog template `templateId` of `exePath`;
    // false (and Problem() says why) when it cannot.
    bool Open(const std::wstring& exePath, int templateId);
    const std::string& Problem() const { return problem_; }

    // The rectangle (x, y, width, height in dialog units) in pixels of the
    // dialog's client area, where the dialog manager places such a control.
    RECT ToPixels(int x, int y, int width, int height) const;

    // How tall `text` is in the template's font, broken into lines within
    // `widthPixels` as a left-aligned label breaks it.
    int WrappedTextHeight(const std::wstring& text, int widthPixels) const;

private:
    HMODULE module_ = nullptr;
    HWND copy_ = nullptr;
    std::string problem_;
};
