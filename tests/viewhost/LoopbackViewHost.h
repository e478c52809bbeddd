#pragma once

// The part every stand-in for the main window shares: the send operation goes to a MidiHub on a
// MIDI system of the host's own (the loopback system: Port1 out "Loopback A", Port2 out
// "Loopback B") or one handed in, and the port commands, edit views and messages do nothing.
// Stand-ins override what their tests look at.

#include "LoopbackMidiService.h"
#include "MidiBulkIntervalManager.h"
#include "MidiHub.h"
#include "Model.h"
#include "ViewHost.h"

class LoopbackViewHost : public ViewHost
{
public:
    // midi: the MIDI system to send to instead of the loopback one; not owned.
    explicit LoopbackViewHost(Model* model, HostMidiService* midi = nullptr)
        : bulk(model), hub(midi != nullptr ? midi : &service)
    {
        hub.setBulkIntervalManager(&bulk);
    }

    // Port1 and Port2 on the loopback system's two outputs.
    bool openLoopbackOutputs()
    {
        return hub.outputPort(0)->open(QStringLiteral("Loopback A")) == 0 &&
               hub.outputPort(1)->open(QStringLiteral("Loopback B")) == 0;
    }

    bool sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind, quint32 portSelection,
                           bool skipPacing, bool forceLong, quint64 passThrough, bool direct,
                           quint32* sendTimeOut) override
    {
        return hub.sendToOutputPorts(bytes, length, labelKind, portSelection, skipPacing, forceLong,
                                     passThrough, direct, sendTimeOut);
    }
    QMdiSubWindow* openEditView(qint32, const QSize&, const QString&) override { return nullptr; }
    void releaseKeyboardKeys() override {}
    bool isLoadingProject() const override { return false; }
    void showErrorMessage(const QString&) override {}
    bool openInputPort(quint32, quint32) override { return false; }
    bool openOutputPort(quint32, quint32) override { return false; }
    bool closeInputPort(quint32) override { return false; }
    bool closeOutputPort(quint32) override { return false; }
    void inputPortChoices(quint32, QStringList*, qint32*) override {}
    void outputPortChoices(quint32, QStringList*, qint32*) override {}
    QString inputPortName(quint32) const override { return QString(); }
    QString outputPortName(quint32 port) const override { return hub.outputPortName(port); }

    LoopbackMidiService service;
    MidiBulkIntervalManager bulk;
    MidiHub hub;
};
