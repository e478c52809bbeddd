#pragma once

// A stand-in for the main window in the view tests: views open into an MDI area of its own, the
// send operation goes to a MidiHub on the loopback MIDI system (Port1 out = "Loopback A", Port2
// out = "Loopback B") or on a MIDI system the test hands in, and error messages are recorded
// instead of shown.

#include "../../viewhost/LoopbackViewHost.h"
#include "../widgets/WidgetTestSupport.h"

#include "MidiEditTextView.h"
#include "MidiEditTransmittionThread.h"
#include "MidiEditView.h"
#include "MonitorTextView.h"
#include "VantelMidiModel.h"

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

class EditorViewHost : public LoopbackViewHost
{
public:
    // midi: the MIDI system to send to instead of the loopback one; not owned.
    explicit EditorViewHost(VantelMidiModel* aModel, HostMidiService* midi = nullptr)
        : LoopbackViewHost(aModel, midi), model(aModel)
    {
        registerEditorImages();
        service.setRecordSent(true);
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

    bool openOutputs() { return openLoopbackOutputs(); }

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
    void showErrorMessage(const QString& text) override { errors.append(text); }

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
    QMdiArea area;
    QList<QPointer<MidiEditView>> views;
    QStringList errors;
    int keyReleases = 0;
};
