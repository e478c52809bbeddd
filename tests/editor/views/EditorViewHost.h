#pragma once

// A stand-in for the main window in the view tests: views open into an MDI area of its own, the
// send operation goes to a MidiHub on the loopback MIDI system (Port1 out = "Loopback A", Port2
// out = "Loopback B") or on a MIDI system the test hands in, and error messages are recorded
// instead of shown.

#include "../widgets/WidgetTestSupport.h"

#include "LoopbackMidiService.h"
#include "MidiBulkIntervalManager.h"
#include "MidiEditTextView.h"
#include "MidiEditTransmittionThread.h"
#include "MidiEditView.h"
#include "MidiHub.h"
#include "MonitorTextView.h"
#include "VantelMidiModel.h"
#include "ViewHost.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include <memory>

// The embedded images live in a static library, whose resources are registered by hand.
inline void registerEditorImages()
{
    static bool registered = false;
    if (!registered) {
        Q_INIT_RESOURCE(images);
        registered = true;
    }
}

class EditorViewHost : public ViewHost
{
public:
    // midi: the MIDI system to send to instead of the loopback one; not owned.
    explicit EditorViewHost(VantelMidiModel* aModel, HostMidiService* midi = nullptr)
        : model(aModel), bulk(aModel), hub(midi != nullptr ? midi : &service)
    {
        registerEditorImages();
        service.setRecordSent(true);
        hub.setBulkIntervalManager(&bulk);
        area.resize(1000, 700);
    }

    ~EditorViewHost() override
    {
        area.closeAllSubWindows();
        const QList<QMdiSubWindow*> windows = area.subWindowList();
        qDeleteAll(windows);
        // Workers of closed views end on their own; none may outlive the hub they send to.
        WorkerThread::finishReleased(10000);
    }

    bool openOutputs()
    {
        return hub.outputPort(0)->open(QStringLiteral("Loopback A")) == 0 &&
               hub.outputPort(1)->open(QStringLiteral("Loopback B")) == 0;
    }

    // What reached the Port1 output device since the last call.
    QByteArrayList sentToPort1()
    {
        QByteArrayList messages;
        for (const LoopbackMidiService::SentMessage& sent : service.takeSent()) {
            if (sent.device == QLatin1String("Loopback A"))
                messages.append(sent.bytes);
        }
        return messages;
    }

    MidiEditView* open(qint32 kind, const QString& text = QString())
    {
        QMdiSubWindow* window = openEditView(kind, QSize(), text);
        return window == nullptr ? nullptr : static_cast<MidiEditView*>(window->widget());
    }

    // Opened in the shown, active area, with the focus in its text: ready for key and mouse events.
    MidiEditView* openShown(qint32 kind, const QString& text = QString())
    {
        MidiEditView* view = open(kind, text);
        area.show();
        QApplication::setActiveWindow(&area);
        if (!QTest::qWaitForWindowExposed(&area))
            return nullptr;
        if (view->isMonitor())
            view->monitorView()->setFocus();
        else
            view->textView()->setFocus();
        return view;
    }

    QMdiSubWindow* openEditView(qint32 editKind, const QSize& contentSize,
                                const QString& initialText) override
    {
        auto* view = new MidiEditView(nullptr, model, editKind, initialText, this);
        QMdiSubWindow* window = area.addSubWindow(view);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(QStringLiteral("System Exclusive"));
        window->resize(contentSize.isEmpty() ? QSize(338, 274) : contentSize);
        window->show();
        views.append(view);
        return window;
    }

    void releaseKeyboardKeys() override { ++keyReleases; }
    bool isLoadingProject() const override { return false; }
    bool openInputPort(quint32, quint32) override { return false; }
    bool openOutputPort(quint32, quint32) override { return false; }
    bool closeInputPort(quint32) override { return false; }
    bool closeOutputPort(quint32) override { return false; }
    void inputPortChoices(quint32, QStringList*, qint32*) override {}
    void outputPortChoices(quint32, QStringList*, qint32*) override {}
    QString inputPortName(quint32) const override { return QString(); }
    QString outputPortName(quint32 port) const override { return hub.outputPortName(port); }
    void showErrorMessage(const QString& text) override { errors.append(text); }

    bool sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind, quint32 portSelection,
                           bool skipPacing, bool forceLong, quint64 passThrough, bool direct,
                           quint32* sendTimeOut) override
    {
        return hub.sendToOutputPorts(bytes, length, labelKind, portSelection, skipPacing, forceLong,
                                     passThrough, direct, sendTimeOut);
    }

    // Views still open, in the order they were opened.
    QList<MidiEditView*> openViews() const
    {
        QList<MidiEditView*> open;
        for (const QPointer<MidiEditView>& view : views) {
            if (view != nullptr)
                open.append(view);
        }
        return open;
    }

    VantelMidiModel* model;
    LoopbackMidiService service;
    MidiBulkIntervalManager bulk;
    MidiHub hub;
    QMdiArea area;
    QList<QPointer<MidiEditView>> views;
    QStringList errors;
    int keyReleases = 0;
};
