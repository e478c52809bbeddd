#include "MidiControlChangeFilterView.h"

#include "CheckBox.h"
#include "MidiControllerNames.h"
#include "VantelMidiParameterId.h"

#include <QGroupBox>
#include <QScrollArea>

MidiControlChangeFilterView::MidiControlChangeFilterView(QWidget* parent)
    : MidiFilterDetailView(parent, tr("Control Change"), tr("Control Change Messages"), QSize(300, 230))
{
    scroll = new QScrollArea(groupBox());
    scroll->setGeometry(1, 17, 210, 220);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* panel = new QWidget;
    panel->setFixedSize(190, 2820);
    for (int controller = 0; controller < MidiControllerNames::Count; ++controller) {
        CheckBox* box = addCheckBox(panel, MidiControllerNames::name(controller),
                                    paramFilterControlChangeNumber(controller));
        box->setGeometry(10, 3 + 22 * controller, 180, 20);
    }
    scroll->setWidget(panel);
}
