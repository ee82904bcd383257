// The one HTTP request of a run: the StarInfoData document from the patch
// information web server.
#pragma once
#include <windows.h>

// What the caller's receive buffer holds: 16383 body bytes and a terminator.
constexpr DWORD kPatchInfoBufferBytes = 16384;

constexpr DWORD kDownloadSucceeded = 0;
constexpr DWORD kDownloadFailed = 1;

// Fetches the document into `buffer` as a zero-terminated text and returns
// kDownloadSucceeded; or tells the user in a message box owned by the main
// window and returns kDownloadFailed once the box has been dismissed. Blocks
// the calling thread until then.
DWORD DownloadPatchInfo(char (&buffer)[kPatchInfoBufferBytes]);
