#include "drive/screenshot.h"

#include <vector>

bool SaveWindowPicture(HWND window, const std::wstring& bmpPath)
{
    return SaveWindowsPicture({window}, bmpPath);
}

bool SaveWindowsPicture(const std::vector<HWND>& windows, const std::wstring& bmpPath)
{
    // What is on the screen is only as fresh as the window's last paint.
    RECT rect = {};
    for (HWND window : windows) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        RECT one;
        if (!GetWindowRect(window, &one))
            return false;
        UnionRect(&rect, &rect, &one);
    }
    Sleep(300);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD rowBytes = DWORD((width * 3 + 3) & ~3);
    std::vector<BYTE> pixels(size_t(rowBytes) * size_t(height));
    GetDIBits(memory, bitmap, 0, UINT(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + DWORD(pixels.size());
    HANDLE file = CreateFileW(bmpPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, &header, sizeof header, &written, nullptr) &&
              WriteFile(file, &info, sizeof info, &written, nullptr) &&
              WriteFile(file, pixels.data(), DWORD(pixels.size()), &written, nullptr);
    CloseHandle(file);
    return ok;
}
