#include "MidiEditView.h"

#include "EditorFileLoader.h"
#include "MidiEditGeneralView.h"
#include "MidiEditProgressView.h"
#include "MidiEditRepeatMessageView.h"
#include "MidiEditRepeatTransmittionThread.h"
#include "MidiEditTextView.h"
#include "MidiEditTransmittionThread.h"
#include "MonitorTextView.h"
#include "SysExFile.h"
#include "TextHighlighter.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewHost.h"

#include <QCloseEvent>
#include <QDataStream>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStackedLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

MidiEditView::MidiEditView(QWidget* parent, VantelMidiModel* aModel, qint32 viewType,
                           const QString& initialText, ViewHost* aHost)
    : QFrame(parent), receiveMode(viewType == InMonitor || viewType == SystemExclusiveReceive),
      monitor(viewType == InMonitor || viewType == OutMonitor), model(aModel), type(viewType), host(aHost)
{
    viewKind = viewType == InMonitor    ? ViewKind::MidiInMonitor
               : viewType == OutMonitor ? ViewKind::MidiOutMonitor
                                        : ViewKind::SystemExclusive;

    general = new MidiEditGeneralView(this, model, viewType);
    progress = new MidiEditProgressView(this, model);
    repeatMessage = new MidiEditRepeatMessageView(this);
    pages = new QStackedLayout(this);
    pages->setContentsMargins(0, 0, 0, 0);
    pages->addWidget(general);
    pages->addWidget(progress);
    pages->addWidget(repeatMessage);

    thread = new MidiEditTransmittionThread(model, host);
    connect(thread, &MidiEditTransmittionThread::startTransmittion, this, &MidiEditView::startTransmittion);
    connect(thread, &MidiEditTransmittionThread::transmittionProgress, this,
            &MidiEditView::transmittionProgress);
    connect(thread, &MidiEditTransmittionThread::finishTransmittion, this, &MidiEditView::finishTransmittion);
    connect(thread, &MidiEditTransmittionThread::bytesLeftOut, this, &MidiEditView::bytesLeftOut);

    if (!monitor)
        model->setModified(1);

    pages->setCurrentIndex(viewType == SystemExclusiveReceive ? ProgressPage : GeneralPage);
    // The initial text is not an edit of the user's.
    model->lockModified();
    setText(initialText);
    model->unlockModified();
}

MidiEditView::~MidiEditView()
{
    releaseThreads();
}

int MidiEditView::currentPage() const
{
    return pages->currentIndex();
}

void MidiEditView::showPage(int page)
{
    pages->setCurrentIndex(page);
}

MidiEditTextView* MidiEditView::textView() const
{
    return general->textView();
}

MonitorTextView* MidiEditView::monitorView() const
{
    return general->monitorView();
}

QString MidiEditView::text() const
{
    if (monitor)
        return general->monitorView()->text();
    // What is still on its way into the text area belongs to the text already.
    if (loading && !loadingText.isEmpty())
        return loadingText;
    return general->textView()->toPlainText() + receivedBacklog;
}

void MidiEditView::setText(const QString& text)
{
    if (monitor) {
        general->monitorView()->setText(text);
        return;
    }
    if (loading)
        finishLoading(true);
    receivedBacklog.clear();
    general->textView()->setPlainText(text);
}

void MidiEditView::appendOutText(const QString& text)
{
    if (monitor)
        general->monitorView()->appendText(text);
    else
        general->textView()->appendText(text);
}

void MidiEditView::appendMonitorText(const QByteArray& text, quint32 count)
{
    if (!monitor)
        return;
    if (type == InMonitor) {
        if (!receiveMode || count == 0)
            return;
        progress->setByteCount(progress->byteCount() + count);
    }
    general->monitorView()->appendUtf8(text);
}

void MidiEditView::clearMonitor()
{
    if (monitor)
        general->monitorView()->clearText();
}

void MidiEditView::appendReceivedText(const QString& text, quint32 count)
{
    if (!receiveMode || count == 0)
        return;
    if (!monitor && model->getValue(ParamRepeatTransmission) != 0)
        return;
    progress->setByteCount(progress->byteCount() + count);
    if (monitor) {
        general->monitorView()->appendText(text);
        return;
    }
    queueReceivedText(text);
}

namespace {

// Received text larger than this goes into the text area over several turns of the event loop.
constexpr int ReceivedSliceFrom = 64 * 1024;
// Files smaller than this are placed at once.
constexpr qint64 LoadInSlicesFrom = 256 * 1024;
// How long one slice of placing text may hold up the GUI thread.
constexpr qint64 SliceBudgetNs = 12 * 1000 * 1000;

// Where a slice of `size` characters from `from` ends: after the line feed that ends the line the
// size reaches into, so that every slice adds whole lines. A line is never cut: the text area lays
// out a changed line again in full, and a line placed in pieces would be laid out once per piece
// (a text of one line of some megabytes would take minutes instead of a second).
int sliceEnd(const QString& text, int from, int size)
{
    const int end = from + size;
    if (end >= text.size())
        return text.size();
    const int lineEnd = text.indexOf(QLatin1Char('\n'), end);
    return lineEnd >= 0 ? lineEnd + 1 : text.size();
}

} // namespace

void MidiEditView::queueReceivedText(const QString& text)
{
    MidiEditTextView* area = general->textView();
    if (receivedBacklog.isEmpty() && text.size() < ReceivedSliceFrom) {
        model->lockModified();
        area->appendText(text);
        model->unlockModified();
        return;
    }
    // Into an empty text area a text goes without its surrounding white space, as appendText does.
    const bool intoEmpty = receivedBacklog.isEmpty() && area->document()->isEmpty();
    receivedBacklog += intoEmpty ? text.trimmed() : text;
    if (receiveTimer == nullptr) {
        receiveTimer = new QTimer(this);
        receiveTimer->setInterval(0);
        connect(receiveTimer, &QTimer::timeout, this, &MidiEditView::appendReceivedSlice);
    }
    if (!receiveTimer->isActive())
        receiveTimer->start();
}

void MidiEditView::appendReceivedSlice()
{
    QElapsedTimer clock;
    clock.start();
    int taken = 0;
    if (sliceSize <= 0)
        sliceSize = 16 * 1024;
    model->lockModified();
    while (taken < receivedBacklog.size() && clock.nsecsElapsed() < SliceBudgetNs / 2) {
        const int end = sliceEnd(receivedBacklog, taken, sliceSize);
        general->textView()->appendText(receivedBacklog.mid(taken, end - taken), false);
        taken = end;
    }
    model->unlockModified();
    receivedBacklog.remove(0, taken);
    if (receivedBacklog.isEmpty()) {
        receivedBacklog.squeeze();
        receiveTimer->stop();
    }
}

void MidiEditView::loadFile(const QString& path)
{
    if (monitor)
        return;
    if (loading)
        finishLoading(true);
    if (QFileInfo(path).size() < LoadInSlicesFrom) {
        general->textView()->setPlainText(SysExFile::readText(path));
        return;
    }
    loading = true;
    loadingText.clear();
    loadingPlaced = 0;
    if (loader == nullptr) {
        loader = new EditorFileLoader(this);
        connect(loader, &EditorFileLoader::loaded, this, &MidiEditView::placeLoadedText);
        loadTimer = new QTimer(this);
        connect(loadTimer, &QTimer::timeout, this, [this] {
            if (colouredBlocks >= 0)
                colourNextSlice();
            else if (loadingText.isEmpty())
                showLoadProgress();
            else
                placeNextSlice();
        });
    }
    // The progress counts the file's bytes read, the characters placed and the lines coloured, each
    // a third of it.
    colouredBlocks = -1;
    progress->setMode(true, 0, 999);
    pages->setCurrentIndex(ProgressPage);
    loader->start(path);
    loadTimer->start(50);
}

void MidiEditView::showLoadProgress()
{
    const qint64 total = qMax<qint64>(1, loader->totalBytes());
    progress->setProgress(quint32(qMin<qint64>(333, loader->bytesRead() * 333 / total)));
    progress->setByteCount(quint32(qMin<qint64>(loader->bytesRead(), UINT_MAX)));
}

void MidiEditView::placeLoadedText(const QString& text, bool ok)
{
    if (!loading)
        return;
    if (!ok || text.isEmpty()) {
        finishLoading(false);
        return;
    }
    loadingText = text;
    loadingPlaced = 0;
    sliceSize = 16 * 1024;
    // No undo of a file's slices one by one; the history starts with the file in place.
    general->textView()->setUndoRedoEnabled(false);
    general->textView()->clear();
    general->highlighter()->setSuspended(true);
    loadTimer->start(0);
}

void MidiEditView::placeNextSlice()
{
    MidiEditTextView* area = general->textView();
    QElapsedTimer clock;
    clock.start();
    const int end = sliceEnd(loadingText, loadingPlaced, sliceSize);
    QTextCursor cursor(area->document());
    model->lockModified();
    // Positioned within the edit: a cursor moved outside one works out where it stands on screen,
    // which lays out the whole last line.
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(loadingText.mid(loadingPlaced, end - loadingPlaced));
    cursor.endEditBlock();
    model->unlockModified();
    loadingPlaced = end;
    // Slices sized to the time they take: the text area's cost per character depends on the text.
    const qint64 spent = clock.nsecsElapsed();
    if (spent < SliceBudgetNs / 3)
        sliceSize = qMin(sliceSize * 2, 4 * 1024 * 1024);
    else if (spent > SliceBudgetNs)
        sliceSize = qMax(1024, sliceSize / 2);
    progress->setProgress(quint32(333 + qint64(loadingPlaced) * 333 / qMax(1, loadingText.size())));
    if (loadingPlaced >= loadingText.size())
        colouredBlocks = 0;
}

void MidiEditView::colourNextSlice()
{
    MidiEditTextView* area = general->textView();
    TextHighlighter* highlighter = general->highlighter();
    QTextDocument* document = area->document();
    QElapsedTimer clock;
    clock.start();
    // The colours go straight into the lines' layouts, as the highlighter would set them, in one
    // change of the document per slice: no signals (it is no edit, and the highlighter would
    // colour the lines again), and the view lays the lines out when it shows them.
    QTextCursor batch(document);
    const bool wasBlocked = document->blockSignals(true);
    batch.beginEditBlock();
    QVector<QTextLayout::FormatRange> ranges;
    QTextBlock block = document->findBlockByNumber(colouredBlocks);
    for (; block.isValid() && clock.nsecsElapsed() < SliceBudgetNs; block = block.next(), ++colouredBlocks) {
        highlighter->lineFormats(block.text(), highlighter->colouringRules(), ranges);
        if (!ranges.isEmpty())
            block.layout()->setFormats(ranges);
    }
    batch.endEditBlock();
    document->blockSignals(wasBlocked);
    area->viewport()->update();
    progress->setProgress(quint32(666 + qint64(colouredBlocks) * 333 / qMax(1, document->blockCount())));
    if (!block.isValid())
        finishLoading(false);
}

void MidiEditView::finishLoading(bool cancelled)
{
    if (!loading)
        return;
    loading = false;
    loader->cancel();
    loadTimer->stop();
    colouredBlocks = -1;
    general->highlighter()->setSuspended(false);
    const bool placed = !cancelled && !loadingText.isEmpty();
    loadingText = QString();
    loadingPlaced = 0;
    MidiEditTextView* area = general->textView();
    if (cancelled) {
        model->lockModified();
        area->clear();
        model->unlockModified();
    }
    area->setUndoRedoEnabled(true);
    if (placed) {
        area->moveCursor(QTextCursor::Start);
        model->setModified(1);
    }
    if (progress->state() == MidiEditProgressView::Transmitting)
        progress->setMode(false, 0, 0);
    if (pages->currentIndex() == ProgressPage && !transmitting)
        pages->setCurrentIndex(GeneralPage);
}

void MidiEditView::transmit(const QString& text)
{
    if (closed || text.isEmpty() || model->getValue(ParamTransmissionState) != 0)
        return;
    model->setValue(ParamTransmissionState, 1);
    transmitting = true;
    leftOut = 0;
    announcedBytes = 0;
    sentBytes = 0;
    if (model->getValue(ParamRepeatTransmission) != 0) {
        releaseRepeatThread();
        pages->setCurrentIndex(RepeatPage);
        repeat = new MidiEditRepeatTransmittionThread(model, host);
        connect(repeat, &MidiEditTransmittionThread::startTransmittion, this,
                &MidiEditView::startTransmittion);
        connect(repeat, &MidiEditTransmittionThread::transmittionProgress, this,
                &MidiEditView::transmittionProgress);
        connect(repeat, &MidiEditTransmittionThread::finishTransmittion, this,
                &MidiEditView::finishTransmittion);
        connect(repeat, &MidiEditTransmittionThread::bytesLeftOut, this, &MidiEditView::bytesLeftOut);
        repeat->setInterval(general->repeatInterval());
        repeat->requestTransmission(text);
        return;
    }
    thread->requestTransmission(text);
}

void MidiEditView::cancelTransmission()
{
    if (loading)
        finishLoading(true);
    if (!transmitting)
        return;
    if (repeat != nullptr)
        repeat->stopTransmission();
    else if (thread != nullptr)
        thread->stopTransmission();
}

void MidiEditView::setReceiveMode(bool on)
{
    if (on != receiveMode && !on && !monitor && !general->textView()->document()->isEmpty())
        model->setModified(1);
    receiveMode = on;
    pages->setCurrentIndex(on ? ProgressPage : GeneralPage);
}

void MidiEditView::stopRepeat()
{
    if (repeat != nullptr)
        repeat->stopTransmission();
}

bool MidiEditView::isStaleReport() const
{
    // Reports already queued when a thread was released still arrive; they belong to no
    // transmission of this view any more, and a late end would free another view's lock.
    if (closed)
        return true;
    const QObject* from = QObject::sender();
    return from != nullptr && from != thread && from != repeat;
}

void MidiEditView::startTransmittion(quint32 total)
{
    if (isStaleReport())
        return;
    if (total == 0)
        return;
    announcedBytes = total;
    sentBytes = 0;
    progress->setProgress(0);
    if (total > 256)
        pages->setCurrentIndex(ProgressPage);
    progress->setMode(true, 0, total);
}

void MidiEditView::transmittionProgress(quint32 sent)
{
    if (isStaleReport())
        return;
    // Counted also after Cancel: the worker reports the pieces that left until it saw the stop,
    // and the closing message tells how many bytes went.
    sentBytes = sent;
    if (progress->state() == MidiEditProgressView::Idle) {
        // Cancel was pressed on the progress page.
        if (repeat != nullptr)
            repeat->stopTransmission();
        else
            thread->stopTransmission();
        return;
    }
    sentBytes = sent;
    progress->setProgress(sent);
    progress->setByteCount(sent);
}

void MidiEditView::bytesLeftOut(quint32 count)
{
    if (isStaleReport())
        return;
    leftOut = count;
}

void MidiEditView::finishTransmittion(qint32 result)
{
    if (isStaleReport())
        return;
    transmitting = false;
    model->setValue(ParamTransmissionState, 0);
    model->setValue(ParamRepeatTransmission, 0);
    if (progress->state() != MidiEditProgressView::ShowingError) {
        progress->setMode(false, 0, 0);
        const bool failed = result == MidiEditTransmittionThread::Failed;
        // Stopping is how a repetition ends; a single transmission stops only when cancelled.
        const bool cancelled = result == MidiEditTransmittionThread::Stopped && repeat == nullptr;
        pages->setCurrentIndex(failed || cancelled || leftOut > 0 ? ProgressPage : GeneralPage);
        if (failed) {
            const QString detail = host != nullptr ? host->transmitFailureDetail() : QString();
            progress->showMessage(tr("Failed to transmit message.") +
                                  (detail.isEmpty() ? QString() : QLatin1Char('\n') + detail));
        } else if (cancelled)
            progress->showMessage(tr("Transmission cancelled after\n%1 of %2 bytes.")
                                      .arg(qMin(sentBytes, announcedBytes))
                                      .arg(announcedBytes));
        else if (leftOut == 1)
            progress->showMessage(
                tr("Transmitted, but 1 byte was left out:\nit is not part of a complete message."));
        else if (leftOut > 1)
            progress->showMessage(
                tr("Transmitted, but %1 bytes were left out:\nthey are not part of complete messages.")
                    .arg(leftOut));
    }
    leftOut = 0;
    releaseRepeatThread();
}

void MidiEditView::releaseRepeatThread()
{
    if (repeat == nullptr)
        return;
    disconnect(repeat, nullptr, this, nullptr);
    repeat->release();
    repeat = nullptr;
}

void MidiEditView::releaseThreads()
{
    closed = true;
    if (loading) {
        loading = false;
        loader->cancel();
    }
    releaseRepeatThread();
    if (thread != nullptr) {
        thread->release();
        thread = nullptr;
    }
    if (transmitting) {
        transmitting = false;
        model->setValue(ParamTransmissionState, 0);
        model->setValue(ParamRepeatTransmission, 0);
    }
}

void MidiEditView::closeEvent(QCloseEvent* event)
{
    progress->setMode(false, 0, 0);
    releaseThreads();
    if (!monitor)
        model->setModified(1);
    QFrame::closeEvent(event);
}

bool MidiEditView::writeToStream(QDataStream& stream)
{
    if (!monitor && !receiveMode)
        FileStream::writeStringField(stream, 0, text());
    return true;
}

bool MidiEditView::readFromStream(QDataStream& stream)
{
    if (monitor)
        return true;
    QString content;
    if (FileStream::readStringField(stream, 0, &content))
        setText(content);
    return true;
}
