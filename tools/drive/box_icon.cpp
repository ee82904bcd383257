#include "drive/box_icon.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kClassNameChars = 16;

BOOL CALLBACK FindIconControl(HWND child, LPARAM context)
{
    wchar_t className[kClassNameChars] = {};
    GetClassNameW(child, className, kClassNameChars);
    if (lstrcmpiW(className, L"Static") == 0 && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        IsWindowVisible(child)) {
        *reinterpret_cast<HWND*>(context) = child;
        return FALSE;
    }
    return TRUE;
}

// The pixels of a rectangle of a device context, as 32-bit values.
std::vector<DWORD> CapturePixels(HDC source, int x, int y, int width, int height)
{
    std::vector<DWORD> pixels(size_t(width) * size_t(height));
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
        GdiFlush();
        std::memcpy(pixels.data(), bits, pixels.size() * sizeof(DWORD));
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    return pixels;
}

// A system icon drawn as the box would draw it, on the given background.
std::vector<DWORD> RenderIcon(LPCWSTR iconName, int width, int height, DWORD background)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF));
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, LoadIconW(nullptr, iconName), width, height, 0, nullptr, DI_NORMAL);
    std::vector<DWORD> pixels = CapturePixels(memory, 0, 0, width, height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

long long Distance(const std::vector<DWORD>& a, const std::vector<DWORD>& b)
{
    long long sum = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            sum += std::abs(int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF));
    return sum;
}

} // namespace

BoxIcon ShownBoxIcon(HWND box)
{
    HWND iconControl = nullptr;
    EnumChildWindows(box, FindIconControl, reinterpret_cast<LPARAM>(&iconControl));
    if (iconControl == nullptr)
        return BoxIcon::None;
    RECT area;
    GetWindowRect(iconControl, &area);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return BoxIcon::None;
    HDC screen = GetDC(nullptr);
    const std::vector<DWORD> shown = CapturePixels(screen, area.left, area.top, width, height);
    ReleaseDC(nullptr, screen);

    const struct {
        LPCWSTR name;
        BoxIcon icon;
    } candidates[] = {{IDI_HAND, BoxIcon::Error}, {IDI_QUESTION, BoxIcon::Question},
                      {IDI_EXCLAMATION, BoxIcon::Warning}, {IDI_ASTERISK, BoxIcon::Information}};
    // The corner is background in every system icon; an area of that colour
    // alone shows none (or not yet).
    const DWORD background = shown[0] & 0xFFFFFF;
    bool blank = true;
    for (DWORD pixel : shown)
        blank = blank && (pixel & 0xFFFFFF) == background;
    if (blank)
        return BoxIcon::None;
    BoxIcon best = BoxIcon::Unclear;
    long long bestDistance = -1;
    long long secondDistance = -1;
    for (const auto& candidate : candidates) {
        const long long distance = Distance(shown, RenderIcon(candidate.name, width, height, background));
        if (bestDistance < 0 || distance < bestDistance) {
            secondDistance = bestDistance;
            bestDistance = distance;
            best = candidate.icon;
        } else if (secondDistance < 0 || distance < secondDistance) {
            secondDistance = distance;
        }
    }
    // A match must stand out, not merely come first among bad ones.
    return bestDistance * 4 < secondDistance ? best : BoxIcon::Unclear;
}

const char* BoxIconName(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::None:        return "no icon";
    case BoxIcon::Error:       return "error icon";
    case BoxIcon::Question:    return "question icon";
    case BoxIcon::Warning:     return "warning icon";
    case BoxIcon::Information: return "information icon";
    case BoxIcon::Unclear:     return "an icon that is none of the system icons";
    }
    return "?";
}
