// The Scenes dialog's own way to the broadcaster's scenes, beside the
// autocomplete its fields share with the main window's: a drop-down
// button beside each field opens the list as a popup menu (a choice puts
// its exact name in the field; nothing to list: one greyed item saying
// why), and a mark beside a field whose name the broadcaster lacks, the
// nearest scene in its tooltip.
#pragma once
#include <windows.h>

// UI thread, as the dialog opens and goes.
void AttachScenesDialogLists(HWND dialog);
void DetachScenesDialogLists(HWND dialog);
// The button's arrow, drawn as a combo box's is.
void DrawListButton(const DRAWITEMSTRUCT& item);
// True when `control` is one of the list buttons, whose list it then opened.
bool OpenListOfButton(HWND dialog, int control);
// UI thread: the marks, from the fields as they stand and the list.
void MarkScenesDialogFields(HWND dialog);
// UI thread, when the list has changed: the open dialog, if any, looks again.
void RecheckScenesDialog();
