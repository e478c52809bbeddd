#include "ToolButton.h"

#include <QPainter>

ToolButton::ToolButton(QWidget* parent) : QToolButton(parent) {}

void ToolButton::setImage(const QPixmap& image)
{
    pixmap = image;
    update();
}

void ToolButton::paintEvent(QPaintEvent* event)
{
    QToolButton::paintEvent(event);
    if (pixmap.isNull())
        return;
    const int halfWidth = qRound(pixmap.width() * 0.5);
    const QRect source(isEnabled() ? 0 : halfWidth, 0, halfWidth, pixmap.height());
    const QRect target(0, 0, qRound(pixmap.width() * 0.25), qRound(pixmap.height() * 0.5));
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, pixmap, source);
}
