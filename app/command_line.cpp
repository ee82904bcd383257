#include "app/command_line.h"
#include <cwchar>

bool IsAutostartRequested(const wchar_t* arguments)
{
    return std::wcscmp(arguments, L"/autostart") == 0;
}
