#pragma once

#include "CommonViewHelper.h"
#include "FileStream.h"
#include "ModelAssistant.h"
#include "WindowRestorationInfo.h"

#include <QFrame>

class ComboBox;
class MIDISettingsGroupBox;
class PushButton;
class QLabel;
class QPushButton;
class QScrollArea;
class RoutingPopupList;
class SpinBox;
class VantelMidiModel;
class ViewHost;

// Chooses the devices of both ports in both directions, which ports the monitors show, the thru
// routing of each input and the pause after bulk data. Ports are opened and closed by the host
// (which also keeps the settings file and the port parameters 503..506 in step); the combo boxes
// are bound to those parameters, so a choice made in the main window's port menus shows here too.
// Monitoring, routing and the bulk interval are plain parameters.
//
// The port lists are read from the host when the view opens, when "Update Port List" is pressed
// and when the host reports that its device lists changed (portListUpdated, which the host
// connects to its own list-update signals). A port whose device is no longer listed is closed.
//
// The bulk interval only acts while the parser preference is on; without it the interval controls
// are disabled and their tooltip says why.
//
// Everything the view shows lives in parameters and the settings file, so its project block is
// empty.
class MidiSettingsView : public QFrame,
                         public CommonViewHelper,
                         public WindowRestorationInfo,
                         public FileStream,
                         public ModelAssistant
{
    Q_OBJECT

public:
    // model: not owned, must outlive the view. host: the window the view lives in, which opens and
    // closes the ports; not owned, may be null (the lists then offer only "Not Connected").
    MidiSettingsView(QWidget* parent, VantelMidiModel* model, ViewHost* host);
    ~MidiSettingsView() override;

    MIDISettingsGroupBox* portGroup() const { return group; }
    PushButton* port1MonitorButton() const { return monitor1; }
    PushButton* port2MonitorButton() const { return monitor2; }
    ComboBox* firstInputComboBox() const { return firstInput; }
    ComboBox* secondInputComboBox() const { return secondInput; }
    ComboBox* firstOutputComboBox() const { return firstOutput; }
    ComboBox* secondOutputComboBox() const { return secondOutput; }
    RoutingPopupList* port1RoutingList() const { return routing1; }
    RoutingPopupList* port2RoutingList() const { return routing2; }
    QLabel* bulkIntervalLabel() const { return bulkLabel; }
    SpinBox* bulkIntervalSpinBox() const { return bulkSpinBox; }
    QPushButton* updatePortListButton() const { return updateButton; }
    QScrollArea* scrollArea() const { return scroll; }

    bool readFromStream(QDataStream& stream) override;
    bool writeToStream(QDataStream& stream) override;

    void parameterChanged(qint32 id) override;

public Q_SLOTS:
    void firstInputPortListChanged(qint32 index);
    void secondInputPortListChanged(qint32 index);
    void firstOutputPortListChanged(qint32 index);
    void secondOutputPortListChanged(qint32 index);
    void updatePortListPressed();
    void setBulkIntervalWidgetEnabled(bool enabled);
    // The host's device lists changed: read all four lists again.
    void portListUpdated();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildPortGroup(QWidget* panel);
    void fillPortList(ComboBox* combo, bool input, quint32 port);
    void fillAllPortLists();
    void choosePort(ComboBox* combo, bool input, quint32 port, qint32 index);

    PushButton* monitor1 = nullptr;
    ComboBox* firstInput = nullptr;
    ComboBox* secondInput = nullptr;
    ComboBox* firstOutput = nullptr;
    ComboBox* secondOutput = nullptr;
    VantelMidiModel* model;
    QLabel* bulkLabel = nullptr;
    SpinBox* bulkSpinBox = nullptr;
    ViewHost* host;
    PushButton* monitor2 = nullptr;
    RoutingPopupList* routing1 = nullptr;
    RoutingPopupList* routing2 = nullptr;
    MIDISettingsGroupBox* group = nullptr;
    QPushButton* updateButton = nullptr;
    QScrollArea* scroll = nullptr;
};
