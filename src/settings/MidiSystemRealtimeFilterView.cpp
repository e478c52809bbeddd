#include "MidiSystemRealtimeFilterView.h"

#include "CheckBox.h"
#include "VantelMidiParameterId.h"

#include <QGroupBox>

MidiSystemRealtimeFilterView::MidiSystemRealtimeFilterView(QWidget* parent)
    : MidiFilterDetailView(parent, tr("System Realtime"), tr("System Realtime Messages"), QSize(300, 220))
{
    const QString texts[] = {tr("(F8) Timing Clock"), tr("(FA) Start"),          tr("(FB) Continue"),
                             tr("(FC) Stop"),         tr("(FE) Active Sensing"), tr("(FF) System Reset")};
    int row = 0;
    for (const QString& text : texts) {
        CheckBox* box = addCheckBox(groupBox(), text, ParamFilterTimingClock + row);
        box->setGeometry(11, 20 + 22 * row, 210, 20);
        ++row;
    }
}
