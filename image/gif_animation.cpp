#include "image/gif_animation.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <new>
#include <system_error>

#include "image/decode.h"

namespace tavrel {
namespace {

// The part of an image's rectangle that lies on the logical screen; it may be empty.
Placement clipToScreen(const GifImageDescriptor& image, const Bitmap& screen) {
    const std::int32_t left = std::min<std::int32_t>(image.left, screen.width);
    const std::int32_t top = std::min<std::int32_t>(image.top, screen.height);
    const std::int32_t right = std::min<std::int32_t>(std::int32_t{image.left} + image.width, screen.width);
    const std::int32_t bottom = std::min<std::int32_t>(std::int32_t{image.top} + image.height, screen.height);
    return {left, top, right - left, bottom - top};
}

// Copies `area` of `from` into `to` at the same place (to == screen) or at (0, 0) (to == a saved area).
void copyArea(const Bitmap& from, std::int32_t fromX, std::int32_t fromY, Bitmap& to, std::int32_t toX, std::int32_t toY,
              std::int32_t width, std::int32_t height) {
    for (std::int32_t row = 0; row < height; ++row) {
        const Pixel* in = from.row(fromY + row) + fromX;
        std::copy(in, in + width, to.row(toY + row) + toX);
    }
}

}  // namespace

std::unique_ptr<GifAnimation> GifAnimation::open(std::span<const std::uint8_t> bytes, ColorRef background,
                                                 DecodeFailure* why) {
    std::unique_ptr<GifAnimation> animation;
    try {
        animation.reset(new GifAnimation());
        animation->bytes_.assign(bytes.begin(), bytes.end());
    } catch (const std::bad_alloc&) {
        decodeFailed(why, DecodeFailure::TooLarge);
        return nullptr;
    }
    // The stream views the animation's own copy, which stays put for the animation's life.
    animation->stream_ = GifStream::open(animation->bytes_, why);
    if (!animation->stream_) return nullptr;
    GifStream& stream = *animation->stream_;

    // The first image must decode, as it must for a still picture; what follows its data decides
    // whether there is anything to play.
    const auto first = stream.readToNextImage(why);
    if (!first || !stream.decodeImageIndices(*first, why)) return nullptr;
    animation->still_ = animation->bytes_.size() - std::min(first->dataEnd, animation->bytes_.size()) <= 1;
    stream.rewind();

    if (!allocateBitmap(animation->composition_, stream.screenWidth(), stream.screenHeight(),
                        pixelFromColorRef(background))) {
        decodeFailed(why, DecodeFailure::TooLarge);
        return nullptr;
    }
    if (why) *why = DecodeFailure::None;
    return animation;
}

std::int32_t GifAnimation::advance() {
    ++steps_;
    if (savedAt_) {
        copyArea(saved_, 0, 0, composition_, savedAt_->x, savedAt_->y, savedAt_->width, savedAt_->height);
        savedAt_.reset();
    }

    const auto image = stream_->readToNextImage();
    if (!image) return gifFrameDelayMs(delay_);
    // Delay and transparency carry over to later images that bring no graphic control of their own.
    delay_ = image->control.delay;
    const auto frame = stream_->decodeImageIndices(*image);
    if (!frame) return gifFrameDelayMs(delay_);

    const Placement area = clipToScreen(*image, composition_);
    if (gifDisposalRestores(image->control.disposal) && area.width > 0 && area.height > 0) {
        if (allocateBitmap(saved_, area.width, area.height, 0)) {
            copyArea(composition_, area.x, area.y, saved_, 0, 0, area.width, area.height);
            savedAt_ = area;
        }
    }
    drawFrame(*image, *frame);
    return gifFrameDelayMs(delay_);
}

void GifAnimation::drawFrame(const GifImageDescriptor& image, const GifFrame& frame) {
    const Placement area = clipToScreen(image, composition_);
    if (area.width <= 0 || area.height <= 0) return;
    // Transparency goes by colour, not index: every index whose table colour equals the
    // transparent index's colour lets the composition show through.
    std::array<bool, 256> keep{};
    if (image.control.transparent) {
        const Pixel transparentColour = frame.colours[image.control.transparentIndex];
        for (std::size_t i = 0; i < keep.size(); ++i) keep[i] = frame.colours[i] == transparentColour;
    }
    for (std::int32_t row = 0; row < area.height; ++row) {
        const std::uint8_t* indices = frame.indices.data() + static_cast<std::size_t>(row) * frame.width;
        Pixel* out = composition_.row(area.y + row) + area.x;
        for (std::int32_t column = 0; column < area.width; ++column) {
            const std::uint8_t index = indices[column];
            if (!keep[index]) out[column] = frame.colours[index];
        }
    }
}

GifPlayer::GifPlayer(std::unique_ptr<GifAnimation> animation, FrameReady frameReady)
    : animation_(std::move(animation)), frameReady_(std::move(frameReady)) {}

GifPlayer::~GifPlayer() { stop(); }

bool GifPlayer::start() {
    if (worker_.joinable() || !animation_) return worker_.joinable();
    {
        const std::lock_guard lock(mutex_);
        stopRequested_ = false;
    }
    try {
        worker_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void GifPlayer::stop() {
    if (!worker_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void GifPlayer::run() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(mutex_);
    while (!stopRequested_) {
        const Clock::time_point frameStart = Clock::now();
        const std::int32_t delayMs = animation_->advance();
        lock.unlock();
        if (frameReady_) frameReady_();
        lock.lock();
        wake_.wait_until(lock, frameStart + std::chrono::milliseconds(delayMs), [this] { return stopRequested_; });
    }
}

}  // namespace tavrel
