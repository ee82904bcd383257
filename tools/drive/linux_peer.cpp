#include "drive/linux_peer.h"

#include "drive/child_process.h"

namespace {

bool StartWinsock()
{
    static const bool started = [] {
        WSADATA winsock;
        return WSAStartup(MAKEWORD(2, 2), &winsock) == 0;
    }();
    return started;
}

std::wstring Wide(const std::string& utf8)
{
    if (utf8.empty())
        return {};
    const int chars = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring text(chars > 0 ? chars : 0, L'\0');
    if (chars > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), &text[0], chars);
    return text;
}

SOCKET Failed(std::string* error, const std::string& reason)
{
    *error = reason;
    return INVALID_SOCKET;
}

} // namespace

// Wine's own export; it allocates its answer on the process heap.
using WineGetUnixFileName = char*(CDECL*)(LPCWSTR);

std::string UnixPath(const std::wstring& windowsPath)
{
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    // Through void*: GCC warns of a cast between function types.
    void* found =
        kernel32 == nullptr ? nullptr : reinterpret_cast<void*>(GetProcAddress(kernel32, "wine_get_unix_file_name"));
    if (found == nullptr)
        return {};
    char* path = reinterpret_cast<WineGetUnixFileName>(found)(windowsPath.c_str());
    if (path == nullptr)
        return {};
    std::string linuxPath = path;
    HeapFree(GetProcessHeap(), 0, path);
    return linuxPath;
}

SOCKET ConnectLinuxPeer(const std::wstring& scriptName, const std::wstring& folder, DWORD connectMs,
                        std::string* error)
{
    if (!StartWinsock())
        return Failed(error, "WSAStartup failed");
    const std::string unixFolder = UnixPath(folder);
    if (unixFolder.empty())
        return Failed(error, "no Linux path for the folder (is this Wine?)");
    const std::wstring script = BinaryPath(scriptName);
    if (GetFileAttributesW(script.c_str()) == INVALID_FILE_ATTRIBUTES)
        return Failed(error, std::string(scriptName.begin(), scriptName.end()) + " is not beside the test executable");

    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET)
        return Failed(error, "socket failed with error " + std::to_string(WSAGetLastError()));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    bool ok = bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
              listen(listener, 1) == 0 &&
              getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    if (!ok)
        *error = "listening for the controller failed with error " + std::to_string(WSAGetLastError());

    if (ok) {
        // The controller takes the folder's Linux path; Wine hands the
        // command line on in UTF-8.
        const std::wstring port = std::to_wstring(ntohs(address.sin_port));
        std::wstring commandLine =
            QuoteArgument(script) + L" serve " + QuoteArgument(Wide(unixFolder)) + L" " + port;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        ok = CreateProcessW(script.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &info) != FALSE;
        if (!ok) {
            *error = "starting the controller failed with error " + std::to_string(GetLastError());
        } else {
            // Wine hands back no handles for a Linux program; close any.
            if (info.hThread != nullptr)
                CloseHandle(info.hThread);
            if (info.hProcess != nullptr)
                CloseHandle(info.hProcess);
        }
    }
    SOCKET control = INVALID_SOCKET;
    if (ok) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener, &readable);
        timeval limit = {long(connectMs / 1000), long(connectMs % 1000) * 1000};
        if (select(0, &readable, nullptr, nullptr, &limit) != 1)
            *error = "the controller did not connect back within " + std::to_string(connectMs / 1000) +
                     " s; its log is " + unixFolder + "/peer.log";
        else if ((control = accept(listener, nullptr, nullptr)) == INVALID_SOCKET)
            *error = "accepting the controller failed with error " + std::to_string(WSAGetLastError());
    }
    closesocket(listener);
    return control;
}
