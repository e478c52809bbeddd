#include "RoutingPopupList.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

RoutingPopupList::RoutingPopupList(QWidget* parent) : QPushButton(parent), timer(new QTimer(this))
{
    timer->setSingleShot(true);
    timer->setInterval(RearmMilliseconds);
    connect(timer, &QTimer::timeout, this, &RoutingPopupList::timeout);
    setMouseTracking(true);
}

void RoutingPopupList::update(qint32)
{
    // The value is shown by the routing lines behind the control and by the menu's check mark.
    QWidget::update();
}

void RoutingPopupList::setHighlightColor(const QColor& color)
{
    highlight = color;
    QWidget::update();
}

void RoutingPopupList::timeout()
{
    popupAllowed = true;
}

void RoutingPopupList::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    if (!hovered)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(highlight);
    painter.drawEllipse(QRectF(rect()).center(), 13.0, 13.0);
}

void RoutingPopupList::mouseMoveEvent(QMouseEvent* event)
{
    hovered = true;
    QWidget::update();
    QPushButton::mouseMoveEvent(event);
}

void RoutingPopupList::leaveEvent(QEvent* event)
{
    if (!menuOpen)
        hovered = false;
    QWidget::update();
    QPushButton::leaveEvent(event);
}

void RoutingPopupList::mousePressEvent(QMouseEvent* event)
{
    // Not handed to QPushButton: the control has no pressed state and no clicked signal.
    event->accept();
    if (popupAllowed && !menuOpen)
        popup();
}

void RoutingPopupList::popup()
{
    qint32 error = 0;
    const qint32 minimum = getMinimum(&error);
    const qint32 maximum = getMaximum(&error);
    if (error != 0)
        return;
    const qint32 current = getValue();

    QMenu menu(this);
    for (qint32 value = minimum; value <= maximum; ++value) {
        QAction* action = menu.addAction(getValueText(value));
        action->setCheckable(true);
        action->setData(value);
        if (value == current) {
            action->setChecked(true);
            menu.setActiveAction(action);
        }
    }
    menuOpen = true;
    QAction* chosen = menu.exec(mapToGlobal(QPoint(qRound(width() * 0.5), height())));
    menuOpen = false;
    hovered = rect().contains(mapFromGlobal(QCursor::pos()));
    QWidget::update();
    popupAllowed = false;
    timer->start();
    if (chosen != nullptr)
        setValue(chosen->data().toInt());
}
