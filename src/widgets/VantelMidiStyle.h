#pragma once

#include <QProxyStyle>

// The application style: the platform's default style with wider scroll bars, so that the long
// monitor and editor views are easy to scroll with the mouse. The entry point installs it with
// QApplication::setStyle, which takes ownership.
class VantelMidiStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // A null base style means the platform's default style, created on first use.
    explicit VantelMidiStyle(QStyle* baseStyle = nullptr);

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;

    static constexpr int ScrollBarExtent = 18;
};
