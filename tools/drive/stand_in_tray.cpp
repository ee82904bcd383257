#include "drive/stand_in_tray.h"

#include <shellapi.h>

#include <cstring>

#include "drive/child_process.h"

namespace {

constexpr wchar_t kTrayClass[] = L"Shell_TrayWnd";

// Wine 8.0's form of a request (see the header); offsets in bytes.
constexpr size_t kTipOffset = 16;
constexpr size_t kTipChars = 128;
constexpr size_t kVersionOffset = 16 + 256 + 8 + 512;
constexpr size_t kIconSizeOffset = kVersionOffset + 4 + 128 + 4 + 16;
constexpr size_t kRequestBytes = kIconSizeOffset + 16;

UINT ReadUint(const BYTE* bytes, size_t offset)
{
    UINT value;
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

} // namespace

StandInTray::~StandInTray()
{
    if (thread_.joinable()) {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
}

bool StandInTray::Start()
{
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (ready == nullptr)
        return false;
    thread_ = std::thread([this, ready] { Run(ready); });
    WaitForSingleObject(ready, 15000);
    CloseHandle(ready);
    return window_ != nullptr && FindWindowW(kTrayClass, nullptr) == window_;
}

void StandInTray::Run(HANDLE ready)
{
    threadId_ = GetCurrentThreadId();
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kTrayClass;
    RegisterClassW(&windowClass);  // fails harmlessly when a previous tray registered it
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kTrayClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
    if (window_ != nullptr)
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // The queue exists now, so the quit message cannot be lost.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(ready);
    if (window_ == nullptr)
        return;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    DestroyWindow(window_);
}

LRESULT CALLBACK StandInTray::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COPYDATA)
        return DefWindowProcW(window, message, wParam, lParam);
    auto* self = reinterpret_cast<StandInTray*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (self == nullptr || copy == nullptr)
        return FALSE;
    self->Receive(DWORD(copy->dwData), copy->lpData, copy->cbData);
    return TRUE;
}

void StandInTray::Receive(DWORD message, const void* data, DWORD size)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (data == nullptr || size < kRequestBytes) {
        ++unreadable_;
        return;
    }
    const BYTE* bytes = static_cast<const BYTE*>(data);
    TrayRequest request;
    request.message = message;
    request.window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(ReadUint(bytes, 0)));
    request.id = ReadUint(bytes, 4);
    request.flags = ReadUint(bytes, 8);
    request.callbackMessage = ReadUint(bytes, 12);
    wchar_t tip[kTipChars];
    std::memcpy(tip, bytes + kTipOffset, sizeof tip);
    tip[kTipChars - 1] = L'\0';
    request.tip = tip;
    request.version = ReadUint(bytes, kVersionOffset);
    if (request.flags & NIF_ICON) {
        request.iconWidth = ReadUint(bytes, kIconSizeOffset);
        request.iconHeight = ReadUint(bytes, kIconSizeOffset + 4);
    }
    requests_.push_back(request);

    TrayIconState* icon = nullptr;
    for (TrayIconState& held : icons_) {
        if (held.window == request.window && held.id == request.id)
            icon = &held;
    }
    switch (message) {
    case NIM_ADD:
        if (icon != nullptr)
            return;  // as the shell: a second add of the same icon fails
        icons_.push_back(TrayIconState{request.window, request.id, 0, L"", 0, false});
        icon = &icons_.back();
        break;
    case NIM_DELETE:
        for (size_t i = 0; i < icons_.size(); ++i) {
            if (&icons_[i] == icon) {
                icons_.erase(icons_.begin() + long(i));
                break;
            }
        }
        return;
    case NIM_SETVERSION:
        if (icon != nullptr)
            icon->version = request.version;
        return;
    case NIM_MODIFY:
        break;
    default:
        return;
    }
    if (icon == nullptr)
        return;
    if (request.flags & NIF_MESSAGE)
        icon->callbackMessage = request.callbackMessage;
    if (request.flags & NIF_TIP)
        icon->tip = request.tip;
    if (request.flags & NIF_ICON)
        icon->hasIcon = request.iconWidth > 0 && request.iconHeight > 0;
}

std::vector<TrayRequest> StandInTray::Requests() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
}

size_t StandInTray::UnreadableRequests() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return unreadable_;
}

// cppcheck-suppress constParameter ; HWND is an opaque handle, its target is not ours to qualify
bool StandInTray::IconOf(HWND window, TrayIconState* icon) const
{
    std::lock_guard<std::mutex> guard(lock_);
    for (const TrayIconState& held : icons_) {
        if (held.window == window) {
            *icon = held;
            return true;
        }
    }
    return false;
}

bool StandInTray::WaitForIcon(HWND window, DWORD timeoutMs) const
{
    TrayIconState icon;
    return WaitUntil([&] { return IconOf(window, &icon); }, timeoutMs);
}

bool StandInTray::WaitForTip(HWND window, const std::wstring& tip, DWORD timeoutMs) const
{
    TrayIconState icon;
    return WaitUntil([&] { return IconOf(window, &icon) && icon.tip == tip; }, timeoutMs);
}

bool StandInTray::WaitForNoIcon(HWND window, DWORD timeoutMs) const
{
    TrayIconState icon;
    return WaitUntil([&] { return !IconOf(window, &icon); }, timeoutMs);
}

// As Explorer does: SendNotifyMessage, so a program that is busy does not
// hold the shell up. Version 4 gives the point in wParam and the event and
// the icon's id in lParam; the older form the id and the mouse message.
bool StandInTray::Notify(HWND window, UINT event) const
{
    TrayIconState icon;
    if (!IconOf(window, &icon) || icon.callbackMessage == 0)
        return false;
    if (icon.version >= NOTIFYICON_VERSION_4) {
        constexpr int kX = 1200, kY = 1000;  // where the notification area is, bottom right
        return SendNotifyMessageW(window, icon.callbackMessage, MAKEWPARAM(kX, kY), MAKELPARAM(event, icon.id)) != FALSE;
    }
    if (event == NIN_SELECT || event == WM_CONTEXTMENU)
        return true;  // the older form has the mouse messages alone
    return SendNotifyMessageW(window, icon.callbackMessage, icon.id, event) != FALSE;
}

bool StandInTray::Click(HWND window) const
{
    // What the shell sends for a click, in order.
    return Notify(window, WM_LBUTTONDOWN) && Notify(window, WM_LBUTTONUP) && Notify(window, NIN_SELECT);
}

bool StandInTray::RightClick(HWND window) const
{
    return Notify(window, WM_RBUTTONDOWN) && Notify(window, WM_RBUTTONUP) && Notify(window, WM_CONTEXTMENU);
}
