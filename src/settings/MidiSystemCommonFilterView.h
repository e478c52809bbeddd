#pragma once

#include "MidiFilterDetailView.h"

// The filter view's page for the system common messages: time code quarter frame, song position,
// song select and tune request, one check box each.
class MidiSystemCommonFilterView : public MidiFilterDetailView
{
    Q_OBJECT

public:
    explicit MidiSystemCommonFilterView(QWidget* parent = nullptr);
};
