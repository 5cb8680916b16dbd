#pragma once
// The drag-and-drop receiver: no visible part, only which kinds of dragged data it accepts.
// Registering on a window and turning drops into its events belongs here too.

#include <QObject>

#include "forms/control.h"

namespace tavrel::forms {

class DropTarget final : public QObject, public Control {
    Q_OBJECT

public:
    static constexpr std::uint32_t kHighestVersion = 1;
    // Settings: which dragged data is accepted.
    static constexpr std::int32_t kAcceptText = 8;
    static constexpr std::int32_t kAcceptHtml = 9;
    static constexpr std::int32_t kAcceptUrl = 10;
    static constexpr std::int32_t kAcceptFiles = 11;
    // Events: what was dropped, each with one text.
    static constexpr std::int32_t kTextDropped = 0;
    static constexpr std::int32_t kHtmlDropped = 1;
    static constexpr std::int32_t kUrlDropped = 2;
    static constexpr std::int32_t kFilesDropped = 3;

    DropTarget(const ControlRecord& record, FormWindow& window);

    QWidget* widget() override { return nullptr; }
    bool canBeSeen() const override { return false; }
};

}  // namespace tavrel::forms
