// The program's own icon: the exe's first icon (the one Explorer shows)
// holds every size Windows asks for. (That the windows carry it cannot be
// seen from another process under Wine 8: WM_GETICON sent across processes
// answers null even for a window whose icon is set. The tray tests see the
// icon the shell is given.)
#include <gtest/gtest.h>

#include <windows.h>

#include <set>

#include "drive/child_process.h"

namespace {

#pragma pack(push, 2)
// An icon group as the resource stores it.
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitsPerPixel;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

BOOL CALLBACK TakeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found)
{
    *reinterpret_cast<LPWSTR*>(found) = name;
    return FALSE;
}

TEST(ProgramIconTest, TheExesFirstIconHoldsEverySizeInFullColour)
{
    HMODULE exe = LoadLibraryExW(BinaryPath(L"Kestrelcue.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    LPWSTR first = nullptr;
    EnumResourceNamesW(exe, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, TakeFirstName, reinterpret_cast<LONG_PTR>(&first));
    ASSERT_NE(first, nullptr) << "the exe has no icon";
    HRSRC found = FindResourceW(exe, first, MAKEINTRESOURCEW(14));
    ASSERT_NE(found, nullptr);
    const auto* header = static_cast<const GroupIconHeader*>(LockResource(LoadResource(exe, found)));
    ASSERT_NE(header, nullptr);
    ASSERT_GE(SizeofResource(exe, found), sizeof(GroupIconHeader) + header->count * sizeof(GroupIconEntry));
    const auto* entries = reinterpret_cast<const GroupIconEntry*>(header + 1);
    std::set<int> sizes;
    for (WORD i = 0; i < header->count; ++i) {
        // 0 stands for 256, which a byte cannot hold.
        const int width = entries[i].width == 0 ? 256 : entries[i].width;
        const int height = entries[i].height == 0 ? 256 : entries[i].height;
        EXPECT_EQ(width, height);
        EXPECT_EQ(entries[i].bitsPerPixel, 32) << width << " pixels";
        sizes.insert(width);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 24, 32, 48, 64, 128, 256}));
    FreeLibrary(exe);
}

} // namespace
