#pragma once
// The drag-and-drop receiver: no visible part, only which kinds of dragged data it accepts.
// Registered on a window, it turns drops anywhere on that window, child controls included, into
// its events, each raised with one text before the drop returns to the source.

#include <QObject>
#include <QPointer>

#include "forms/control.h"

class QDragMoveEvent;
class QDropEvent;
class QMimeData;

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
    ~DropTarget() override;

    QWidget* widget() override { return nullptr; }
    bool canBeSeen() const override { return false; }

    // Makes `window` a drop zone. False, changing nothing, when a window is registered already or
    // none is given.
    bool registerDropTarget(QWidget* window);
    // Forgets the registered window; nothing when there is none.
    void unregisterDropTarget();
    bool registered() const { return registered_; }

    // The effect a drag gets. Keys: Ctrl and Shift ask for a link, Ctrl alone a copy, Shift alone a
    // move; an asked effect is taken only when the source allows it and never when it is a link.
    // No key: copy, else move, else link, whichever the source allows first.
    static Qt::DropAction chooseEffect(bool acceptable, Qt::KeyboardModifiers keys, Qt::DropActions allowed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether the data carries a kind of data an enabled setting accepts.
    bool offersAccepted(const QMimeData& data) const;
    bool blockedByModal() const;
    void answer(QDragMoveEvent& event) const;
    void dropped(QDropEvent& event);
    bool setting(std::int32_t number) const { return numberSetting(number) != 0; }

    bool registered_ = false;
    QPointer<QWidget> window_;
    bool windowAcceptedDrops_ = false;  // put back when the registration ends
    bool acceptable_ = false;           // of the drag in progress
};

}  // namespace tavrel::forms
