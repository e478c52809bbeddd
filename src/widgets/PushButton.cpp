#include "PushButton.h"

#include <QPainter>

PushButton::PushButton(QWidget* parent) : PushButton(QString(), parent) {}

PushButton::PushButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    connect(this, &QAbstractButton::clicked, this, &PushButton::updateButton);
}

void PushButton::update(qint32)
{
    setChecked(getValue() != 0);
}

void PushButton::updateButton(bool checked)
{
    Q_UNUSED(checked)
    if (isConnected())
        setValue(isChecked() ? 1 : 0);
}

void PushButton::setPaintFunction(PaintFunction function)
{
    customPaint = function;
    QWidget::update();
}

void PushButton::setImage(const QPixmap& image)
{
    pixmap = image;
    QWidget::update();
}

void PushButton::setImagePosition(qint32 x, qint32 y)
{
    imageX = x;
    imageY = y;
    QWidget::update();
}

void PushButton::setAutoCentre(bool autoCentre)
{
    centre = autoCentre;
}

void PushButton::paintEvent(QPaintEvent* event)
{
    if (customPaint != nullptr) {
        QPainter painter(this);
        customPaint(this, &painter);
        return;
    }
    if (pixmap.isNull()) {
        QPushButton::paintEvent(event);
        return;
    }
    const bool active = isCheckable() ? isChecked() : isDown();
    const int halfWidth = qRound(pixmap.width() * 0.5);
    const QRect source(active ? halfWidth : 0, 0, halfWidth, pixmap.height());
    const QRect target(imageX, imageY, qRound(pixmap.width() * 0.25), qRound(pixmap.height() * 0.5));
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, pixmap, source);
}

void PushButton::showEvent(QShowEvent* event)
{
    if (centre && !pixmap.isNull()) {
        imageX = qRound((width() - qRound(pixmap.width() * 0.25)) * 0.5);
        imageY = qRound((height() - qRound(pixmap.height() * 0.5)) * 0.5);
    }
    QPushButton::showEvent(event);
}
