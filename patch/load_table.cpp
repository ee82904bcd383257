// The patch loader fills the version list while the window is already in
// use: every list message is sent to the UI thread, so the user may pick an
// item before the last one is in.
#include "patch/patch_table.h"

#include "app/app_state.h"
#include "patch/download.h"
#include "patch/patch_document.h"
#include "patch/version_label.h"
#include "resource_ids.h"

namespace {

LRESULT SendToPatchList(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendDlgItemMessageW(g_app.MainDialog, IDC_MAIN_PATCH_LIST, message, wParam, lParam);
}

void AppendPatchItem(const PatchEntry& entry)
{
    wchar_t label[kVersionLabelChars];
    ConvertVersionLabel(entry.version, label);
    const LRESULT index = SendToPatchList(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label));
    // Item data sent to index -1 would land on every item.
    if (index >= 0)
        SendToPatchList(CB_SETITEMDATA, WPARAM(index), LPARAM(entry.address));
    // Only while no address is known: a pick the user made while the list
    // was filling stays, even one made between this test and the write.
    DWORD none = 0;
    g_app.StateAddress.compare_exchange_strong(none, entry.address);
}

} // namespace

DWORD WINAPI LoadPatchTable(void*)
{
    char document[kPatchInfoBufferBytes];
    if (DownloadPatchInfo(document) != kDownloadSucceeded) {
        // The user has been told; without a table the program cannot watch.
        SendMessageW(g_app.MainDialog, WM_CLOSE, 0, 0);
        return 0;
    }
    mxml_node_t* top = ParsePatchDocument(document);
    PatchWalk walk = BeginPatchWalk(top);
    PatchEntry entry;
    while (NextPatchEntry(&walk, &entry))
        AppendPatchItem(entry);
    mxmlDelete(top);
    // Raises no selection change, so StateAddress keeps the first non-zero address.
    SendToPatchList(CB_SETCURSEL, 0, 0);
    return 0;
}

void StartPatchLoaderOnce()
{
    if (g_app.PatchLoaderStarted)
        return;
    g_app.PatchLoaderStarted = true;
    HANDLE loader = CreateThread(nullptr, 0, LoadPatchTable, nullptr, 0, nullptr);
    if (loader != nullptr)
        CloseHandle(loader);
}

void ApplyPatchSelection()
{
    const LRESULT selected = SendToPatchList(CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR)
        return;
    g_app.StateAddress = DWORD(SendToPatchList(CB_GETITEMDATA, WPARAM(selected), 0));
}
