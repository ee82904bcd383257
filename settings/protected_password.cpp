#include "settings/protected_password.h"

#include <wincrypt.h>

#include <cwchar>

bool ProtectPassword(const wchar_t* password, std::vector<BYTE>* stored)
{
    stored->clear();
    const size_t units = wcsnlen(password, kObsPasswordChars - 1);
    if (units == 0)
        return true;
    DATA_BLOB plain = {DWORD(units * sizeof(wchar_t)),
                       reinterpret_cast<BYTE*>(const_cast<wchar_t*>(password))};
    DATA_BLOB sealed = {0, nullptr};
    if (!CryptProtectData(&plain, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &sealed))
        return false;
    stored->assign(sealed.pbData, sealed.pbData + sealed.cbData);
    LocalFree(sealed.pbData);
    return true;
}

void UnprotectPassword(const BYTE* stored, DWORD size, wchar_t (&password)[kObsPasswordChars])
{
    password[0] = L'\0';
    if (stored == nullptr || size == 0 || size > kProtectedPasswordLimitBytes)
        return;
    DATA_BLOB sealed = {size, const_cast<BYTE*>(stored)};
    DATA_BLOB plain = {0, nullptr};
    if (!CryptUnprotectData(&sealed, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &plain))
        return;
    const size_t units = plain.cbData / sizeof(wchar_t) < size_t(kObsPasswordChars - 1)
                             ? plain.cbData / sizeof(wchar_t)
                             : size_t(kObsPasswordChars - 1);
    std::wmemcpy(password, reinterpret_cast<const wchar_t*>(plain.pbData), units);
    password[units] = L'\0';
    SecureZeroMemory(plain.pbData, plain.cbData);
    LocalFree(plain.pbData);
}
