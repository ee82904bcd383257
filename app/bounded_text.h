// Copying a text into a buffer of fixed size: cut to what fits, and always
// terminated.
#pragma once
#include <cstddef>
#include <cwchar>

template <size_t N>
void CopyCut(wchar_t (&to)[N], const wchar_t* from)
{
    static_assert(N > 0, "room for the terminator at least");
    const size_t units = wcsnlen(from, N - 1);
    std::wmemcpy(to, from, units);
    to[units] = L'\0';
}
