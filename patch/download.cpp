// The patch table is fetched from the web at every start with one plain GET;
// there is no cached copy, so a failure is the user's to know about and the
// program cannot go on (the loader closes it).
#include "patch/download.h"

#include <winhttp.h>
#include <cstdlib>
#include <cwchar>

#include "app/app_state.h"
#include "patch_server.h"

namespace {

constexpr wchar_t kUserAgent[] = L"Kestrelcue/1.0";
constexpr wchar_t kPatchInfoPath[] = L"/staff/Tamsworth/StarInfoData.xml";
constexpr int kHttpOk = 200;
// Room for a three-digit status code: 8 UTF-16 units, 16 bytes.
constexpr DWORD kStatusTextChars = 8;

constexpr wchar_t kFailurePrefix[] = L"Failed to download StarCraft 2 patch information: Couldn't connect to ";
constexpr int kFailureTextChars = 512;
static_assert(sizeof kFailurePrefix / sizeof(wchar_t) + sizeof kPatchInfoHost / sizeof(wchar_t) + 1 <= kFailureTextChars,
              "the failure text must hold the whole host name");

// The same words whichever step failed: the user can do nothing different.
void ShowDownloadFailure()
{
    wchar_t text[kFailureTextChars];
    std::swprintf(text, kFailureTextChars, L"%ls%ls.", kFailurePrefix, kPatchInfoHost);
    text[kFailureTextChars - 1] = L'\0';
    MessageBoxW(g_app.MainDialog, text, L"Error", MB_OK | MB_ICONWARNING);
}

bool IsStatusOk(HINTERNET request)
{
    wchar_t status[kStatusTextChars] = {};
    DWORD statusBytes = sizeof status;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE, WINHTTP_HEADER_NAME_BY_INDEX, status,
                             &statusBytes, WINHTTP_NO_HEADER_INDEX))
        return false;
    status[kStatusTextChars - 1] = L'\0';
    return _wtoi(status) == kHttpOk;
}

// Reads the body portion by portion. A portion that would leave no room for
// the terminator is not read, and neither is anything after it: the text is
// what came before. The test is made before each read, so no read can write
// past the buffer.
bool ReadBody(HINTERNET request, char (&buffer)[kPatchInfoBufferBytes])
{
    DWORD kept = 0;
    DWORD available = 0;
    do {
        available = 0;
        if (!WinHttpQueryDataAvailable(request, &available))
            return false;
        // Written as a subtraction: kept + available could wrap around.
        if (available >= kPatchInfoBufferBytes - kept)
            break;
        DWORD stored = 0;
        if (!WinHttpReadData(request, buffer + kept, available, &stored))
            return false;
        if (stored == 0)
            available = 0;
        kept += stored;
    } while (available != 0);
    buffer[kept] = '\0';
    return true;
}

bool FetchInto(HINTERNET request, char (&buffer)[kPatchInfoBufferBytes])
{
    return WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
           WinHttpReceiveResponse(request, nullptr) && IsStatusOk(request) && ReadBody(request, buffer);
}

} // namespace

DWORD DownloadPatchInfo(char (&buffer)[kPatchInfoBufferBytes])
{
    HINTERNET session = WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    if (session != nullptr)
        connection = WinHttpConnect(session, kPatchInfoHost, kPatchInfoPort, 0);
    if (connection != nullptr)
        request = WinHttpOpenRequest(connection, L"GET", kPatchInfoPath, nullptr, WINHTTP_NO_REFERER,
                                     WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_REFRESH);
    const bool fetched = request != nullptr && FetchInto(request, buffer);
    // One way out for every outcome: the box first, then the handles in the
    // reverse order of their opening.
    if (!fetched)
        ShowDownloadFailure();
    if (request != nullptr)
        WinHttpCloseHandle(request);
    if (connection != nullptr)
        WinHttpCloseHandle(connection);
    if (session != nullptr)
        WinHttpCloseHandle(session);
    return fetched ? kDownloadSucceeded : kDownloadFailed;
}
