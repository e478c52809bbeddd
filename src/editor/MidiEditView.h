#pragma once

#include "FileStream.h"
#include "WindowRestorationInfo.h"

#include <QFrame>
#include <QString>

class MidiEditGeneralView;
class MidiEditProgressView;
class MidiEditRepeatMessageView;
class MidiEditRepeatTransmittionThread;
class MidiEditTextView;
class MidiEditTransmittionThread;
class MidiSender;
class QStackedLayout;
class VantelMidiModel;

// One sub-window content for three roles, chosen at construction: the MIDI In monitor, the MIDI
// Out monitor and the system-exclusive editor (which can also start in receive mode). It stacks
// the text page, the progress page and the repeat page, owns the transmission threads and routes
// their reports.
//
// Threads: everything here runs on the GUI thread. The transmission threads report through queued
// signals. The view never waits for them: when it closes it stops them and hands them over to
// themselves (MidiEditTransmittionThread::release), frees the transmission lock (parameter 0) and
// goes; a worker still in a send finishes that send on its own.
class MidiEditView : public QFrame, public WindowRestorationInfo, public FileStream
{
    Q_OBJECT

public:
    enum ViewType : qint32
    {
        InMonitor = 0,
        OutMonitor = 1,
        SystemExclusive = 2,
        SystemExclusiveReceive = 3
    };
    enum Page : int
    {
        GeneralPage = 0,
        ProgressPage = 1,
        RepeatPage = 2
    };

    // Registers with ViewHost::instance() (when there is one) as a view fed with MIDI In text
    // (In monitor, system-exclusive views) or MIDI Out text (Out monitor), and sends through it.
    MidiEditView(QWidget* parent, VantelMidiModel* model, qint32 viewType, const QString& initialText);
    // The same with the sender given: tests and hosts that send elsewhere.
    MidiEditView(QWidget* parent, VantelMidiModel* model, qint32 viewType, const QString& initialText,
                 MidiSender* sender);
    ~MidiEditView() override;

    qint32 viewType() const { return type; }
    bool isMonitor() const { return monitor; }
    bool isInMonitor() const { return type == InMonitor; }
    bool isOutMonitor() const { return type == OutMonitor; }
    bool isSystemExclusiveView() const { return !monitor; }
    bool isReceiveMode() const { return receiveMode; }
    bool isTransmitting() const { return transmitting; }
    int currentPage() const;
    void showPage(int page);

    // Appends to the text area (Out monitors).
    void appendOutText(const QString& text);
    // Appends received text in receive mode; count is the number of bytes it stands for.
    void appendReceivedText(const QString& text, quint32 count);
    void transmit(const QString& text);
    void setReceiveMode(bool on);
    void stopRepeat();

    QString text() const;
    void setText(const QString& text);

    MidiEditGeneralView* generalView() const { return general; }
    MidiEditProgressView* progressView() const { return progress; }
    MidiEditRepeatMessageView* repeatMessageView() const { return repeatMessage; }
    MidiEditTextView* textView() const;
    MidiEditTransmittionThread* transmissionThread() const { return thread; }
    MidiEditRepeatTransmittionThread* repeatThread() const { return repeat; }

    bool readFromStream(QDataStream& stream) override;
    bool writeToStream(QDataStream& stream) override;

public Q_SLOTS:
    void startTransmittion(quint32 total);
    void transmittionProgress(quint32 sent);
    void finishTransmittion(qint32 result);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void releaseThreads();
    bool isStaleReport() const;
    void releaseRepeatThread();

    bool receiveMode;
    bool monitor;
    VantelMidiModel* model;
    bool transmitting = false;
    QStackedLayout* pages = nullptr;
    MidiEditTransmittionThread* thread = nullptr;
    MidiEditRepeatTransmittionThread* repeat = nullptr;
    MidiEditGeneralView* general = nullptr;
    MidiEditProgressView* progress = nullptr;
    MidiEditRepeatMessageView* repeatMessage = nullptr;
    qint32 type;
    MidiSender* sender;
    bool registered = false;
    bool closed = false;
};
