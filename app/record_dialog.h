// The "Record" dialog, opened from the main window's system menu: where the
// session's record shows (a file, an OBS text source, the format), and its
// numbers, to reset or to set by hand (yesterday's session continued, a
// miscount mended).
#pragma once
#include <windows.h>

// Modal, owned by the main window, open to use while the worker runs: OK
// stores the numbers at once and writes the file; OBS's source follows at
// the worker's next sample. Cancel, Escape and the close box keep all. A file
// not named by its full path is refused, and the dialog stays.
void ShowRecord(HWND owner);

// The file types Browse offers, as the open-file dialog takes them: a name
// and its pattern, each ended by a NUL, the list by one more.
const wchar_t* RecordFileTypes();
