// A dialog of the running program held up against its template: every
// control in template order, of its class, kind, text and tab stop, placed
// where the dialog manager puts that template's units on this machine
// (through MapDialogRect on a copy, so no font's size is assumed), each
// label tall enough for its text as the template's font breaks it.
#pragma once
#include <windows.h>

#include <vector>

struct TemplateControl {
    int id;  // -1 for group boxes and labels
    const wchar_t* className;
    LONG kind;  // button or static style under its type mask; a combo box's kind
    const wchar_t* text;
    int x, y, width, height;  // dialog units
    bool tabStop;
};

constexpr LONG kTemplateEdit = 0, kTemplateLabel = SS_LEFT, kTemplateDropDownList = CBS_DROPDOWNLIST;

// Checks with EXPECT_ and ASSERT_: call it inside ASSERT_NO_FATAL_FAILURE.
void ExpectDialogAsItsTemplate(HWND dialog, int templateId, int width, int height,
                               const std::vector<TemplateControl>& controls);
