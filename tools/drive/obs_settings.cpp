#include "drive/obs_settings.h"

#include <wincrypt.h>

#include "drive/stored_settings.h"

std::vector<BYTE> ProtectedBytes(const std::wstring& password)
{
    DATA_BLOB plain = {DWORD(password.size() * sizeof(wchar_t)),
                       reinterpret_cast<BYTE*>(const_cast<wchar_t*>(password.data()))};
    DATA_BLOB sealed = {0, nullptr};
    std::vector<BYTE> bytes;
    if (CryptProtectData(&plain, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &sealed)) {
        bytes.assign(sealed.pbData, sealed.pbData + sealed.cbData);
        LocalFree(sealed.pbData);
    }
    return bytes;
}

bool UnprotectedText(const std::vector<BYTE>& bytes, std::wstring* text)
{
    DATA_BLOB sealed = {DWORD(bytes.size()), const_cast<BYTE*>(bytes.data())};
    DATA_BLOB plain = {0, nullptr};
    if (bytes.empty() || !CryptUnprotectData(&sealed, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &plain))
        return false;
    text->assign(reinterpret_cast<const wchar_t*>(plain.pbData), plain.cbData / sizeof(wchar_t));
    LocalFree(plain.pbData);
    return true;
}

bool StoreObsChosen(const std::wstring& host, DWORD port, const std::wstring& password)
{
    bool stored = WriteStoredDword(L"Scene Program", 1) && WriteStoredString(L"OBS Host", host) &&
                  WriteStoredDword(L"OBS Port", port);
    if (!password.empty())
        stored = stored && WriteStoredValue(L"OBS Password", REG_BINARY, ProtectedBytes(password));
    return stored;
}
