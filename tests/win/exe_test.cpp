// The built tavelin.exe as a file: its imports, header flags, sections, relocations, version
// record and manifest; what binary scanners check of it (Control Flow Guard and CET shadow-stack
// compatibility among them, with the link's map beside it), and the build's compile commands.
//
// TAVELIN_AUDITED_EXE (a Windows path) names another tavelin.exe to read, such as a signed
// release's: `tavelin_win_tests --gtest_filter=TavelinExe.*:Resources.*`.

#include <gtest/gtest.h>
#include <windows.h>
#include <imagehlp.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/pe_image.h"
#include "win/handles.h"
#include "version.h"

namespace {

// The build's folder: this test's own.
std::wstring BuildFolder() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring ExePath() {
    if (const wchar_t* audited = _wgetenv(L"TAVELIN_AUDITED_EXE"); audited && *audited) return audited;
    return BuildFolder() + L"\\tavelin.exe";
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

// Where the loader puts the image and what it lets run there, as Windows binary scanners check
// it: anywhere (ASLR), above 4 GB and with 64-bit randomness, and its data never as code (DEP).
TEST(TavelinExe, LoadsAnywhereHighWithDataNeverRun) {
    const std::vector<char> file = ReadFile(ExePath());
    ASSERT_GT(file.size(), 1024u);
    const auto image = test_support::FileImage(file);
    const IMAGE_NT_HEADERS64 nt = test_support::NtHeaders(image);
    const WORD dll = nt.OptionalHeader.DllCharacteristics;
    EXPECT_TRUE(dll & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE) << "ASLR";
    EXPECT_TRUE(dll & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA) << "64-bit ASLR";
    EXPECT_TRUE(dll & IMAGE_DLLCHARACTERISTICS_NX_COMPAT) << "DEP";
    EXPECT_TRUE(nt.FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE) << "64-bit ASLR needs it";
    EXPECT_GT(nt.OptionalHeader.ImageBase, 0xFFFFFFFFULL);
    // Without its relocations the loader cannot move the image, whatever the flag says.
    EXPECT_FALSE(nt.FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
    EXPECT_GT(test_support::BaseRelocationsByType(image)[IMAGE_REL_BASED_DIR64], 0u);
}

TEST(TavelinExe, NoSectionBothWritableAndExecutableOrSharedAndWritable) {
    const std::vector<char> file = ReadFile(ExePath());
    ASSERT_GT(file.size(), 1024u);
    int executable = 0;
    for (const IMAGE_SECTION_HEADER& section : test_support::Sections(test_support::FileImage(file))) {
        const DWORD c = section.Characteristics;
        const bool writable = c & IMAGE_SCN_MEM_WRITE;
        EXPECT_FALSE(writable && (c & IMAGE_SCN_MEM_EXECUTE)) << test_support::SectionName(section);
        EXPECT_FALSE(writable && (c & IMAGE_SCN_MEM_SHARED)) << test_support::SectionName(section);
        if (c & IMAGE_SCN_MEM_EXECUTE) ++executable;
    }
    EXPECT_EQ(executable, 1) << "the code, in one section";
}

// Control Flow Guard as Windows reads it (BinSkim's BA2008). The header asks for it; the load
// configuration is there, of a size the loader of Windows 10 1809 and later reads the guard fields
// from, and says the code is instrumented and has a function table; the table is non-empty,
// sorted (the loader searches it) and names only code; the two pointers the instrumented calls
// go through lie in the image's read-only data, where the loader alone writes them.
constexpr DWORD kGuardCfInstrumented = 0x00000100;        // IMAGE_GUARD_CF_INSTRUMENTED
constexpr DWORD kGuardCfFunctionTablePresent = 0x00000400; // IMAGE_GUARD_CF_FUNCTION_TABLE_PRESENT
constexpr DWORD kGuardCfTableStrideMask = 0xF0000000;      // IMAGE_GUARD_CF_FUNCTION_TABLE_SIZE_MASK
// The fields of IMAGE_LOAD_CONFIG_DIRECTORY64 that the audit reads (MinGW-w64 10's structure ends
// before them).
constexpr DWORD kGuardCheckPointerAt = 0x70, kGuardDispatchPointerAt = 0x78, kGuardTableAt = 0x80,
                kGuardCountAt = 0x88, kGuardFlagsAt = 0x90, kLoadConfigSizeSince1809 = 0x118;

struct Guard {
    DWORD flags = 0;
    std::vector<DWORD> functions;  // RVAs, in the table's order
    ULONGLONG checkPointer = 0, dispatchPointer = 0;
};

// The load configuration's guard fields and function table, read as the loader reads them.
Guard ReadGuard(const test_support::ImageReader& at, const IMAGE_NT_HEADERS64& nt) {
    const IMAGE_DATA_DIRECTORY directory = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG];
    Guard guard;
    const auto size = test_support::ReadAt<DWORD>(at, directory.VirtualAddress);
    if (size < kGuardFlagsAt + sizeof(DWORD)) return guard;
    guard.flags = test_support::ReadAt<DWORD>(at, directory.VirtualAddress + kGuardFlagsAt);
    guard.checkPointer = test_support::ReadAt<ULONGLONG>(at, directory.VirtualAddress + kGuardCheckPointerAt);
    guard.dispatchPointer = test_support::ReadAt<ULONGLONG>(at, directory.VirtualAddress + kGuardDispatchPointerAt);
    const auto table = test_support::ReadAt<ULONGLONG>(at, directory.VirtualAddress + kGuardTableAt);
    const auto count = test_support::ReadAt<ULONGLONG>(at, directory.VirtualAddress + kGuardCountAt);
    // Each entry: an RVA, then as many bytes of its own flags as the stride field says.
    const DWORD stride = sizeof(DWORD) + ((guard.flags & kGuardCfTableStrideMask) >> 28);
    if (!table || count > 1000000) return guard;
    const auto tableRva = static_cast<DWORD>(table - nt.OptionalHeader.ImageBase);
    for (ULONGLONG i = 0; i < count; ++i) {
        guard.functions.push_back(test_support::ReadAt<DWORD>(at, static_cast<DWORD>(tableRva + i * stride)));
    }
    return guard;
}

const IMAGE_SECTION_HEADER* SectionOf(const std::vector<IMAGE_SECTION_HEADER>& sections, ULONGLONG rva) {
    for (const IMAGE_SECTION_HEADER& s : sections) {
        if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize) return &s;
    }
    return nullptr;
}

TEST(TavelinExe, ControlFlowGuard) {
    const std::vector<char> file = ReadFile(ExePath());
    ASSERT_GT(file.size(), 1024u);
    const auto image = test_support::FileImage(file);
    const IMAGE_NT_HEADERS64 nt = test_support::NtHeaders(image);
    EXPECT_TRUE(nt.OptionalHeader.DllCharacteristics & IMAGE_DLLCHARACTERISTICS_GUARD_CF) << "header: GUARD_CF";

    const IMAGE_DATA_DIRECTORY directory = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG];
    ASSERT_NE(directory.VirtualAddress, 0u) << "no load configuration";
    const auto size = test_support::ReadAt<DWORD>(image, directory.VirtualAddress);
    EXPECT_EQ(size, directory.Size) << "the directory and the structure disagree on its size";
    ASSERT_GE(size, kLoadConfigSizeSince1809) << "too small for the guard fields Windows 10 1809 reads";
    EXPECT_LE(size, 0x1000u) << "not a load configuration";

    const Guard guard = ReadGuard(image, nt);
    EXPECT_TRUE(guard.flags & kGuardCfInstrumented) << std::hex << guard.flags;
    EXPECT_TRUE(guard.flags & kGuardCfFunctionTablePresent) << std::hex << guard.flags;
    ASSERT_FALSE(guard.functions.empty()) << "empty function table";
    EXPECT_TRUE(std::is_sorted(guard.functions.begin(), guard.functions.end()));
    EXPECT_EQ(std::adjacent_find(guard.functions.begin(), guard.functions.end()), guard.functions.end())
        << "an entry twice";
    const auto sections = test_support::Sections(image);
    for (DWORD rva : guard.functions) {
        const IMAGE_SECTION_HEADER* section = SectionOf(sections, rva);
        ASSERT_TRUE(section && (section->Characteristics & IMAGE_SCN_MEM_EXECUTE))
            << "entry 0x" << std::hex << rva << " is not code";
    }
    for (ULONGLONG pointer : {guard.checkPointer, guard.dispatchPointer}) {
        ASSERT_GE(pointer, nt.OptionalHeader.ImageBase);
        const IMAGE_SECTION_HEADER* section = SectionOf(sections, pointer - nt.OptionalHeader.ImageBase);
        ASSERT_TRUE(section) << "guard pointer outside the image";
        EXPECT_FALSE(section->Characteristics & (IMAGE_SCN_MEM_WRITE | IMAGE_SCN_MEM_EXECUTE))
            << "guard pointer in " << test_support::SectionName(*section);
    }
}

// The link's map beside the build (app/CMakeLists.txt): each symbol's RVA by its (demangled)
// name. The map belongs to the exe when both put the load configuration at the same place.
std::multimap<std::string, DWORD> MapSymbols() {
    std::ifstream in((BuildFolder() + L"\\tavelin.map").c_str());
    std::multimap<std::string, DWORD> symbols;
    std::string line;
    std::getline(in, line);  // Address Size Align Out In Symbol
    while (std::getline(in, line)) {
        unsigned rva = 0, size = 0, align = 0;
        int consumed = 0;
        if (std::sscanf(line.c_str(), "%x %x %u %n", &rva, &size, &align, &consumed) < 3) continue;
        std::string name = line.substr(static_cast<size_t>(consumed));
        while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
        // Symbol lines have no size; section and input-section lines do.
        if (size == 0 && !name.empty()) symbols.emplace(name, rva);
    }
    return symbols;
}

// What Windows calls through a pointer the program gave it, and checks against the table where
// Control Flow Guard is on: every window procedure (found by its signature, so a new one is
// audited too) and the routine that msvcrt's _beginthreadex starts each std::thread at
// (win/thread_start_guard.c; winpthreads' own, compiled without the guard, is not in the table).
// And every TLS callback the loader walks, read from the image's TLS directory, which it calls at
// the process's and every thread's start and end. One missing from the table would end the
// program before main, on its first message or on its first thread.
TEST(TavelinExe, FunctionsHandedToWindowsAreValidCallTargets) {
    const std::vector<char> file = ReadFile(ExePath());
    ASSERT_GT(file.size(), 1024u);
    const auto image = test_support::FileImage(file);
    const IMAGE_NT_HEADERS64 nt = test_support::NtHeaders(image);
    const Guard guard = ReadGuard(image, nt);
    const std::set<DWORD> table(guard.functions.begin(), guard.functions.end());

    const auto symbols = MapSymbols();
    ASSERT_FALSE(symbols.empty()) << "no symbols from tavelin.map beside the tests (none, or not LLD's map)";
    ASSERT_EQ(symbols.count("_load_config_used"), 1u);
    ASSERT_EQ(symbols.find("_load_config_used")->second,
              nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG].VirtualAddress)
        << "tavelin.map is not the map of this tavelin.exe";

    std::set<std::string> windowProcedures;
    for (const auto& [name, rva] : symbols) {
        const bool windowProcedure = name.ends_with("(HWND__*, unsigned int, unsigned long long, long long)");
        if (!windowProcedure && name != "tavelin_thread_start") continue;
        if (windowProcedure) windowProcedures.insert(name);
        EXPECT_TRUE(table.count(rva)) << name << " at 0x" << std::hex << rva;
    }
    EXPECT_GE(windowProcedures.size(), 4u);
    EXPECT_TRUE(windowProcedures.count("win::Form::WndProc(HWND__*, unsigned int, unsigned long long, long long)"));
    EXPECT_EQ(symbols.count("tavelin_thread_start"), 1u) << "threads start elsewhere";

    const IMAGE_DATA_DIRECTORY tls = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_TLS];
    ASSERT_NE(tls.VirtualAddress, 0u) << "no TLS directory";
    const auto directory = test_support::ReadAt<IMAGE_TLS_DIRECTORY64>(image, tls.VirtualAddress);
    ASSERT_GE(directory.AddressOfCallBacks, nt.OptionalHeader.ImageBase);
    const auto list = static_cast<DWORD>(directory.AddressOfCallBacks - nt.OptionalHeader.ImageBase);
    int callbacks = 0;
    for (DWORD at = list;; at += sizeof(ULONGLONG), ++callbacks) {
        const auto callback = test_support::ReadAt<ULONGLONG>(image, at);
        if (callback == 0) break;
        EXPECT_TRUE(table.count(static_cast<DWORD>(callback - nt.OptionalHeader.ImageBase)))
            << "TLS callback " << callbacks << " at 0x" << std::hex << callback;
    }
    EXPECT_GE(callbacks, 1);
}

// The callbacks behind the loader's list (win/tls_callback_guard.c) still run, in the list's
// order and for every reason: one of this test's own, placed after the runtime's, sees a thread
// come and go.
namespace {
std::atomic<int> g_threadAttached{0}, g_threadDetached{0};
void __stdcall CountThreads(void*, DWORD reason, void*) {
    if (reason == DLL_THREAD_ATTACH) ++g_threadAttached;
    if (reason == DLL_THREAD_DETACH) ++g_threadDetached;
}
[[gnu::section(".CRT$XLY"), gnu::used]] const PIMAGE_TLS_CALLBACK g_countThreads = CountThreads;
}  // namespace

TEST(TavelinExe, TheRuntimesTlsCallbacksStillRun) {
    const int attached = g_threadAttached, detached = g_threadDetached;
    std::thread([] {}).join();
    EXPECT_GT(g_threadAttached.load(), attached);
    EXPECT_GT(g_threadDetached.load(), detached);
}

// CET shadow-stack compatibility (BinSkim's BA2025): the extended DLL characteristics entry of
// the debug directory has CET_COMPAT, so that Windows keeps a shadow stack for the process where
// the processor has one and the system asks for it.
TEST(TavelinExe, CetShadowStackCompatible) {
    constexpr DWORD kExtendedDllCharacteristics = 20;  // IMAGE_DEBUG_TYPE_EX_DLLCHARACTERISTICS
    constexpr DWORD kCetCompat = 0x01;                  // IMAGE_DLLCHARACTERISTICS_EX_CET_COMPAT
    const std::vector<char> file = ReadFile(ExePath());
    ASSERT_GT(file.size(), 1024u);
    const auto image = test_support::FileImage(file);
    const IMAGE_DATA_DIRECTORY debug =
        test_support::NtHeaders(image).OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DEBUG];
    int entries = 0;
    for (DWORD at = 0; at + sizeof(IMAGE_DEBUG_DIRECTORY) <= debug.Size; at += sizeof(IMAGE_DEBUG_DIRECTORY)) {
        const auto entry = test_support::ReadAt<IMAGE_DEBUG_DIRECTORY>(image, debug.VirtualAddress + at);
        if (entry.Type != kExtendedDllCharacteristics) continue;
        ++entries;
        ASSERT_GE(entry.SizeOfData, sizeof(DWORD));
        EXPECT_TRUE(test_support::ReadAt<DWORD>(image, entry.AddressOfRawData) & kCetCompat);
    }
    EXPECT_EQ(entries, 1) << "extended DLL characteristics in the debug directory";
}

// Every file of the program (core, win, app) is compiled with the stack protector, which must be
// the last word on it in its command: read from compile_commands.json in the build's folder.
TEST(Build, EveryProductFileHasTheStackProtector) {
    std::ifstream in((BuildFolder() + L"\\compile_commands.json").c_str(), std::ios::binary);
    ASSERT_TRUE(in) << "no compile_commands.json beside the tests";
    const std::string commands(std::istreambuf_iterator<char>(in), {});
    const std::regex productFile(R"((.*)/(core|win|app)/[^/]+\.cpp)");
    const std::regex stackProtector(R"(-f(no-)?stack-protector[-a-z]*)");
    std::map<std::string, int> filesPerLayer;
    for (size_t at = commands.find("\"file\": \""); at != std::string::npos;
         at = commands.find("\"file\": \"", at + 1)) {
        const size_t start = at + 9;
        const std::string path = commands.substr(start, commands.find('"', start) - start);
        std::smatch layer;
        if (!std::regex_match(path, layer, productFile) || layer[1].str().ends_with("/tests")) continue;
        ++filesPerLayer[layer[2]];
        const size_t command = commands.rfind("\"command\": \"", at);
        ASSERT_NE(command, std::string::npos) << path;
        const std::string line = commands.substr(command, at - command);
        std::string last;
        for (auto m = std::sregex_iterator(line.begin(), line.end(), stackProtector); m != std::sregex_iterator(); ++m) {
            last = m->str();
        }
        EXPECT_EQ(last, "-fstack-protector-strong") << path;
    }
    EXPECT_GE(filesPerLayer["core"], 5);
    EXPECT_GE(filesPerLayer["win"], 5);
    EXPECT_GE(filesPerLayer["app"], 5);
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
