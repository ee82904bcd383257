// The Record dialog. Like Scenes it need not wait for Stop: the worker
// reads the record under its lock, and an edit is shown where the record
// shows as soon as OK is pressed.
#include "app/record_dialog.h"

#include <commdlg.h>

#include "app/app_state.h"
#include "app/program_icon.h"
#include "app/dialog_field.h"
#include "record/record_publishing.h"
#include "record/session_record.h"
#include "resource_ids.h"

namespace {

// Texts as typed: 254 characters and the terminator, like the other fields.
constexpr int kFileFieldReadChars = kRecordFileChars - 1;
constexpr int kFormatFieldReadChars = int(kRecordFormatChars) - 1;
constexpr int kSourceFieldReadChars = kRecordSourceChars - 1;
// A number of 32 bits in decimal.
constexpr int kNumberDigits = 10;

struct NumberField {
    int id;
    uint32_t RecordCounts::*single;  // wins, losses or ties; null for a race's
    RecordRace race;
    bool wins;
};

constexpr NumberField kNumberFields[] = {
    {IDC_RECORD_WINS, &RecordCounts::wins, kRecordRaceCount, true},
    {IDC_RECORD_LOSSES, &RecordCounts::losses, kRecordRaceCount, false},
    {IDC_RECORD_TIES, &RecordCounts::ties, kRecordRaceCount, false},
    {IDC_RECORD_TERRAN_WINS, nullptr, kVsTerran, true},
    {IDC_RECORD_TERRAN_LOSSES, nullptr, kVsTerran, false},
    {IDC_RECORD_ZERG_WINS, nullptr, kVsZerg, true},
    {IDC_RECORD_ZERG_LOSSES, nullptr, kVsZerg, false},
    {IDC_RECORD_PROTOSS_WINS, nullptr, kVsProtoss, true},
    {IDC_RECORD_PROTOSS_LOSSES, nullptr, kVsProtoss, false},
    {IDC_RECORD_RANDOM_WINS, nullptr, kVsRandom, true},
    {IDC_RECORD_RANDOM_LOSSES, nullptr, kVsRandom, false},
};

uint32_t& NumberOf(RecordCounts& counts, const NumberField& field)
{
    if (field.single != nullptr)
        return counts.*field.single;
    return field.wins ? counts.raceWins[field.race] : counts.raceLosses[field.race];
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
bool ReadNumbers(HWND dialog, RecordCounts* counts, int* wrongField)
{
    for (const NumberField& field : kNumberFields) {
        if (!ReadNumberField(dialog, field.id, &NumberOf(*counts, field))) {
            *wrongField = field.id;
            return false;
        }
    }
    return true;
}

// What the record will look like with the fields as they are now.
void ShowPreview(HWND dialog)
{
    RecordCounts counts = {};
    int wrong = 0;
    RecordPlaces places;
    ReadPlaces(dialog, &places);
    if (!ReadNumbers(dialog, &counts, &wrong)) {
        SetDlgItemTextW(dialog, IDC_RECORD_PREVIEW, L"");
        return;
    }
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows texts are UTF-16");
    const char16_t* format =
        places.format[0] != L'\0' ? reinterpret_cast<const char16_t*>(places.format) : kDefaultRecordFormat;
    char16_t text[kRecordTextChars];
    FormatRecord(format, counts, text);
    SetDlgItemTextW(dialog, IDC_RECORD_PREVIEW, reinterpret_cast<const wchar_t*>(text));
}

INT_PTR OnInitDialog(HWND dialog)
{
    SetProgramIcon(dialog);
    RecordCounts counts;
    RecordPlaces places;
    CopyRecord(&counts, &places);
    SendDlgItemMessageW(dialog, IDC_RECORD_FILE, EM_LIMITTEXT, kFileFieldReadChars - 1, 0);
    SendDlgItemMessageW(dialog, IDC_RECORD_FORMAT, EM_LIMITTEXT, kFormatFieldReadChars - 1, 0);
    SendDlgItemMessageW(dialog, IDC_RECORD_OBS_SOURCE, EM_LIMITTEXT, kSourceFieldReadChars - 1, 0);
    SetDlgItemTextW(dialog, IDC_RECORD_FILE, places.file);
    SetDlgItemTextW(dialog, IDC_RECORD_FORMAT, places.format);
    SetDlgItemTextW(dialog, IDC_RECORD_OBS_SOURCE, places.obsSource);
    for (const NumberField& field : kNumberFields) {
        SendDlgItemMessageW(dialog, field.id, EM_LIMITTEXT, kNumberDigits, 0);
        SetDlgItemInt(dialog, field.id, NumberOf(counts, field), FALSE);
    }
    ShowPreview(dialog);
    return TRUE;
}

void OnBrowse(HWND dialog)
{
    wchar_t path[kRecordFileChars];
    ReadFieldText(dialog, IDC_RECORD_FILE, path, kFileFieldReadChars);
    OPENFILENAMEW choice = {};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = dialog;
    choice.lpstrFilter = L"Text files (*.txt)\\0*.txt\\0All files\\0*.*\\0";
    choice.lpstrFile = path;
    choice.nMaxFile = kFileFieldReadChars;
    choice.lpstrDefExt = L"txt";
    choice.lpstrTitle = L"The file the record is written to";
    // The file is written over every time: there is nothing to confirm.
    choice.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (GetSaveFileNameW(&choice))
        SetDlgItemTextW(dialog, IDC_RECORD_FILE, path);
}

void OnReset(HWND dialog)
{
    for (const NumberField& field : kNumberFields)
        SetDlgItemInt(dialog, field.id, 0, FALSE);
}

// False (and the dialog stays) when a number cannot be read.
bool ApplyFields(HWND dialog)
{
    RecordCounts counts = {};
    int wrong = 0;
    if (!ReadNumbers(dialog, &counts, &wrong)) {
        MessageBoxW(dialog, L"The record's numbers must be whole numbers.", L"Error", MB_OK);
        SetFocus(GetDlgItem(dialog, wrong));
        return false;
    }
    RecordPlaces places;
    ReadPlaces(dialog, &places);
    ReplaceRecord(counts, places);
    WriteRecordFileNow();
    return true;
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    if (HIWORD(wParam) == EN_CHANGE) {
        ShowPreview(dialog);
        return TRUE;
    }
    switch (id) {
    case IDC_RECORD_BROWSE:
        OnBrowse(dialog);
        return TRUE;
    case IDC_RECORD_RESET:
        OnReset(dialog);
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

INT_PTR CALLBACK RecordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND:    return OnCommand(dialog, wParam);
    default:            return FALSE;
    }
}

} // namespace

void ShowRecord(HWND owner)
{
    DialogBoxParamW(g_app.Instance, MAKEINTRESOURCEW(IDD_RECORD), owner, RecordDialogProc, 0);
}
