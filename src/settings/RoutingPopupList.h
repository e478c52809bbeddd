#pragma once

#include "ModelConnection.h"

#include <QColor>
#include <QPushButton>

class QTimer;

// The small round control in the thru column of the MIDI settings view: a press offers every value
// of its parameter in a menu (by the parameter's value texts, "Off", "Port1->Port2", ...) and
// writes the one chosen. It draws nothing but a highlight circle while the mouse is over it, so
// the routing lines of the group box behind it stay visible.
//
// Re-arm rule: the press that closes the menu (a click on the control itself) must not open the
// menu again at once. After the menu closes the control ignores presses until its 100 ms re-arm
// timer has run out; while a menu is open it ignores them too, whatever the window system replays.
class RoutingPopupList : public QPushButton, public ModelConnection
{
    Q_OBJECT

public:
    static constexpr int RearmMilliseconds = 100;

    explicit RoutingPopupList(QWidget* parent = nullptr);

    using QWidget::update;
    void update(qint32 id) override;

    void setHighlightColor(const QColor& color);
    QColor highlightColor() const { return highlight; }
    bool isHovered() const { return hovered; }
    bool isPopupAllowed() const { return popupAllowed; }
    bool isMenuOpen() const { return menuOpen; }
    QTimer* rearmTimer() const { return timer; }

public Q_SLOTS:
    void timeout();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void popup();

    QColor highlight = Qt::transparent;
    bool hovered = false;
    QTimer* timer = nullptr;
    bool popupAllowed = true;
    bool menuOpen = false;
};
