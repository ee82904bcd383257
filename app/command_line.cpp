#include "app/command_line.h"
#include <cwchar>

namespace {
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
}

const wchar_t* CommandLineAfterProgramName(const wchar_t* commandLine)
{
    const wchar_t* p = commandLine;
    if (*p == L'"') {
        ++p;
        while (*p != L'\0' && *p != L'"')
            ++p;
        if (*p == L'"')
            ++p;
    } else {
        while (*p != L'\0' && !IsBlank(*p))
            ++p;
    }
    while (IsBlank(*p))
        ++p;
    return p;
}

bool IsAutostartRequested(const wchar_t* arguments)
{
    return std::wcscmp(arguments, L"/autostart") == 0;
}
