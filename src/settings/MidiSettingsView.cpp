#include "MidiSettingsView.h"

#include "ComboBox.h"
#include "MIDISettingsGroupBox.h"
#include "PushButton.h"
#include "RoutingPopupList.h"
#include "SpinBox.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewHost.h"
#include "ViewKind.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr quint32 Port1 = 0;
constexpr quint32 Port2 = 1;

QLabel* makeLabel(QWidget* parent, const QString& text, const QRect& geometry, Qt::Alignment alignment)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setAlignment(alignment);
    return label;
}

PushButton* makeMonitorButton(QWidget* parent, ModelIF* model, qint32 id, const QString& accessibleName,
                              const QRect& geometry)
{
    auto* button = new PushButton(model->getName(id), parent);
    button->setGeometry(geometry);
    button->setCheckable(true);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setAccessibleName(accessibleName);
    button->setId(id);
    return button;
}

ComboBox* makePortComboBox(QWidget* parent, qint32 id, const QRect& geometry)
{
    auto* combo = new ComboBox(parent);
    combo->setGeometry(geometry);
    combo->setFocusPolicy(Qt::StrongFocus);
    combo->setId(id);
    return combo;
}

RoutingPopupList* makeRoutingList(QWidget* parent, qint32 id, const QString& accessibleName,
                                  const QRect& geometry)
{
    auto* list = new RoutingPopupList(parent);
    list->setGeometry(geometry);
    list->setFocusPolicy(Qt::StrongFocus);
    list->setHighlightColor(QColor(128, 128, 128, 100));
    list->setAccessibleName(accessibleName);
    list->setId(id);
    return list;
}

} // namespace

MidiSettingsView::MidiSettingsView(QWidget* parent, VantelMidiModel* aModel, ViewHost* aHost)
    : QFrame(parent), CommonViewHelper(aModel), model(aModel), host(aHost)
{
    Q_ASSERT(model != nullptr);
    viewKind = ViewKind::MidiSettings;
    setAutoFillBackground(true);
    setFocusPolicy(Qt::ClickFocus);

    auto* panel = new QWidget;
    panel->setFixedSize(480, 190);
    buildPortGroup(panel);

    bulkLabel = makeLabel(panel, model->getName(ParamBulkInterval), QRect(19, 165, 121, 20),
                          Qt::AlignLeft | Qt::AlignVCenter);
    bulkSpinBox = new SpinBox(panel);
    bulkSpinBox->setGeometry(140, 165, 100, 20);
    bulkSpinBox->setAlignment(Qt::AlignRight);
    bulkSpinBox->setFocusPolicy(Qt::StrongFocus);
    bulkSpinBox->setAccessibleName(tr("Bulk Interval"));
    bulkSpinBox->setId(ParamBulkInterval);

    updateButton = new QPushButton(tr("Update Port List"), panel);
    updateButton->setGeometry(316, 162, 150, 25);
    updateButton->setFocusPolicy(Qt::StrongFocus);
    connect(updateButton, &QPushButton::pressed, this, &MidiSettingsView::updatePortListPressed);

    scroll = new QScrollArea(this);
    scroll->setGeometry(0, 0, 500, 230);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidget(panel);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    resize(500, 230);

    connectControls(this);
    fillAllPortLists();
    model->setModified(1);
    model->addAssistant(this);
    setBulkIntervalWidgetEnabled(model->getValue(ParamParser) >= 1);

    connect(firstInput, qOverload<int>(&QComboBox::activated), this,
            &MidiSettingsView::firstInputPortListChanged);
    connect(secondInput, qOverload<int>(&QComboBox::activated), this,
            &MidiSettingsView::secondInputPortListChanged);
    connect(firstOutput, qOverload<int>(&QComboBox::activated), this,
            &MidiSettingsView::firstOutputPortListChanged);
    connect(secondOutput, qOverload<int>(&QComboBox::activated), this,
            &MidiSettingsView::secondOutputPortListChanged);
}

MidiSettingsView::~MidiSettingsView()
{
    model->removeAssistant(this);
}

void MidiSettingsView::buildPortGroup(QWidget* panel)
{
    group = new MIDISettingsGroupBox(tr("MIDI Port"), model, panel);
    group->setGeometry(10, 10, 463, 145);
    makeLabel(group, tr("Monitor"), QRect(7, 27, 48, 20), Qt::AlignCenter);
    makeLabel(group, tr("Input Port"), QRect(50, 27, 190, 20), Qt::AlignCenter);
    makeLabel(group, tr("Thru"), QRect(245, 27, 30, 20), Qt::AlignLeft | Qt::AlignVCenter);
    makeLabel(group, tr("Output Port"), QRect(265, 27, 190, 20), Qt::AlignCenter);

    monitor1 =
        makeMonitorButton(group, model, ParamMonitorPort1, tr("Port1 MIDI Monitor"), QRect(7, 49, 47, 22));
    firstInput = makePortComboBox(group, ParamInputPortIndex, QRect(60, 50, 180, 20));
    routing1 = makeRoutingList(group, ParamMidiThru, tr("Port1 MIDI Thru Setting"), QRect(240, 43, 35, 33));
    firstOutput = makePortComboBox(group, ParamOutputPortIndex, QRect(276, 50, 180, 20));

    monitor2 =
        makeMonitorButton(group, model, ParamMonitorPort2, tr("Port2 MIDI Monitor"), QRect(7, 84, 47, 22));
    secondInput = makePortComboBox(group, ParamInputPortIndexSecond, QRect(60, 85, 180, 20));
    routing2 =
        makeRoutingList(group, ParamMidiThruSecond, tr("Port2 MIDI Thru Setting"), QRect(240, 78, 35, 33));
    secondOutput = makePortComboBox(group, ParamOutputPortIndexSecond, QRect(276, 85, 180, 20));
}

void MidiSettingsView::fillPortList(ComboBox* combo, bool input, quint32 port)
{
    QStringList names;
    qint32 index = 0;
    if (host != nullptr) {
        if (input)
            host->inputPortChoices(port, &names, &index);
        else
            host->outputPortChoices(port, &names, &index);
    }
    if (names.isEmpty())
        names.append(tr("Not Connected"));
    // A position outside the list would leave the box without a current item.
    if (index < 0 || index >= names.size())
        index = 0;
    // A port whose device is not listed was closed by the host's listing, its choice kept: only
    // the user's own choice replaces it, never a refresh (the device or the whole MIDI server may
    // be on its way back).
    combo->replaceItems(names);
    combo->setCurrentIndex(index);
}

void MidiSettingsView::fillAllPortLists()
{
    fillPortList(firstInput, true, Port1);
    fillPortList(secondInput, true, Port2);
    fillPortList(firstOutput, false, Port1);
    fillPortList(secondOutput, false, Port2);
}

void MidiSettingsView::choosePort(ComboBox* combo, bool input, quint32 port, qint32 index)
{
    if (host == nullptr) {
        combo->setCurrentIndex(0);
        return;
    }
    // Position p of the list stands for device p - 1; position 0 for none.
    const quint32 device = index <= 0 ? ViewHost::NoDevice : quint32(index - 1);
    const bool opened = input ? host->openInputPort(port, device) : host->openOutputPort(port, device);
    if (!opened)
        combo->setCurrentIndex(0);
}

void MidiSettingsView::firstInputPortListChanged(qint32 index)
{
    choosePort(firstInput, true, Port1, index);
}

void MidiSettingsView::secondInputPortListChanged(qint32 index)
{
    choosePort(secondInput, true, Port2, index);
}

void MidiSettingsView::firstOutputPortListChanged(qint32 index)
{
    choosePort(firstOutput, false, Port1, index);
}

void MidiSettingsView::secondOutputPortListChanged(qint32 index)
{
    choosePort(secondOutput, false, Port2, index);
}

void MidiSettingsView::updatePortListPressed()
{
    fillAllPortLists();
}

void MidiSettingsView::portListUpdated()
{
    fillAllPortLists();
}

void MidiSettingsView::setBulkIntervalWidgetEnabled(bool enabled)
{
    const QString tip = enabled
                            ? QString()
                            : tr("%1 function is currently disabled.\nTurn On File > Preferences > Parser.")
                                  .arg(tr("Bulk interval"));
    bulkLabel->setEnabled(enabled);
    bulkSpinBox->setEnabled(enabled);
    bulkLabel->setToolTip(tip);
    bulkSpinBox->setToolTip(tip);
}

bool MidiSettingsView::readFromStream(QDataStream& stream)
{
    Q_UNUSED(stream)
    return true;
}

bool MidiSettingsView::writeToStream(QDataStream& stream)
{
    Q_UNUSED(stream)
    return true;
}

void MidiSettingsView::parameterChanged(qint32 id)
{
    if (id == ParamParser)
        setBulkIntervalWidgetEnabled(model->getValue(ParamParser) >= 1);
}

void MidiSettingsView::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    monitor1->setFocus();
}

void MidiSettingsView::closeEvent(QCloseEvent* event)
{
    model->setModified(1);
    QFrame::closeEvent(event);
}
