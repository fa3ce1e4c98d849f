#include "win/animation.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/avi_clip.h"
#include "win/control_colours.h"
#include "win/failure.h"
#include "win/file.h"
#include "win/handles.h"
#include "win/twips.h"

namespace win {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kMaxClipFileBytes = 64u << 20;

// The state behind one control. Two threads draw it: the UI thread on WM_PAINT and, while the
// clip plays, a painter thread of its own that only ever draws into the control's DC, so the
// clip keeps moving while the UI thread is busy elsewhere.
class Player {
public:
    explicit Player(HWND hwnd) : hwnd_(hwnd), dpi_(DpiX()) {}
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    ~Player() { Stop(); }

    // Replaces the open clip (stopping playback); shows its first frame. False when the file
    // cannot be read or played, leaving no clip open.
    bool Open(const std::wstring& path) {
        Stop();
        std::vector<std::uint8_t> bytes;
        auto clip = std::make_unique<core::AviClip>();
        const bool ok = ReadWholeFile(path.c_str(), kMaxClipFileBytes, bytes) &&
                        clip->Load(std::move(bytes)) == core::AviStatus::Ok;
        std::unique_ptr<core::AviFrameDecoder> decoder;
        if (ok) {
            decoder = std::make_unique<core::AviFrameDecoder>(*clip);
            (void)decoder->Seek(0);  // a damaged frame still shows what it holds
        }
        {
            const std::lock_guard lock(mutex_);
            decoder_.reset();
            clip_ = ok ? std::move(clip) : nullptr;
            decoder_ = std::move(decoder);
        }
        InvalidateRect(hwnd_, nullptr, FALSE);
        return ok;
    }

    // Starts the painter thread on the whole clip, repeating; false without a clip.
    bool Play() {
        Stop();
        const std::lock_guard lock(mutex_);
        if (!clip_) return false;
        painted_ = 0;
        const std::chrono::microseconds period(clip_->MicrosPerFrame());
        painter_ = std::thread(&Player::Run, this, Clock::now(), period, clip_->FrameCount());
        return true;
    }

    // Ends playback and waits for the painter thread; the current frame stays.
    void Stop() {
        std::thread painter;
        {
            const std::lock_guard lock(mutex_);
            if (!painter_.joinable()) return;
            stopping_ = true;
            painter = std::move(painter_);
        }
        wake_.notify_all();
        painter.join();
        const std::lock_guard lock(mutex_);
        stopping_ = false;
    }

    void SetBackColor(COLORREF color) {
        {
            const std::lock_guard lock(mutex_);
            back_ = color;
        }
        InvalidateRect(hwnd_, nullptr, FALSE);
    }

    LRESULT FramesPainted() const { return painted_.load(); }

    LRESULT FramesPerThousandSeconds() {
        const std::lock_guard lock(mutex_);
        return clip_ ? static_cast<LRESULT>(std::llround(1e9 / clip_->MicrosPerFrame())) : 0;
    }

    void OnPaint() {
        const PaintDc paint(hwnd_);
        if (!paint.get()) return;
        const std::lock_guard lock(mutex_);
        Draw(paint.get());
    }

private:
    // The painter thread: frame n is due at start + n periods. A late or hidden turn skips to
    // the frame that is due, so the clip keeps to its timeline instead of drifting.
    void Run(Clock::time_point start, std::chrono::microseconds period, std::size_t frames) {
        std::unique_lock lock(mutex_);
        long long tick = 0;
        while (!stopping_) {
            tick = std::max<long long>(tick, (Clock::now() - start) / period);
            if (IsWindowVisible(hwnd_) && decoder_) {
                (void)decoder_->Seek(static_cast<std::size_t>(tick % frames));
                if (const WindowDc dc(hwnd_); dc) {
                    Draw(dc.get());
                    ++painted_;
                }
            }
            ++tick;
            wake_.wait_until(lock, start + tick * period, [this] { return stopping_; });
        }
    }

    // Draws the current frame at the top-left corner, scaled by the system DPI, with the
    // transparent colour and the rest of the control in the background colour. Needs mutex_.
    void Draw(HDC dc) {
        RECT client{};
        GetClientRect(hwnd_, &client);
        const UniqueBrush brush(CreateSolidBrush(back_));
        if (!brush) return;
        if (!decoder_) {
            FillRect(dc, &client, brush.get());
            return;
        }
        const int width = clip_->Width(), height = clip_->Height();
        const int shownWidth = MulDiv(width, dpi_, 96), shownHeight = MulDiv(height, dpi_, 96);
        const std::uint32_t back = std::uint32_t{GetRValue(back_)} << 16 |
                                   std::uint32_t{GetGValue(back_)} << 8 | GetBValue(back_);
        const auto& pixels = decoder_->Pixels();
        frame_.resize(pixels.size());
        std::transform(pixels.begin(), pixels.end(), frame_.begin(),
                       [back](std::uint32_t p) { return (p & core::kAviOpaque) ? p : back; });
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, 0, 0, shownWidth, shownHeight, 0, 0, width, height, frame_.data(), &info,
                      DIB_RGB_COLORS, SRCCOPY);
        // Painted beside the frame rather than under it, so that the frame never flickers.
        const RECT right{shownWidth, 0, client.right, client.bottom};
        const RECT below{0, shownHeight, std::min<LONG>(shownWidth, client.right), client.bottom};
        if (right.left < right.right) FillRect(dc, &right, brush.get());
        if (below.top < below.bottom && below.left < below.right) FillRect(dc, &below, brush.get());
    }

    const HWND hwnd_;
    int dpi_ = 96;
    std::atomic<LRESULT> painted_{0};

    std::mutex mutex_;  // guards the members below
    std::condition_variable wake_;
    bool stopping_ = false;
    std::unique_ptr<core::AviClip> clip_;
    std::unique_ptr<core::AviFrameDecoder> decoder_;  // draws clip_, so it goes first
    COLORREF back_ = FormBackground();
    std::vector<std::uint32_t> frame_;
    std::thread painter_;
};

LRESULT Handle(Player& player, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case ANM_FRAMESPAINTED: return player.FramesPainted();
    case ANM_FRAMERATE: return player.FramesPerThousandSeconds();
    case WM_PAINT: player.OnPaint(); return 0;
    case WM_ERASEBKGND: return 1;  // WM_PAINT covers every pixel
    case WM_SETFOCUS: {
        // The control never keeps the focus: it goes back where it came from.
        const HWND previous = reinterpret_cast<HWND>(wp);
        SetFocus(previous && previous != hwnd && IsWindow(previous) ? previous : GetParent(hwnd));
        return 0;
    }
    case WM_DESTROY: player.Stop(); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT CALLBACK AnimationProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    // A control that cannot make its player or its painter thread fails as any other window of
    // the program does: no clip that silently stands still.
    return Guarded([&] {
        // The window owns its player from WM_NCCREATE to WM_NCDESTROY.
        if (msg == WM_NCCREATE) {
            auto made = std::make_unique<Player>(hwnd);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(made.release()));
        }
        auto* player = reinterpret_cast<Player*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            const std::unique_ptr<Player> owned(player);
            return DefWindowProcW(hwnd, msg, wp, lp);
        }
        if (!player) return DefWindowProcW(hwnd, msg, wp, lp);
        return Handle(*player, hwnd, msg, wp, lp);
    });
}

// The player behind an animation control of this thread, or nullptr.
Player* PlayerOf(HWND hwnd) {
    if (!hwnd || GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId() ||
        GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&AnimationProc)) {
        return nullptr;
    }
    return reinterpret_cast<Player*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void RegisterClassOnce(const wchar_t* className) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(instance, className, &wc)) return;
    wc.lpfnWndProc = AnimationProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = className;
    if (!RegisterClassExW(&wc)) ThrowLastError("RegisterClassExW");
}

}  // namespace

Animation Animation::Create(const AnimationArgs& args) {
    RegisterClassOnce(args.className);
    const RECT& r = args.pixels;
    return Animation(CreateWindowExW(0, args.className, L"", WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                                     r.bottom - r.top, args.parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)),
                                     GetModuleHandleW(nullptr), nullptr));
}

bool Animation::Open(const std::wstring& path) const {
    Player* player = PlayerOf(hwnd_);
    return player && player->Open(path);
}

bool Animation::Play() const {
    Player* player = PlayerOf(hwnd_);
    return player && player->Play();
}

void Animation::Stop() const {
    if (Player* player = PlayerOf(hwnd_)) player->Stop();
}

void Animation::SetBackColor(COLORREF color) const {
    if (Player* player = PlayerOf(hwnd_)) player->SetBackColor(color);
}

}  // namespace win
