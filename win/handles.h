#pragma once
// Move-only owners of what the program takes from the system and must give back, one type per
// release rule, all on one template: here files, GDI objects, DCs, paints, selections and
// modules; in com.h, the COM apartment, interface pointers and automation strings. Nothing else
// in the program pairs create/delete, get/release, begin/end or load/free by hand. (What a type
// sets on a window for as long as it is attached to it, a property or a subclass, that type
// takes back itself when the window goes.)

#include <windows.h>

#include <utility>

namespace win {

// An owner of one value whose release is Traits::Release; empty is Traits::Invalid(). Traits may
// carry state that the release needs (a library loaded at run time), kept beside the value.
template <typename Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() = default;
    explicit UniqueResource(Type value, Traits traits = {}) : value_(value), traits_(traits) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()), traits_(other.traits_) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            reset(other.release());
            traits_ = other.traits_;
        }
        return *this;
    }
    ~UniqueResource() { reset(); }

    Type get() const { return value_; }
    // What the release needs besides the value.
    const Traits& traits() const { return traits_; }
    bool valid() const { return value_ != Traits::Invalid(); }
    explicit operator bool() const { return valid(); }

    // Gives up ownership without releasing.
    [[nodiscard]] Type release() { return std::exchange(value_, Traits::Invalid()); }
    void reset(Type value = Traits::Invalid()) {
        const Type old = std::exchange(value_, value);
        if (old != Traits::Invalid()) traits_.Release(old);
    }

private:
    Type value_ = Traits::Invalid();
    [[no_unique_address]] Traits traits_{};
};

// CreateFile's handles: empty is INVALID_HANDLE_VALUE, what CreateFile returns on failure.
struct FileTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Release(Type h) { CloseHandle(h); }
};
// Fonts, bitmaps and brushes: DeleteObject, each under its own type.
template <typename Handle>
struct GdiObjectTraits {
    using Type = Handle;
    static Type Invalid() { return nullptr; }
    static void Release(Type h) { DeleteObject(h); }
};
struct MemoryDcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static void Release(Type h) { DeleteDC(h); }
};
struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static void Release(Type h) { FreeLibrary(h); }
};

using UniqueFile = UniqueResource<FileTraits>;

// Closes the file now and tells whether the system's close succeeded (its last error says why
// not); the owner is empty either way.
[[nodiscard]] inline bool CloseNow(UniqueFile& file) { return CloseHandle(file.release()) != FALSE; }
using UniqueFont = UniqueResource<GdiObjectTraits<HFONT>>;
using UniqueBitmap = UniqueResource<GdiObjectTraits<HBITMAP>>;
using UniqueBrush = UniqueResource<GdiObjectTraits<HBRUSH>>;
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;
using UniqueModule = UniqueResource<ModuleTraits>;

// A DC from GetDC, released with the window it came from (nullptr: the whole screen).
struct WindowDcTraits {
    using Type = HDC;
    HWND window = nullptr;
    static Type Invalid() { return nullptr; }
    void Release(Type dc) const { ReleaseDC(window, dc); }
};
class WindowDc : public UniqueResource<WindowDcTraits> {
public:
    WindowDc() = default;
    explicit WindowDc(HWND window) : UniqueResource(GetDC(window), WindowDcTraits{window}) {}
};

// The DC of one WM_PAINT, from BeginPaint to EndPaint.
struct PaintTraits {
    using Type = HDC;
    HWND window = nullptr;
    PAINTSTRUCT paint{};
    static Type Invalid() { return nullptr; }
    void Release(Type) const { EndPaint(window, &paint); }
};
class PaintDc : public UniqueResource<PaintTraits> {
public:
    explicit PaintDc(HWND window) : UniqueResource(Begin(window)) {}
    // The part of the window to paint.
    const RECT& Area() const { return traits().paint.rcPaint; }

private:
    static UniqueResource Begin(HWND window) {
        PaintTraits traits{window};
        const HDC dc = BeginPaint(window, &traits.paint);
        return UniqueResource(dc, traits);
    }
};

// A GDI object selected into a DC; the object it replaced goes back at scope exit.
struct SelectionTraits {
    using Type = HGDIOBJ;  // the object the selection replaced
    HDC dc = nullptr;
    static Type Invalid() { return nullptr; }
    void Release(Type previous) const { SelectObject(dc, previous); }
};
class SelectedObject : public UniqueResource<SelectionTraits> {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : UniqueResource(SelectObject(dc, object), SelectionTraits{dc}) {}
};

}  // namespace win
