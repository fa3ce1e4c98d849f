#pragma once
// A 64-bit PE image's headers, sections, base relocations and the functions it imports by name,
// read from a file (the built tavelin.exe) or from this process's own image (to intercept the
// program's calls in place).

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace test_support {

static_assert(sizeof(void*) == 8, "the test programs are 64-bit");

// The bytes of an image at an RVA, `size` of them readable (the file's reader throws past its end).
using ImageReader = std::function<const char*(DWORD rva, size_t size)>;

inline std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

template <class T>
T ReadAt(const ImageReader& at, DWORD rva) {
    T value;
    std::memcpy(&value, at(rva, sizeof value), sizeof value);
    return value;
}

inline IMAGE_NT_HEADERS64 NtHeaders(const ImageReader& at) {
    return ReadAt<IMAGE_NT_HEADERS64>(at, static_cast<DWORD>(ReadAt<IMAGE_DOS_HEADER>(at, 0).e_lfanew));
}

// The image as a file: an RVA is found through the section table (the headers lie at their own
// offsets). The reader keeps a reference to `file`.
inline ImageReader FileImage(const std::vector<char>& file) {
    return [&file](DWORD rva, size_t size) -> const char* {
        const auto bytes = [&file](size_t offset, size_t n) {
            if (offset + n > file.size()) throw std::runtime_error("truncated PE file");
            return file.data() + offset;
        };
        IMAGE_DOS_HEADER dos;
        std::memcpy(&dos, bytes(0, sizeof dos), sizeof dos);
        IMAGE_NT_HEADERS64 nt;
        std::memcpy(&nt, bytes(static_cast<size_t>(dos.e_lfanew), sizeof nt), sizeof nt);
        if (rva < nt.OptionalHeader.SizeOfHeaders) return bytes(rva, size);
        const size_t sections = static_cast<size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                                nt.FileHeader.SizeOfOptionalHeader;
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER s;
            std::memcpy(&s, bytes(sections + i * sizeof s, sizeof s), sizeof s);
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData)) {
                return bytes(rva - s.VirtualAddress + s.PointerToRawData, size);
            }
        }
        throw std::runtime_error("RVA outside every section");
    };
}

// The section table, in the image's order.
inline std::vector<IMAGE_SECTION_HEADER> Sections(const ImageReader& at) {
    const auto dos = ReadAt<IMAGE_DOS_HEADER>(at, 0);
    const IMAGE_NT_HEADERS64 nt = NtHeaders(at);
    const DWORD table = static_cast<DWORD>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                        nt.FileHeader.SizeOfOptionalHeader;
    std::vector<IMAGE_SECTION_HEADER> sections;
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
        sections.push_back(ReadAt<IMAGE_SECTION_HEADER>(at, table + i * sizeof(IMAGE_SECTION_HEADER)));
    }
    return sections;
}

inline std::string SectionName(const IMAGE_SECTION_HEADER& section) {
    const char* name = reinterpret_cast<const char*>(section.Name);
    return std::string(name, strnlen(name, IMAGE_SIZEOF_SHORT_NAME));
}

// How many base relocations of each type (IMAGE_REL_BASED_*) the relocation table holds, read
// block by block; throws when a block does not fit the table.
inline std::map<int, size_t> BaseRelocationsByType(const ImageReader& at) {
    const IMAGE_DATA_DIRECTORY table = NtHeaders(at).OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
    std::map<int, size_t> counts;
    for (DWORD offset = 0; offset < table.Size;) {
        const auto block = ReadAt<IMAGE_BASE_RELOCATION>(at, table.VirtualAddress + offset);
        if (block.SizeOfBlock < sizeof block || block.SizeOfBlock % sizeof(WORD) != 0 ||
            block.SizeOfBlock > table.Size - offset) {
            throw std::runtime_error("malformed base relocation block");
        }
        for (DWORD entry = sizeof block; entry < block.SizeOfBlock; entry += sizeof(WORD)) {
            ++counts[ReadAt<WORD>(at, table.VirtualAddress + offset + entry) >> 12];
        }
        offset += block.SizeOfBlock;
    }
    return counts;
}

// The image this process runs.
inline ImageReader LoadedImage() {
    const char* base = reinterpret_cast<const char*>(GetModuleHandleW(nullptr));
    return [base](DWORD rva, size_t) { return base + rva; };
}

struct ImportedFunction {
    std::string dll;  // lower case
    std::string function;
    DWORD slotRva;    // its entry in the import address table
};

// Every function the image imports by name, in the order of its import directory.
inline std::vector<ImportedFunction> ImportsByName(const ImageReader& at) {
    std::vector<ImportedFunction> imports;
    const DWORD directory = NtHeaders(at).OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    if (!directory) return imports;
    for (DWORD d = directory;; d += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto descriptor = ReadAt<IMAGE_IMPORT_DESCRIPTOR>(at, d);
        if (descriptor.Name == 0) break;
        const std::string dll = Lower(at(descriptor.Name, 1));
        const DWORD names = descriptor.OriginalFirstThunk ? descriptor.OriginalFirstThunk : descriptor.FirstThunk;
        for (DWORD i = 0;; ++i) {
            const auto entry = ReadAt<ULONGLONG>(at, names + i * sizeof(ULONGLONG));
            if (entry == 0) break;
            if (entry & IMAGE_ORDINAL_FLAG64) continue;
            // The name follows the two-byte hint.
            imports.push_back({dll, at(static_cast<DWORD>(entry) + 2, 1),
                               static_cast<DWORD>(descriptor.FirstThunk + i * sizeof(ULONGLONG))});
        }
    }
    return imports;
}

// Points this process's import of `function` from `dll` (any case) at `replacement`, so that the
// code under test runs unchanged but calls it; returns the original address, or nullptr when the
// image does not import the function.
inline void* PatchImport(const char* dll, const char* function, void* replacement) {
    const ImageReader self = LoadedImage();
    for (const ImportedFunction& import : ImportsByName(self)) {
        if (import.dll != Lower(dll) || import.function != function) continue;
        auto* slot = reinterpret_cast<ULONG_PTR*>(const_cast<char*>(self(import.slotRva, sizeof(ULONG_PTR))));
        DWORD old = 0;
        VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
        void* original = reinterpret_cast<void*>(*slot);
        *slot = reinterpret_cast<ULONG_PTR>(replacement);
        VirtualProtect(slot, sizeof *slot, old, &old);
        return original;
    }
    return nullptr;
}

}  // namespace test_support
