// The built tavelin.exe as a file: its imports, header flags, version record and manifest.

#include <gtest/gtest.h>
#include <windows.h>
#include <imagehlp.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/pe_image.h"
#include "win/handles.h"
#include "version.h"

namespace {

std::wstring ExePath() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self);
    return dir.substr(0, dir.find_last_of(L'\\')) + L"\\tavelin.exe";
}

std::vector<char> ReadFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

// The import directory, read straight from the file's headers: each DLL's name (lower case) with
// the names of the functions imported from it.
std::map<std::string, std::set<std::string>> Imports(const std::vector<char>& file) {
    std::map<std::string, std::set<std::string>> imports;
    for (const auto& import : test_support::ImportsByName(test_support::FileImage(file))) {
        imports[import.dll].insert(import.function);
    }
    return imports;
}

std::vector<std::string> ImportedDlls(const std::vector<char>& file) {
    std::vector<std::string> names;
    for (const auto& [dll, functions] : Imports(file)) names.push_back(dll);
    return names;
}

// The loader resolves static imports, and their own imports, before any code of the program
// runs, looking in the program's folder first (the removable drive when it runs from there).
// Only DLLs that the loader always takes from System32 and that pull in nothing from elsewhere
// may be imported; everything else is loaded after the DLL search has been restricted.
TEST(TavelinExe, ImportsOnlyWhatTheLoaderTakesFromSystem32) {
    const std::vector<char> file = ReadFile(ExePath());
    ASSERT_GT(file.size(), 1024u) << "tavelin.exe not found beside the test";
    const auto imports = Imports(file);
    EXPECT_EQ(ImportedDlls(file),
              (std::vector<std::string>{"gdi32.dll", "kernel32.dll", "msvcrt.dll", "user32.dll"}));
    // Ghosting would freeze the wait window's clip during a long flush.
    ASSERT_TRUE(imports.count("user32.dll"));
    EXPECT_TRUE(imports.at("user32.dll").count("DisableProcessWindowsGhosting"));
    // Paths reach the system as UTF-16, never through an ANSI conversion.
    ASSERT_TRUE(imports.count("kernel32.dll"));
    EXPECT_TRUE(imports.at("kernel32.dll").count("CreateFileW"));
    EXPECT_FALSE(imports.at("kernel32.dll").count("CreateFileA"));
}

TEST(TavelinExe, GuiSubsystemAndStaticRuntime) {
    const std::vector<char> file = ReadFile(ExePath());
    ASSERT_GT(file.size(), 1024u);
    const IMAGE_NT_HEADERS64 nt = test_support::NtHeaders(test_support::FileImage(file));
    EXPECT_EQ(nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    EXPECT_EQ(nt.FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
    for (const std::string& dll : ImportedDlls(file)) {
        EXPECT_EQ(dll.find("libstdc++"), std::string::npos);
        EXPECT_EQ(dll.find("libgcc"), std::string::npos);
        EXPECT_EQ(dll.find("winpthread"), std::string::npos);
    }
}

// Run from a stick that is pulled while the result is shown, the image must not need the stick
// again: the loader copies it to the page file only when the flag is set, and a checksum that
// no longer matches the header marks a damaged file. The reproducible build needs no link time.
TEST(TavelinExe, RunsFromSwapWithValidChecksumAndNoTimeStamp) {
    const std::vector<char> file = ReadFile(ExePath());
    ASSERT_GT(file.size(), 1024u);
    const IMAGE_NT_HEADERS64 nt = test_support::NtHeaders(test_support::FileImage(file));
    EXPECT_TRUE(nt.FileHeader.Characteristics & IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP);
    EXPECT_TRUE(nt.FileHeader.Characteristics & IMAGE_FILE_EXECUTABLE_IMAGE);
    EXPECT_EQ(nt.FileHeader.TimeDateStamp, 0u);

    DWORD inHeader = 0, computed = 0;
    std::wstring path = ExePath();
    ASSERT_EQ(MapFileAndCheckSumW(path.data(), &inHeader, &computed), CHECKSUM_SUCCESS);
    EXPECT_EQ(inHeader, nt.OptionalHeader.CheckSum);
    EXPECT_NE(inHeader, 0u) << "no checksum in the header";
    EXPECT_EQ(inHeader, computed) << "the header's checksum does not match the file";
}

class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        module_.reset(
            LoadLibraryExW(ExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(module_);
    }

    std::string Resource(LPCWSTR type, LPCWSTR name) {
        HRSRC r = FindResourceW(module_.get(), name, type);
        if (!r) return {};
        const char* data = static_cast<const char*>(LockResource(LoadResource(module_.get(), r)));
        return std::string(data, SizeofResource(module_.get(), r));
    }
    win::UniqueModule module_;
};

TEST_F(Resources, VersionRecordIsTheBuildsVersion) {
    const std::string version = Resource(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO));
    ASSERT_GE(version.size(), 40u + sizeof(VS_FIXEDFILEINFO));
    const size_t at = version.find("\xBD\x04\xEF\xFE");  // VS_FIXEDFILEINFO signature
    ASSERT_NE(at, std::string::npos);
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, version.data() + at, sizeof info);
    const DWORD high = MAKELONG(TAVELIN_VERSION_MINOR, TAVELIN_VERSION_MAJOR);
    const DWORD low = MAKELONG(0, TAVELIN_VERSION_PATCH);
    EXPECT_EQ(info.dwFileVersionMS, high);
    EXPECT_EQ(info.dwFileVersionLS, low);
    EXPECT_EQ(info.dwProductVersionMS, high);
    EXPECT_EQ(info.dwProductVersionLS, low);
}

TEST_F(Resources, ManifestAsksForAdminCommonControlsAndDpiAwareness) {
    const std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos) << "Windows 10/11";
    EXPECT_NE(manifest.find("{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"), std::string::npos) << "Windows 7";
}

TEST_F(Resources, IconHasBothImages) {
    const std::string group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_GE(group.size(), 6u + 2 * 14u);
    const auto count = static_cast<unsigned char>(group[4]);
    EXPECT_EQ(count, 2);
    bool small16 = false, large256 = false;
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* e = reinterpret_cast<const unsigned char*>(group.data() + 6 + i * 14);
        const int width = e[0], height = e[1], bits = e[6] | (e[7] << 8);
        if (width == 16 && height == 16 && bits == 4) small16 = true;
        if (width == 32 && height == 32 && bits == 8) large256 = true;
    }
    EXPECT_TRUE(small16) << "16x16 in 16 colours";
    EXPECT_TRUE(large256) << "32x32 in 256 colours";
}

}  // namespace
