#pragma once

#include "MidiFilterDetailView.h"

class QScrollArea;

// The filter view's page for control changes: one check box per controller number, named as the
// control change view names them, in a scrolling list. Control changes are filtered by these
// boxes only.
class MidiControlChangeFilterView : public MidiFilterDetailView
{
    Q_OBJECT

public:
    explicit MidiControlChangeFilterView(QWidget* parent = nullptr);

    QScrollArea* scrollArea() const { return scroll; }

private:
    QScrollArea* scroll = nullptr;
};
