#pragma once

#include "Dial.h"

class QTimer;

// A dial with a lamp in the gap at the bottom of its arc: the timing clock flashes it once per
// quarter note, active sensing keeps it lit while it sends. With auto-off a lit lamp goes out by
// itself after the lamp duration; a flash while it is lit does not prolong it.
class MidiLedCombinedDial : public Dial
{
    Q_OBJECT

public:
    explicit MidiLedCombinedDial(QWidget* parent = nullptr);

    void setLed(bool on);
    bool isLit() const { return lit; }

    void setLedOnColor(const QColor& color);
    void setLedOffColor(const QColor& color);
    void setLedDuration(qint32 milliseconds) { duration = milliseconds; }
    void setAutoOff(bool on) { autoOff = on; }
    bool isAutoOff() const { return autoOff; }

public Q_SLOTS:
    void ledOn();
    void ledOff();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // One timer, restarted by each flash, so that an old flash cannot put out a newer one.
    QTimer* timer = nullptr;
    QColor onColor = Qt::white;
    QColor offColor = Qt::black;
    bool lit = false;
    qint32 duration = 100;
    bool autoOff = true;
};
