// What Windows shows of each program: its manifest (themed controls,
// per-monitor DPI with the system's as the fallback, long paths), its
// version as CMakeLists.txt gives it, and its icon at every size Windows asks for.
#include "platform/win32/Windows.h"
#include "vantorix/version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vantorix {
namespace {

struct Program {
    const wchar_t* path;
    const char* description;
};

std::string Resource(HMODULE module, LPCWSTR type, LPCWSTR name) {
    const HRSRC found = ::FindResourceW(module, name, type);
    if (found == nullptr) return {};
    const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(module, found)));
    return bytes != nullptr ? std::string(bytes, ::SizeofResource(module, found)) : std::string();
}

std::string VersionString(const std::vector<char>& info, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!::VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) return {};
    return win32::Utf8(std::wstring(value, length > 0 ? length - 1 : 0));
}

TEST(ProgramResources, EachProgramHasItsManifestVersionAndIcon) {
    for (const Program& program : {Program{VANTORIX_PROGRAM_W, "Vantorix: skyboxes with Terragen"},
                                   Program{VANTORIX_EXPORT_W, "Vantorix export: skyboxes for engines and 3D tools"},
                                   Program{VANTORIX_TGSRENDER_W, "Vantorix's stand-in for Terragen"}}) {
        SCOPED_TRACE(win32::Utf8(program.path));
        const HMODULE module = ::LoadLibraryExW(program.path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module, nullptr);
        const std::string manifest = Resource(module, MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));
        for (const char* part : {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"", ">PerMonitorV2<",
                                 ">true</dpiAware>", ">true</longPathAware>"}) {
            EXPECT_NE(manifest.find(part), std::string::npos) << part;
        }
        // The icon Explorer shows: its group lists 16, 32, 48 and 256 pixels.
        const std::string group = Resource(module, MAKEINTRESOURCEW(14), MAKEINTRESOURCEW(1));
        ASSERT_GE(group.size(), 6u);
        std::vector<int> sizes;
        for (std::size_t entry = 6; entry + 14 <= group.size(); entry += 14) {
            const int side = static_cast<unsigned char>(group[entry]);
            sizes.push_back(side == 0 ? 256 : side);
        }
        std::sort(sizes.begin(), sizes.end());
        EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 256}));
        ::FreeLibrary(module);

        std::vector<char> info(::GetFileVersionInfoSizeW(program.path, nullptr));
        ASSERT_FALSE(info.empty());
        ASSERT_TRUE(::GetFileVersionInfoW(program.path, 0, static_cast<DWORD>(info.size()), info.data()));
        EXPECT_EQ(VersionString(info, L"ProductName"), "Vantorix");
        EXPECT_EQ(VersionString(info, L"ProductVersion"), VersionText);
        EXPECT_EQ(VersionString(info, L"FileVersion"), VersionText);
        EXPECT_EQ(VersionString(info, L"FileDescription"), program.description);
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(VersionMajor << 16 | VersionMinor));
        EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(VersionRevision << 16));
    }
}

}  // namespace
}  // namespace vantorix
