#include "MidiTimingClockPlayStopButton.h"

#include <QPainter>

#include <cmath>

namespace {

// Halves go upward.
int roundHalfUp(double value)
{
    return static_cast<int>(std::floor(value + 0.5));
}

} // namespace

MidiTimingClockPlayStopButton::MidiTimingClockPlayStopButton(QWidget* parent) : QPushButton(parent) {}

void MidiTimingClockPlayStopButton::setImage(const QPixmap& strip, const QSize& size)
{
    image = strip;
    imageSize = size;
    update();
}

void MidiTimingClockPlayStopButton::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    if (image.isNull())
        return;
    const int state = (isChecked() ? 2 : 0) + (isDown() ? 1 : 0);
    const QRect source(image.width() * state / 4, 0, image.width() / 4, image.height());
    const QRect target(roundHalfUp(width() / 2.0) - roundHalfUp(imageSize.width() / 2.0),
                       roundHalfUp(height() / 2.0) - roundHalfUp(imageSize.height() / 2.0), imageSize.width(),
                       imageSize.height());
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, image, source);
}
