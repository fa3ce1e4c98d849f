#pragma once
// A 64-bit PE image's headers and the functions it imports by name, read from a file (the built
// tavelin.exe) or from this process's own image (to intercept the program's calls in place).

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace test_support {

static_assert(sizeof(void*) == 8, "the test programs are 64-bit");

struct ImportedFunction {
    std::string dll;  // lower case
    std::string function;
    DWORD slotRva;    // its entry in the import address table
};

inline std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The image as a file: an RVA is found through the section table (the headers lie at their own
// offsets). A read past the end of the file throws.
class PeFile {
public:
    explicit PeFile(std::vector<char> bytes) : bytes_(std::move(bytes)) {}
    size_t Size() const { return bytes_.size(); }

    const char* At(DWORD rva, size_t size) const {
        const size_t offset = Offset(rva);
        if (offset + size > bytes_.size()) throw std::runtime_error("truncated PE file");
        return bytes_.data() + offset;
    }
    std::string String(DWORD rva) const {
        const char* s = At(rva, 1);
        return std::string(s, strnlen(s, static_cast<size_t>(bytes_.data() + bytes_.size() - s)));
    }

private:
    size_t Offset(DWORD rva) const;
    std::vector<char> bytes_;
};

// The image this process runs.
class LoadedImage {
public:
    const char* At(DWORD rva, size_t) const { return base_ + rva; }
    std::string String(DWORD rva) const { return base_ + rva; }
    char* Address(DWORD rva) const { return base_ + rva; }

private:
    char* base_ = reinterpret_cast<char*>(GetModuleHandleW(nullptr));
};

template <class Image>
IMAGE_NT_HEADERS64 NtHeaders(const Image& image) {
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, image.At(0, sizeof dos), sizeof dos);
    IMAGE_NT_HEADERS64 nt;
    std::memcpy(&nt, image.At(static_cast<DWORD>(dos.e_lfanew), sizeof nt), sizeof nt);
    return nt;
}

inline size_t PeFile::Offset(DWORD rva) const {
    IMAGE_DOS_HEADER dos;
    if (bytes_.size() < sizeof dos) throw std::runtime_error("truncated PE file");
    std::memcpy(&dos, bytes_.data(), sizeof dos);
    const size_t ntAt = static_cast<size_t>(dos.e_lfanew);
    IMAGE_NT_HEADERS64 nt;
    if (ntAt + sizeof nt > bytes_.size()) throw std::runtime_error("truncated PE file");
    std::memcpy(&nt, bytes_.data() + ntAt, sizeof nt);
    if (rva < nt.OptionalHeader.SizeOfHeaders) return rva;
    const size_t sections = ntAt + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER s;
        if (sections + (i + 1) * sizeof s > bytes_.size()) throw std::runtime_error("truncated PE file");
        std::memcpy(&s, bytes_.data() + sections + i * sizeof s, sizeof s);
        if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData)) {
            return rva - s.VirtualAddress + s.PointerToRawData;
        }
    }
    throw std::runtime_error("RVA outside every section");
}

// Every function the image imports by name, in the order of its import directory.
template <class Image>
std::vector<ImportedFunction> ImportsByName(const Image& image) {
    std::vector<ImportedFunction> imports;
    const IMAGE_NT_HEADERS64 nt = NtHeaders(image);
    const DWORD directory = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    if (!directory) return imports;
    for (DWORD at = directory;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR d;
        std::memcpy(&d, image.At(at, sizeof d), sizeof d);
        if (d.Name == 0) break;
        const std::string dll = Lower(image.String(d.Name));
        const DWORD names = d.OriginalFirstThunk ? d.OriginalFirstThunk : d.FirstThunk;
        for (DWORD i = 0;; ++i) {
            ULONGLONG entry;
            std::memcpy(&entry, image.At(names + i * sizeof entry, sizeof entry), sizeof entry);
            if (entry == 0) break;
            if (entry & IMAGE_ORDINAL_FLAG64) continue;
            // The name follows the two-byte hint.
            imports.push_back({dll, image.String(static_cast<DWORD>(entry) + 2),
                               static_cast<DWORD>(d.FirstThunk + i * sizeof entry)});
        }
    }
    return imports;
}

// Points this process's import of `function` from `dll` (any case) at `replacement`, so that the
// code under test runs unchanged but calls it; returns the original address, or nullptr when the
// image does not import the function.
inline void* PatchImport(const char* dll, const char* function, void* replacement) {
    const LoadedImage self;
    for (const ImportedFunction& import : ImportsByName(self)) {
        if (import.dll != Lower(dll) || import.function != function) continue;
        auto* slot = reinterpret_cast<ULONG_PTR*>(self.Address(import.slotRva));
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
