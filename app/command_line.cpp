#include "app/command_line.h"
#include <cwchar>

namespace {

constexpr wchar_t kInstanceSwitch[] = L"/instance:";

bool IsInstanceNameChar(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' ||
           c == L'_';
}

} // namespace

bool IsAutostartRequested(const wchar_t* arguments)
{
    return std::wcscmp(arguments, L"/autostart") == 0;
}

const wchar_t* SkipInstanceName(const wchar_t* arguments, wchar_t (&name)[kInstanceNameChars])
{
    name[0] = L'\0';
    const size_t switchChars = std::wcslen(kInstanceSwitch);
    if (std::wcsncmp(arguments, kInstanceSwitch, switchChars) != 0)
        return arguments;
    const wchar_t* p = arguments + switchChars;
    int length = 0;
    while (IsInstanceNameChar(p[length])) {
        if (length == kInstanceNameChars - 1)
            return arguments;
        ++length;
    }
    if (length == 0 || (p[length] != L'\0' && p[length] != L' '))
        return arguments;
    std::wmemcpy(name, p, size_t(length));
    name[length] = L'\0';
    return p[length] == L' ' ? p + length + 1 : p + length;
}
