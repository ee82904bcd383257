#include "app/app_state.h"

AppState g_app;

bool IsGameApiHostRemote(const wchar_t* host)
{
    // The names of this computer that a streamer may type; anything else,
    // other loopback addresses included, is taken for another computer.
    const wchar_t* const kThisComputer[] = {L"", L"127.0.0.1", L"localhost", L"::1", L"[::1]"};
    for (const wchar_t* name : kThisComputer) {
        if (CompareStringOrdinal(host, -1, name, -1, TRUE) == CSTR_EQUAL)
            return false;
    }
    return true;
}
