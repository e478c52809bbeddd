#pragma once

#include "ModelConnection.h"

#include <QPixmap>
#include <QPushButton>

class QPainter;

// A push button bound to one parameter: while connected every click writes the checked state
// (1 or 0), and the button follows every change of the parameter. Not connected, a click writes
// nothing.
//
// Its face is, in order of precedence, painted by a custom paint function, taken from an image
// strip, or the standard push button. The strip holds two equal frames side by side (normal left,
// pressed or checked right) at twice the display resolution, so a frame covers a quarter of the
// strip's width and half its height on screen.
class PushButton : public QPushButton, public ModelConnection
{
    Q_OBJECT

public:
    using PaintFunction = void (*)(PushButton* button, QPainter* painter);

    explicit PushButton(QWidget* parent = nullptr);
    explicit PushButton(const QString& text, QWidget* parent = nullptr);

    using QWidget::update;
    void update(qint32 id) override;

    void setPaintFunction(PaintFunction function);
    PaintFunction paintFunction() const { return customPaint; }

    void setImage(const QPixmap& image);
    const QPixmap& image() const { return pixmap; }

    void setImagePosition(qint32 x, qint32 y);
    QPoint imagePosition() const { return QPoint(imageX, imageY); }

    // Centres the image frame in the button each time the button is shown.
    void setAutoCentre(bool centre);
    bool autoCentre() const { return centre; }

public Q_SLOTS:
    void updateButton(bool checked);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    PaintFunction customPaint = nullptr;
    QPixmap pixmap;
    qint32 imageX = 0;
    qint32 imageY = 0;
    bool centre = false;
};
