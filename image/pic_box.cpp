#include "image/pic_box.h"

#include <algorithm>
#include <new>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>

#include "forms/colours.h"
#include "forms/edges.h"
#include "forms/form_window.h"
#include "forms/kind_registry.h"
#include "image/decode.h"
#include "image/size_limits.h"

namespace tavrel {
namespace {

StretchMode screenStretchMode(const QWidget& widget) {
    const QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
    return stretchModeForDepth(screen ? screen->depth() : 0);
}

// Our bitmaps leave the fourth byte 0; the toolkit's RGB32 wants it 0xFF.
QImage toImage(const Bitmap& bitmap) {
    QImage image(bitmap.width, bitmap.height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    for (std::int32_t y = 0; y < bitmap.height; ++y) {
        const Pixel* in = bitmap.row(y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (std::int32_t x = 0; x < bitmap.width; ++x) out[x] = 0xFF000000u | in[x];
    }
    return image;
}

// A decode kept for sharing; nothing when the bytes do not decode.
std::shared_ptr<const DecodedImage> decodeShared(std::span<const std::uint8_t> bytes) {
    std::optional<DecodedImage> decoded = decodeImage(bytes);
    return decoded ? std::make_shared<const DecodedImage>(std::move(*decoded)) : nullptr;
}

}  // namespace

PicBox::PicBox(const forms::ControlRecord& record, forms::FormWindow& window) : QWidget(&window), Control(record, window) {
    setFocusPolicy(Qt::NoFocus);
    // The box paints every pixel itself; nothing is erased under it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

PicBox::~PicBox() { player_.reset(); }

void PicBox::registerKind() {
    forms::registerControlKind(forms::KindCode::PicBox, kHighestVersion, &forms::makeControl<PicBox>);
}

void PicBox::discardShown() {
    // The worker must be gone before its animation is freed or anything new is decoded.
    player_.reset();
    playbackStarted_ = false;
    shown_.reset();
    renderer_.forget();
}

void PicBox::setPicture(std::span<const std::uint8_t> bytes) { takePicture(bytes, nullptr); }

void PicBox::setPicture(std::span<const std::uint8_t> bytes, std::shared_ptr<const DecodedImage> decoded) {
    takePicture(bytes, std::move(decoded));
}

void PicBox::takePicture(std::span<const std::uint8_t> bytes, std::shared_ptr<const DecodedImage> decoded) {
    forms::Bytes copy;
    try {
        // A copy of several gigabytes (a result of the largest sizes) must not be what runs the
        // process out of memory: without room for it the box keeps and shows no picture.
        if (memoryAvailableFor(bytes.size())) copy.assign(bytes.begin(), bytes.end());
    } catch (const std::bad_alloc&) {
    }
    discardShown();
    ++pictureVersion_;
    const bool play = numberSetting(kPlayAnimation) == 1;
    try {
        if (!copy.empty() && play && detectImageKind(copy) == ImageKind::Gif) {
            if (auto animation = GifAnimation::open(copy, backgroundColour())) {
                if (animation->still()) {
                    shown_ = decodeShared(copy);
                } else {
                    // Frames are reported from the worker; the repaint runs here on the UI thread.
                    player_ = std::make_unique<GifPlayer>(std::move(animation), [this] {
                        QMetaObject::invokeMethod(this, [this] { update(clientArea()); }, Qt::QueuedConnection);
                    });
                }
            }
        } else if (!copy.empty()) {
            shown_ = decoded ? std::move(decoded) : decodeShared(copy);
        }
    } catch (const std::bad_alloc&) {
        discardShown();
    }
    storeSetting(kPicture, std::move(copy));
    update(clientArea());
}

void PicBox::redraw() { update(); }

QRect PicBox::clientArea() const {
    const int edge = forms::edgeWidth(forms::borderStyleFrom(numberSetting(kBorderStyle)));
    return rect().marginsRemoved(QMargins(edge, edge, edge, edge));
}

ColorRef PicBox::backgroundColour() const {
    const QColor colour = forms::colourFromRef(colourSetting(kBackgroundColour, forms::kButtonFaceMarker));
    return colorRefFromPixel(makePixel(static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
                                       static_cast<std::uint8_t>(colour.blue())));
}

PreviewStyle PicBox::previewStyle() const {
    const QRect client = clientArea();
    PreviewStyle style;
    style.clientWidth = std::max(client.width(), 0);
    style.clientHeight = std::max(client.height(), 0);
    style.background = backgroundColour();
    style.mode = displayModeFromValue(numberSetting(kDisplayMode));
    style.stretchMode = screenStretchMode(*this);
    return style;
}

void PicBox::writeOwn(std::int32_t number, const forms::PropertyValue& value) {
    switch (number) {
        case kPicture:
            if (const auto* bytes = std::get_if<forms::Bytes>(&value)) {
                setPicture(*bytes);
            } else {
                setPicture({});
            }
            return;
        case kBorderStyle: storeSetting(number, std::clamp(forms::numberFrom(value), 0, 5)); break;
        case kDisplayMode: storeSetting(number, std::clamp(forms::numberFrom(value), 0, 2)); break;
        default: storeSetting(number, value); break;
    }
    applySetting(number);
}

void PicBox::applySetting(std::int32_t) { update(); }

void PicBox::paintEvent(QPaintEvent*) {
    ++paints_;
    const PreviewStyle style = previewStyle();
    // The first paint after a playing GIF was set shows the background and starts the worker;
    // later paints show the composition as it stands between frames.
    const bool starting = player_ && !playbackStarted_;
    if (starting) {
        playbackStarted_ = true;
        if (!player_->start()) {
            // No thread to be had: show the first image still rather than nothing.
            player_.reset();
            shown_ = decodeShared(bytesSetting(kPicture));
        }
    }
    const Bitmap* pixels = nullptr;
    if (player_ && starting) {
        pixels = &renderer_.render(style, {}, pictureVersion_ << 32);
    } else if (player_) {
        player_->withAnimation([&](const GifAnimation& animation) {
            PreviewContent content;
            if (animation.steps() > 0) content.composition = &animation.composition();
            pixels = &renderer_.render(style, content, (pictureVersion_ << 32) + animation.steps());
        });
    } else {
        pixels = &renderer_.render(style, {shown_.get(), nullptr}, pictureVersion_ << 32);
    }
    const QImage client = toImage(*pixels);

    QPainter painter(this);
    // One to one: the pixels are already placed and stretched by our own drawing layer. Short of
    // memory for them, the box still shows its background rather than stale pixels.
    if (client.isNull()) {
        painter.fillRect(clientArea(), QColor::fromRgb(pixelFromColorRef(style.background)));
    } else {
        painter.drawImage(clientArea().topLeft(), client);
    }
    forms::drawEdge(painter, rect(), forms::borderStyleFrom(numberSetting(kBorderStyle)), palette());
}

}  // namespace tavrel
