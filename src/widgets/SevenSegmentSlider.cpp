#include "SevenSegmentSlider.h"

#include "SevenSegment.h"

SevenSegmentSlider::SevenSegmentSlider(SevenSegment* aDisplay) : WidgetSlider(aDisplay), display(aDisplay) {}

void SevenSegmentSlider::setValue(qint32 value)
{
    display->setValue(value);
}

qint32 SevenSegmentSlider::value() const
{
    return display->value();
}

qint32 SevenSegmentSlider::minimum() const
{
    return display->minimum();
}

qint32 SevenSegmentSlider::maximum() const
{
    return display->maximum();
}

void SevenSegmentSlider::resetToDefault()
{
    display->setValue(display->resetValue());
}

void SevenSegmentSlider::beginTextInput()
{
    display->beginTextInput();
}
