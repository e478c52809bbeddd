#include "MidiEditView.h"

#include "MidiEditGeneralView.h"
#include "MidiEditProgressView.h"
#include "MidiEditRepeatMessageView.h"
#include "MidiEditRepeatTransmittionThread.h"
#include "MidiEditTextView.h"
#include "MidiEditTransmittionThread.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewHost.h"

#include <QCloseEvent>
#include <QDataStream>
#include <QStackedLayout>

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
    general->textView()->setPlainText(initialText);
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

QString MidiEditView::text() const
{
    return general->textView()->toPlainText();
}

void MidiEditView::setText(const QString& text)
{
    general->textView()->setPlainText(text);
}

void MidiEditView::appendOutText(const QString& text)
{
    general->textView()->appendText(text);
}

void MidiEditView::appendReceivedText(const QString& text, quint32 count)
{
    if (!receiveMode || count == 0)
        return;
    if (!monitor && model->getValue(ParamRepeatTransmission) != 0)
        return;
    progress->setByteCount(progress->byteCount() + count);
    model->lockModified();
    general->textView()->appendText(text);
    model->unlockModified();
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
    if (!transmitting)
        return;
    if (repeat != nullptr)
        repeat->stopTransmission();
    else if (thread != nullptr)
        thread->stopTransmission();
}

void MidiEditView::setReceiveMode(bool on)
{
    if (on != receiveMode && !on && !general->textView()->document()->isEmpty())
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
        if (failed)
            progress->showMessage(tr("Failed to transmit message."));
        else if (cancelled)
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
