#pragma once

#include "WidgetSlider.h"

class SevenSegment;

// The drag overlay of a SevenSegment. It covers the digits, not the step buttons; the display owns
// it (Qt parent) and places it.
class SevenSegmentSlider : public WidgetSlider
{
    Q_OBJECT

public:
    explicit SevenSegmentSlider(SevenSegment* display);

    void setValue(qint32 value) override;
    qint32 value() const override;
    qint32 minimum() const override;
    qint32 maximum() const override;
    void resetToDefault() override;
    void beginTextInput() override;

private:
    SevenSegment* display;
};
