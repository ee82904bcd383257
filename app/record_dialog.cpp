// The Record dialog. Like Scenes it need not wait for Stop: the record's
// owner takes the edit in one step beside the worker's counting, and an
// edit is shown where the record shows as soon as OK is pressed. The
// dialog keeps only what it showed, to tell which numbers the user
// changed: a game counted meanwhile is not written over.
#include "app/record_dialog.h"

#include <commdlg.h>

#include <cstring>
#include <cwchar>

#include "app/app_state.h"
#include "desktop/program_icon.h"
#include "app/dialog_field.h"
#include "events/webhook.h"
#include "overlay/overlay_server.h"
#include "record/session_record.h"
#include "resource_ids.h"

namespace {

// Texts as typed: 254 characters and the terminator, like the other fields.
constexpr int kFileFieldReadChars = kRecordFileChars - 1;
constexpr int kFormatFieldReadChars = int(kRecordFormatChars) - 1;
constexpr int kSourceFieldReadChars = kRecordSourceChars - 1;
constexpr int kWebhookFieldReadChars = int(kWebhookUrlChars) - 1;
// A number of 32 bits in decimal.
constexpr int kNumberDigits = 10;
// A port: five digits. Its address: "http://127.0.0.1:65535/" and the
// terminator, or the field's hint.
constexpr int kOverlayPortDigits = 5;
constexpr int kOverlayAddressChars = 40;

constexpr wchar_t kWebhookUrlText[] =
    L"The webhook's URL begins with http:// or https://, such as https://discord.com/api/webhooks/ID/TOKEN; "
    L"leave it empty for none.";

constexpr wchar_t kRelativeRecordFileText[] =
    L"The record's file must be given with its full path, such as C:\\Stream\\record.txt, or chosen with Browse.";

struct NumberField {
    int id;
    RecordNumber number;
};

constexpr NumberField kNumberFields[] = {
    {IDC_RECORD_WINS, kNumberWins},
    {IDC_RECORD_LOSSES, kNumberLosses},
    {IDC_RECORD_TIES, kNumberTies},
    {IDC_RECORD_TERRAN_WINS, kNumberTerranWins},
    {IDC_RECORD_TERRAN_LOSSES, kNumberTerranLosses},
    {IDC_RECORD_ZERG_WINS, kNumberZergWins},
    {IDC_RECORD_ZERG_LOSSES, kNumberZergLosses},
    {IDC_RECORD_PROTOSS_WINS, kNumberProtossWins},
    {IDC_RECORD_PROTOSS_LOSSES, kNumberProtossLosses},
    {IDC_RECORD_RANDOM_WINS, kNumberRandomWins},
    {IDC_RECORD_RANDOM_LOSSES, kNumberRandomLosses},
};

// What the dialog showed of the numbers (all 0 once Reset is pressed):
// a field that still holds it was not changed by the user.
struct ShownNumbers {
    uint32_t numbers[kRecordNumberCount];
    bool reset;
};

ShownNumbers* ShownNumbersOf(HWND dialog)
{
    return reinterpret_cast<ShownNumbers*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void ReadPlaces(HWND dialog, RecordPlaces* places)
{
    ReadFieldText(dialog, IDC_RECORD_FILE, places->file, kFileFieldReadChars);
    ReadFieldText(dialog, IDC_RECORD_FORMAT, places->format, kFormatFieldReadChars);
    ReadFieldText(dialog, IDC_RECORD_OBS_SOURCE, places->obsSource, kSourceFieldReadChars);
}

// Digits only, and no more than 32 bits hold; an empty field is 0.
bool ReadNumberField(HWND dialog, int id, uint32_t* number)
{
    wchar_t text[kNumberDigits + 2];
    ReadFieldText(dialog, id, text, kNumberDigits + 2);
    uint64_t value = 0;
    for (const wchar_t* c = text; *c != L'\0'; ++c) {
        if (*c < L'0' || *c > L'9')
            return false;
        value = value * 10 + uint64_t(*c - L'0');
        if (value > 0xFFFFFFFFu)
            return false;
    }
    *number = uint32_t(value);
    return true;
}

// False when a field holds no whole number (it can only be pasted in).
bool ReadNumbers(HWND dialog, uint32_t (&numbers)[kRecordNumberCount], int* wrongField)
{
    for (const NumberField& field : kNumberFields) {
        if (!ReadNumberField(dialog, field.id, &numbers[field.number])) {
            *wrongField = field.id;
            return false;
        }
    }
    return true;
}

// What the record will look like with the fields as they are now.
void ShowPreview(HWND dialog)
{
    uint32_t numbers[kRecordNumberCount] = {};
    int wrong = 0;
    RecordPlaces places;
    ReadPlaces(dialog, &places);
    if (!ReadNumbers(dialog, numbers, &wrong)) {
        SetDlgItemTextW(dialog, IDC_RECORD_PREVIEW, L"");
        return;
    }
    RecordCounts counts = {};
    for (int i = 0; i < kRecordNumberCount; ++i)
        RecordNumberOf(counts, RecordNumber(i)) = numbers[i];
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows texts are UTF-16");
    const char16_t* format =
        places.format[0] != L'\0' ? reinterpret_cast<const char16_t*>(places.format) : kDefaultRecordFormat;
    char16_t text[kRecordTextChars];
    FormatRecord(format, counts, text);
    SetDlgItemTextW(dialog, IDC_RECORD_PREVIEW, reinterpret_cast<const wchar_t*>(text));
}

// The port typed; an empty field is 0, off. False when it is no number.
bool ReadOverlayPortField(HWND dialog, UINT* port)
{
    BOOL read = FALSE;
    *port = GetDlgItemInt(dialog, IDC_RECORD_OVERLAY_PORT, &read, FALSE);
    if (GetWindowTextLengthW(GetDlgItem(dialog, IDC_RECORD_OVERLAY_PORT)) == 0) {
        *port = 0;
        return true;
    }
    return read != FALSE;
}

// The page's address for the port typed, or what the field means.
void ShowOverlayAddress(HWND dialog)
{
    UINT port = 0;
    const bool read = ReadOverlayPortField(dialog, &port);
    wchar_t address[kOverlayAddressChars];
    if (read && port == 0)
        std::swprintf(address, kOverlayAddressChars, L"Off");
    else if (read && IsOverlayPortValid(port))
        std::swprintf(address, kOverlayAddressChars, L"http://127.0.0.1:%u/", port);
    else
        std::swprintf(address, kOverlayAddressChars, L"0 (off) or 1024 to 65535");
    SetDlgItemTextW(dialog, IDC_RECORD_OVERLAY_ADDRESS, address);
    EnableWindow(GetDlgItem(dialog, IDC_RECORD_OVERLAY_COPY), read && IsOverlayPortValid(port));
}

// True when the clipboard has taken `memory`, which is then its own.
bool GiveToClipboard(HGLOBAL memory, const wchar_t* text, size_t bytes)
{
    void* locked = GlobalLock(memory);
    if (locked == nullptr)
        return false;
    std::memcpy(locked, text, bytes);
    GlobalUnlock(memory);
    return SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
}

// The address as text on the clipboard, for a browser source's URL.
void OnCopyOverlayAddress(HWND dialog)
{
    wchar_t address[kOverlayAddressChars];
    const int units = GetDlgItemTextW(dialog, IDC_RECORD_OVERLAY_ADDRESS, address, kOverlayAddressChars);
    if (units <= 0 || !OpenClipboard(dialog))
        return;
    EmptyClipboard();
    const size_t bytes = (size_t(units) + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory != nullptr && !GiveToClipboard(memory, address, bytes))
        GlobalFree(memory);
    CloseClipboard();
}

INT_PTR OnInitDialog(HWND dialog, LPARAM shownNumbers)
{
    SetProgramIcon(dialog);
    SetWindowLongPtrW(dialog, DWLP_USER, shownNumbers);
    ShownNumbers* shown = ShownNumbersOf(dialog);
    RecordSnapshot record;
    TakeRecordSnapshot(&record);
    const RecordPlaces& places = record.places;
    SendDlgItemMessageW(dialog, IDC_RECORD_FILE, EM_LIMITTEXT, kFileFieldReadChars - 1, 0);
    SendDlgItemMessageW(dialog, IDC_RECORD_FORMAT, EM_LIMITTEXT, kFormatFieldReadChars - 1, 0);
    SendDlgItemMessageW(dialog, IDC_RECORD_OBS_SOURCE, EM_LIMITTEXT, kSourceFieldReadChars - 1, 0);
    SetDlgItemTextW(dialog, IDC_RECORD_FILE, places.file);
    SetDlgItemTextW(dialog, IDC_RECORD_FORMAT, places.format);
    SetDlgItemTextW(dialog, IDC_RECORD_OBS_SOURCE, places.obsSource);
    for (const NumberField& field : kNumberFields) {
        SendDlgItemMessageW(dialog, field.id, EM_LIMITTEXT, kNumberDigits, 0);
        shown->numbers[field.number] = RecordNumberIn(record.counts, field.number);
        SetDlgItemInt(dialog, field.id, shown->numbers[field.number], FALSE);
    }
    SendDlgItemMessageW(dialog, IDC_RECORD_OVERLAY_PORT, EM_LIMITTEXT, kOverlayPortDigits, 0);
    SetDlgItemInt(dialog, IDC_RECORD_OVERLAY_PORT, ReadOverlayPort(), FALSE);
    wchar_t url[kWebhookUrlChars];
    CopyWebhookUrl(url);
    SendDlgItemMessageW(dialog, IDC_RECORD_WEBHOOK_URL, EM_LIMITTEXT, kWebhookFieldReadChars - 1, 0);
    SetDlgItemTextW(dialog, IDC_RECORD_WEBHOOK_URL, url);
    ShowPreview(dialog);
    ShowOverlayAddress(dialog);
    return TRUE;
}

void OnBrowse(HWND dialog)
{
    wchar_t path[kRecordFileChars];
    ReadFieldText(dialog, IDC_RECORD_FILE, path, kFileFieldReadChars);
    OPENFILENAMEW choice = {};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = dialog;
    choice.lpstrFilter = RecordFileTypes();
    choice.lpstrFile = path;
    choice.nMaxFile = kFileFieldReadChars;
    choice.lpstrDefExt = L"txt";
    choice.lpstrTitle = L"The file the record is written to";
    // The file is written over every time: there is nothing to confirm.
    choice.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (GetSaveFileNameW(&choice))
        SetDlgItemTextW(dialog, IDC_RECORD_FILE, path);
}

// Every number 0 at OK, whatever was counted until then; a number typed
// after it is taken as typed.
void OnReset(HWND dialog)
{
    ShownNumbers* shown = ShownNumbersOf(dialog);
    shown->reset = true;
    for (const NumberField& field : kNumberFields) {
        shown->numbers[field.number] = 0;
        SetDlgItemInt(dialog, field.id, 0, FALSE);
    }
}

// A drive and its folders, or a share: anything else would be found from
// whatever folder the program was started in (Explorer's, the sign-in
// task's), a different one each time.
bool IsFullPath(const wchar_t* path)
{
    auto isSeparator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const bool drive = ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
                       path[1] == L':' && isSeparator(path[2]);
    const bool share = isSeparator(path[0]) && isSeparator(path[1]);
    return drive || share;
}

void Refuse(HWND dialog, const wchar_t* text, int field)
{
    MessageBoxW(dialog, text, L"Error", MB_OK);
    SetFocus(GetDlgItem(dialog, field));
}

// False (and the dialog stays) when a number cannot be read or the file is
// not named by its full path.
bool ApplyFields(HWND dialog)
{
    RecordEdit edit = {};
    int wrong = 0;
    if (!ReadNumbers(dialog, edit.numbers, &wrong)) {
        Refuse(dialog, L"The record's numbers must be whole numbers.", wrong);
        return false;
    }
    ReadPlaces(dialog, &edit.places);
    if (edit.places.file[0] != L'\0' && !IsFullPath(edit.places.file)) {
        Refuse(dialog, kRelativeRecordFileText, IDC_RECORD_FILE);
        return false;
    }
    UINT port = 0;
    if (!ReadOverlayPortField(dialog, &port) || (port != 0 && !IsOverlayPortValid(port))) {
        Refuse(dialog, L"The overlay's port is 0 (off) or from 1024 to 65535.", IDC_RECORD_OVERLAY_PORT);
        return false;
    }
    wchar_t url[kWebhookUrlChars];
    ReadFieldText(dialog, IDC_RECORD_WEBHOOK_URL, url, kWebhookFieldReadChars);
    if (url[0] != L'\0' && !IsWebhookUrlAccepted(url)) {
        Refuse(dialog, kWebhookUrlText, IDC_RECORD_WEBHOOK_URL);
        return false;
    }
    // Stored only once changed, so that an untouched dialog adds no value;
    // the server takes it at the next Start, the webhook at the next event.
    if (port != ReadOverlayPort())
        StoreOverlayPort(port);
    PublishWebhookUrl(url);
    const ShownNumbers* shown = ShownNumbersOf(dialog);
    edit.reset = shown->reset;
    for (int i = 0; i < kRecordNumberCount; ++i)
        edit.edited[i] = edit.numbers[i] != shown->numbers[i];
    EditRecordByHand(edit);
    return true;
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    if (HIWORD(wParam) == EN_CHANGE) {
        ShowPreview(dialog);
        ShowOverlayAddress(dialog);
        return TRUE;
    }
    switch (id) {
    case IDC_RECORD_BROWSE:
        OnBrowse(dialog);
        return TRUE;
    case IDC_RECORD_RESET:
        OnReset(dialog);
        return TRUE;
    case IDC_RECORD_OVERLAY_COPY:
        OnCopyOverlayAddress(dialog);
        return TRUE;
    case IDOK:
        if (ApplyFields(dialog))
            EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL:  // Cancel, Escape and the close box
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK RecordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, lParam);
    case WM_COMMAND:    return OnCommand(dialog, wParam);
    default:            return FALSE;
    }
}

} // namespace

const wchar_t* RecordFileTypes()
{
    // Each name and pattern ends at a NUL, and the list at one more.
    static const wchar_t kTypes[] = L"Text files (*.txt)\0*.txt\0All files (*.*)\0*.*\0";
    return kTypes;
}

void ShowRecord(HWND owner)
{
    ShownNumbers shown = {};
    DialogBoxParamW(g_app.Instance, MAKEINTRESOURCEW(IDD_RECORD), owner, RecordDialogProc,
                    reinterpret_cast<LPARAM>(&shown));
}
