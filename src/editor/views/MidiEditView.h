#pragma once

#include "FileStream.h"
#include "ViewKind.h"
#include "WindowRestorationInfo.h"

#include <QFrame>
#include <QString>

class EditorFileLoader;
class MidiEditGeneralView;
class MidiEditProgressView;
class MidiEditRepeatMessageView;
class MidiEditRepeatTransmittionThread;
class MidiEditTextView;
class MidiEditTransmittionThread;
class MonitorTextView;
class ViewHost;
class QStackedLayout;
class QTimer;
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
        InMonitor = EditKind::InMonitor,
        OutMonitor = EditKind::OutMonitor,
        SystemExclusive = EditKind::SystemExclusive,
        SystemExclusiveReceive = EditKind::SystemExclusiveReceive
    };
    enum Page : int
    {
        GeneralPage = 0,
        ProgressPage = 1,
        RepeatPage = 2
    };

    // host: the window the view lives in; it sends through it and opens further views with it.
    // Not owned, may be null (every send then fails); it must outlive the view's workers (see
    // MidiEditTransmittionThread). Whoever feeds monitors registers the view with its feed.
    MidiEditView(QWidget* parent, VantelMidiModel* model, qint32 viewType, const QString& initialText,
                 ViewHost* host);
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
    // Appends the analyzer's UTF-8 text to a monitor (In monitors in receive mode: count is the
    // number of bytes it stands for, as for appendReceivedText).
    void appendMonitorText(const QByteArray& text, quint32 count);
    // Empties a monitor; a system-exclusive view keeps its text.
    void clearMonitor();
    // Appends received text in receive mode; count is the number of bytes it stands for.
    void appendReceivedText(const QString& text, quint32 count);
    void transmit(const QString& text);
    // Stops the running transmission at its next piece, or a file being opened (Cancel on the
    // progress page).
    void cancelTransmission();
    // Places a file's text into this (empty) editor. A large file is read on a worker thread and
    // placed in slices, with the progress page and its Cancel button up meanwhile; a small one at
    // once. A file that cannot be read leaves the view empty.
    void loadFile(const QString& path);
    bool isLoading() const { return loading; }
    void setReceiveMode(bool on);
    void stopRepeat();

    QString text() const;
    void setText(const QString& text);

    MidiEditGeneralView* generalView() const { return general; }
    MidiEditProgressView* progressView() const { return progress; }
    MidiEditRepeatMessageView* repeatMessageView() const { return repeatMessage; }
    MidiEditTextView* textView() const;
    MonitorTextView* monitorView() const;
    MidiEditTransmittionThread* transmissionThread() const { return thread; }
    ViewHost* viewHost() const { return host; }
    MidiEditRepeatTransmittionThread* repeatThread() const { return repeat; }

    bool readFromStream(QDataStream& stream) override;
    bool writeToStream(QDataStream& stream) override;

public Q_SLOTS:
    void startTransmittion(quint32 total);
    void transmittionProgress(quint32 sent);
    void finishTransmittion(qint32 result);
    // Bytes of the text that made no complete message; shown when the transmission ends.
    void bytesLeftOut(quint32 count);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void releaseThreads();
    bool isStaleReport() const;
    void releaseRepeatThread();
    void placeLoadedText(const QString& text, bool ok);
    void showLoadProgress();
    void placeNextSlice();
    void colourNextSlice();
    void finishLoading(bool cancelled);
    void queueReceivedText(const QString& text);
    void appendReceivedSlice();

    bool receiveMode;
    bool monitor;
    VantelMidiModel* model;
    bool transmitting = false;
    quint32 leftOut = 0;
    // Of the running transmission: bytes announced and bytes sent so far.
    quint32 announcedBytes = 0;
    quint32 sentBytes = 0;
    QStackedLayout* pages = nullptr;
    MidiEditTransmittionThread* thread = nullptr;
    MidiEditRepeatTransmittionThread* repeat = nullptr;
    MidiEditGeneralView* general = nullptr;
    MidiEditProgressView* progress = nullptr;
    MidiEditRepeatMessageView* repeatMessage = nullptr;
    qint32 type;
    ViewHost* host;
    bool closed = false;
    // A file being opened: read by the loader, then placed slice by slice from `loadingText`.
    bool loading = false;
    EditorFileLoader* loader = nullptr;
    QTimer* loadTimer = nullptr;
    QString loadingText;
    int loadingPlaced = 0;
    int colouredBlocks = -1; // after the text is placed: blocks coloured so far
    int sliceSize = 0;
    // Received text not yet in the text area, appended slice by slice.
    QString receivedBacklog;
    QTimer* receiveTimer = nullptr;
};
