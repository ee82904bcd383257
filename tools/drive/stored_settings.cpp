#include "drive/stored_settings.h"

#include "drive/program.h"

namespace {

// Room for any value the tests store or the program saves.
constexpr DWORD kValueNameChars = 256;

} // namespace

bool ReadStoredValue(const wchar_t* name, StoredValue* value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = REG_NONE;
    DWORD size = 0;
    bool found = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (found) {
        value->type = type;
        value->bytes.assign(size, 0);
        found = RegQueryValueExW(key, name, nullptr, &type, value->bytes.data(), &size) == ERROR_SUCCESS;
        value->bytes.resize(size);
    }
    RegCloseKey(key);
    return found;
}

std::vector<std::wstring> StoredValueNames()
{
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kValueNameChars] = {};
        DWORD nameChars = kValueNameChars;
        if (RegEnumValueW(key, index, name, &nameChars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        name[kValueNameChars - 1] = L'\0';
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

bool WriteStoredValue(const wchar_t* name, DWORD type, const std::vector<BYTE>& bytes)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    // Given a string type, the registry (Windows and Wine alike) appends a
    // terminator that the size left out when one follows in memory. Non-zero
    // bytes after the data keep the value exactly as given.
    std::vector<BYTE> data = bytes;
    data.insert(data.end(), 4, 0xFF);
    const bool written =
        RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}

bool WriteStoredString(const wchar_t* name, const std::wstring& text)
{
    return WriteStoredValue(name, REG_SZ, TerminatedTextBytes(text));
}

bool WriteStoredDword(const wchar_t* name, DWORD number)
{
    return WriteStoredValue(name, REG_DWORD, DwordBytes(number));
}

std::vector<BYTE> TextBytes(const std::wstring& text)
{
    const BYTE* first = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(first, first + text.size() * sizeof(wchar_t));
}

std::vector<BYTE> TerminatedTextBytes(const std::wstring& text)
{
    std::vector<BYTE> bytes = TextBytes(text);
    bytes.insert(bytes.end(), sizeof(wchar_t), 0);
    return bytes;
}

std::vector<BYTE> DwordBytes(DWORD number)
{
    const BYTE* first = reinterpret_cast<const BYTE*>(&number);
    return std::vector<BYTE>(first, first + sizeof number);
}

std::wstring AlphabetText(size_t length, wchar_t first)
{
    std::wstring text;
    for (size_t i = 0; i < length; ++i)
        text += static_cast<wchar_t>(L'a' + (first - L'a' + i) % 26);
    return text;
}
