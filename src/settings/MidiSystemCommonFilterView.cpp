#include "MidiSystemCommonFilterView.h"

#include "CheckBox.h"
#include "VantelMidiParameterId.h"

#include <QGroupBox>

MidiSystemCommonFilterView::MidiSystemCommonFilterView(QWidget* parent)
    : MidiFilterDetailView(parent, tr("System Common"), tr("System Common Messages"), QSize(300, 220))
{
    const QString texts[] = {tr("(F1) MIDI Time Code Quarter Frame"), tr("(F2) Song Position Pointer"),
                             tr("(F3) Song Select"), tr("(F6) Tune Request")};
    int row = 0;
    for (const QString& text : texts) {
        CheckBox* box = addCheckBox(groupBox(), text, ParamFilterTimeCode + row);
        box->setGeometry(11, 20 + 22 * row, 210, 20);
        ++row;
    }
}
