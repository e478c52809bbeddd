#pragma once

#include <QPixmap>
#include <QPushButton>
#include <QSize>

// The play/stop toggle of the timing clock view: the standard button with one of four pictures
// over it (up, pressed, checked, checked and pressed), taken from one strip of four frames.
class MidiTimingClockPlayStopButton : public QPushButton
{
    Q_OBJECT

public:
    explicit MidiTimingClockPlayStopButton(QWidget* parent = nullptr);

    // strip: four equal frames side by side; size: the size drawn on screen.
    void setImage(const QPixmap& strip, const QSize& size);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap image;
    QSize imageSize;
};
