#pragma once

#include "MidiFilterDetailView.h"

// The filter view's page for the system realtime messages: timing clock, start, continue, stop,
// active sensing and system reset, one check box each.
class MidiSystemRealtimeFilterView : public MidiFilterDetailView
{
    Q_OBJECT

public:
    explicit MidiSystemRealtimeFilterView(QWidget* parent = nullptr);
};
