#pragma once
// The preview box: keeps its own copy of the picture bytes it is given, decodes them, and paints
// its client area through our drawing layer by display mode. Multi-image GIFs play on a frame
// worker of the box's own.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include <QWidget>

#include "forms/control.h"
#include "image/gif_animation.h"
#include "image/image_types.h"
#include "image/preview_render.h"

namespace tavrel {

class PicBox final : public QWidget, public forms::Control {
    Q_OBJECT

public:
    static constexpr std::uint32_t kHighestVersion = 2;
    static constexpr std::int32_t kBorderStyle = 8;
    static constexpr std::int32_t kBackgroundColour = 9;
    static constexpr std::int32_t kPicture = 10;
    static constexpr std::int32_t kDisplayMode = 11;  // 0 natural size, 1 stretched, 2 fitted and centred
    static constexpr std::int32_t kPlayAnimation = 12;

    PicBox(const forms::ControlRecord& record, forms::FormWindow& window);
    // Stops a playing GIF's worker before anything else goes.
    ~PicBox() override;

    // Makes the kind known to the form layer's loader.
    static void registerKind();

    QWidget* widget() override { return this; }
    bool capturesMouse() const override { return false; }

    // Keeps a copy of the bytes as the picture property, stops a playing GIF and waits for its
    // worker, then decodes the new picture. Bytes that do not decode leave only the background.
    // The box repaints at the next paint, not at once.
    void setPicture(std::span<const std::uint8_t> bytes);
    // The same for bytes whose picture the caller has already decoded: the box shares `decoded`
    // rather than decoding the bytes a second time (a playing GIF still opens its own frames).
    void setPicture(std::span<const std::uint8_t> bytes, std::shared_ptr<const DecodedImage> decoded);
    // Asks for a repaint of the whole client area; it merges with other requests made before the
    // event loop runs again, so a handler's redraw and setPicture give one paint.
    void redraw();

    // The client area: inside the edge.
    QRect clientArea() const;
    // Whether a GIF frame worker is running.
    bool playing() const { return player_ && player_->running(); }
    // Paints so far.
    std::uint64_t paintCount() const { return paints_; }

protected:
    void writeOwn(std::int32_t number, const forms::PropertyValue& value) override;
    void applySetting(std::int32_t number) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void takePicture(std::span<const std::uint8_t> bytes, std::shared_ptr<const DecodedImage> decoded);
    void discardShown();
    PreviewStyle previewStyle() const;
    ColorRef backgroundColour() const;

    std::shared_ptr<const DecodedImage> shown_;
    std::unique_ptr<GifPlayer> player_;
    bool playbackStarted_ = false;
    PreviewRenderer renderer_;
    std::uint64_t pictureVersion_ = 0;  // counts pictures set, so a kept paint is never reused across them
    std::uint64_t paints_ = 0;
};

}  // namespace tavrel
