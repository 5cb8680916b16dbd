#include "forms/button.h"

#include <QIcon>
#include <QPixmap>

#include "forms/form_window.h"

namespace tavrel::forms {

Button::Button(const ControlRecord& record, FormWindow& window) : QPushButton(&window), Control(record, window) {
    // Enter never clicks: no button of a form is a dialog default.
    setAutoDefault(false);
    setDefault(false);
    connect(this, &QPushButton::clicked, this, [this] { fireEvent(kClicked); });
}

void Button::applySetting(std::int32_t number) {
    switch (number) {
        case kCaption: setText(QString::fromStdString(textSetting(kCaption))); break;
        case kPicture: {
            const Bytes picture = bytesSetting(kPicture);
            QPixmap shown;
            if (!picture.empty() && picture.size() <= static_cast<std::size_t>(INT32_MAX) &&
                shown.loadFromData(picture.data(), static_cast<uint>(picture.size()))) {
                setIcon(QIcon(shown));
            } else {
                setIcon(QIcon());
            }
            break;
        }
        default: break;
    }
}

}  // namespace tavrel::forms
