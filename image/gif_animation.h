#pragma once
// Animated GIF playback for the preview box: a composition of the logical screen that each step
// advances by one frame, and a frame worker that steps it on its own thread with each frame's delay.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

#include "image/bitmap.h"
#include "image/gif.h"
#include "image/image_types.h"
#include "image/placement.h"

namespace tavrel {

// A frame shows for its delay value times 10 ms; a delay of 0 shows it for 50 ms.
inline constexpr std::int32_t kGifDelayUnitMs = 10;
inline constexpr std::int32_t kGifZeroDelayMs = 50;

inline constexpr std::int32_t gifFrameDelayMs(std::uint16_t delay) {
    return delay == 0 ? kGifZeroDelayMs : std::int32_t{delay} * kGifDelayUnitMs;
}

// Disposal methods 2 (restore to background) and 3 (restore to previous) both put back what the
// image covered, as it was before the image was drawn; 0 and 1 leave the image in place.
inline constexpr bool gifDisposalRestores(std::uint8_t disposal) { return disposal == 2 || disposal == 3; }

// One GIF's playback state. It keeps its own copy of the bytes, so it never moves once made.
class GifAnimation {
public:
    // Reads the header and global table and checks that the first image decodes; the composition
    // starts as the logical screen filled with `background` (0x00BBGGRR). nullptr on any failure.
    static std::unique_ptr<GifAnimation> open(std::span<const std::uint8_t> bytes, ColorRef background,
                                              DecodeFailure* why = nullptr);

    GifAnimation(const GifAnimation&) = delete;
    GifAnimation& operator=(const GifAnimation&) = delete;

    // At most one byte (normally the trailer) after the first image's data: a single picture that
    // is shown still rather than played.
    bool still() const { return still_; }
    std::int32_t screenWidth() const { return composition_.width; }
    std::int32_t screenHeight() const { return composition_.height; }

    // Puts back the area the previous image covered if its disposal asks for it, reads on to the
    // next image (after the last, the first again), saves the area it will cover if its own
    // disposal asks for it, and draws it at its position. A frame that cannot be read or decoded
    // leaves the composition as it is. Returns how long the frame shows, in milliseconds.
    std::int32_t advance();

    const Bitmap& composition() const { return composition_; }
    // Steps taken so far; it changes whenever the composition may have.
    std::uint64_t steps() const { return steps_; }

private:
    GifAnimation() = default;
    void drawFrame(const GifImageDescriptor& image, const GifFrame& frame);

    ByteBuffer bytes_;
    std::optional<GifStream> stream_;
    bool still_ = false;
    Bitmap composition_;
    // What the last image covered before it was drawn, while its disposal asks for it back.
    std::optional<Placement> savedAt_;
    Bitmap saved_;
    std::uint16_t delay_ = 0;
    std::uint64_t steps_ = 0;
};

// Steps a GifAnimation on a thread of its own: compose a frame under the lock, report it, then
// wait out the frame's delay counted from the start of the frame, or until told to stop.
class GifPlayer {
public:
    // Called on the worker thread after each frame, outside the lock; it must not block on the
    // thread that stops the player.
    using FrameReady = std::function<void()>;

    GifPlayer(std::unique_ptr<GifAnimation> animation, FrameReady frameReady);
    // Stops the worker and waits for it.
    ~GifPlayer();
    GifPlayer(const GifPlayer&) = delete;
    GifPlayer& operator=(const GifPlayer&) = delete;

    // Starts the worker unless one runs already. False when no thread could be had.
    bool start();
    // Requests a stop and waits until the worker has ended; at most about one frame's composing.
    void stop();
    bool running() const { return worker_.joinable(); }

    // Runs `use` with the animation while the worker is not composing.
    template <typename Use>
    void withAnimation(Use&& use) const {
        const std::lock_guard lock(mutex_);
        use(static_cast<const GifAnimation&>(*animation_));
    }

private:
    void run();

    std::unique_ptr<GifAnimation> animation_;
    FrameReady frameReady_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopRequested_ = false;
    std::thread worker_;
};

}  // namespace tavrel
