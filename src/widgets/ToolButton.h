#pragma once

#include <QPixmap>
#include <QToolButton>

// A tool button with an image strip painted over the standard button: two equal frames side by
// side at twice the display resolution, the left one shown while enabled, the right one while
// disabled.
class ToolButton : public QToolButton
{
    Q_OBJECT

public:
    explicit ToolButton(QWidget* parent = nullptr);

    void setImage(const QPixmap& image);
    const QPixmap& image() const { return pixmap; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap pixmap;
};
