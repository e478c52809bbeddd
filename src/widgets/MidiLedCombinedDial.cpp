#include "MidiLedCombinedDial.h"

#include <QPainter>
#include <QTimer>

MidiLedCombinedDial::MidiLedCombinedDial(QWidget* parent) : Dial(parent), timer(new QTimer(this))
{
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &MidiLedCombinedDial::ledOff);
}

void MidiLedCombinedDial::setLed(bool on)
{
    if (on)
        ledOn();
    else
        ledOff();
}

void MidiLedCombinedDial::setLedOnColor(const QColor& color)
{
    onColor = color;
    QWidget::update();
}

void MidiLedCombinedDial::setLedOffColor(const QColor& color)
{
    offColor = color;
    QWidget::update();
}

void MidiLedCombinedDial::ledOn()
{
    if (lit)
        return;
    lit = true;
    QWidget::update();
    if (autoOff)
        timer->start(duration);
}

void MidiLedCombinedDial::ledOff()
{
    timer->stop();
    lit = false;
    QWidget::update();
}

void MidiLedCombinedDial::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(lit ? onColor : offColor);
        // The 60-degree gap the arc leaves at the bottom, and a degree more to close the seam.
        painter.drawPie(arcRect(), 240 * 16, 61 * 16);
    }
    Dial::paintEvent(event);
}
