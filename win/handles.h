#pragma once
// Move-only owners of what the program takes from the system and must give back, one type per
// release rule: here files, GDI objects, DCs, selections and modules; on the same template, in
// com.h, the COM apartment, interface pointers and automation strings. Nothing else in the
// program pairs create/delete, get/release, begin/end or load/free by hand. (What a type sets
// on a window for as long as it is attached to it, a property or a subclass, that type takes
// back itself when the window goes.)

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
class WindowDc {
public:
    WindowDc() = default;
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    WindowDc(WindowDc&& other) noexcept
        : hwnd_(std::exchange(other.hwnd_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDc& operator=(WindowDc&& other) noexcept {
        if (this != &other) {
            reset();
            hwnd_ = std::exchange(other.hwnd_, nullptr);
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }
    ~WindowDc() { reset(); }

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }
    void reset() {
        if (dc_) ReleaseDC(hwnd_, std::exchange(dc_, nullptr));
        hwnd_ = nullptr;
    }

private:
    HWND hwnd_ = nullptr;
    HDC dc_ = nullptr;
};

// The DC of one WM_PAINT, from BeginPaint to EndPaint.
class PaintDc {
public:
    explicit PaintDc(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &paint_)) {}
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    PaintDc(PaintDc&& other) noexcept
        : hwnd_(std::exchange(other.hwnd_, nullptr)), paint_(other.paint_), dc_(std::exchange(other.dc_, nullptr)) {}
    PaintDc& operator=(PaintDc&&) = delete;
    ~PaintDc() {
        if (hwnd_) EndPaint(hwnd_, &paint_);
    }

    HDC get() const { return dc_; }
    // The part of the window to paint.
    const RECT& Area() const { return paint_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// A GDI object selected into a DC; the object it replaced goes back at scope exit.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    SelectedObject(SelectedObject&& other) noexcept
        : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
    SelectedObject& operator=(SelectedObject&&) = delete;
    ~SelectedObject() {
        if (dc_ && previous_) SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace win
