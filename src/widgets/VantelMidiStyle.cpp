#include "VantelMidiStyle.h"

VantelMidiStyle::VantelMidiStyle(QStyle* baseStyle) : QProxyStyle(baseStyle) {}

int VantelMidiStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    if (metric == PM_ScrollBarExtent)
        return ScrollBarExtent;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
