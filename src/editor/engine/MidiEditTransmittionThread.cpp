#include "MidiEditTransmittionThread.h"

#include "HexText.h"
#include "MidiMessageKind.h"
#include "MidiSender.h"
#include "Model.h"
#include "VantelMidiParameterId.h"

MidiEditTransmittionThread::MidiEditTransmittionThread(Model* aModel, MidiSender* aSender, QObject* parent)
    : WorkerThread(parent), model(aModel), sender(aSender)
{
    if (model != nullptr) {
        const bool on = model->getValue(ParamParser) != 0;
        parserSetting = on;
        parserOn = on;
        model->addAssistant(this);
    }
}

MidiEditTransmittionThread::~MidiEditTransmittionThread()
{
    if (model != nullptr)
        model->removeAssistant(this);
    active = false;
    stopAndWait();
}

void MidiEditTransmittionThread::requestTransmission(const QString& text)
{
    if (isReleased())
        return;
    {
        QMutexLocker lock(&mutex);
        pending = text;
        hasRequest = true;
        active = true;
    }
    condition.wakeAll();
    if (!isRunning()) {
        start(QThread::InheritPriority);
        setPriority(QThread::NormalPriority);
    }
}

void MidiEditTransmittionThread::stopTransmission()
{
    active = false;
    wake();
}

void MidiEditTransmittionThread::setBulkIntervalBypass(bool bypass)
{
    bulkBypass = bypass;
}

void MidiEditTransmittionThread::parameterChanged(qint32 id)
{
    if (id == ParamParser && model != nullptr)
        parserSetting = model->getValue(ParamParser) != 0;
}

void MidiEditTransmittionThread::detach()
{
    disconnect(this, &MidiEditTransmittionThread::startTransmittion, nullptr, nullptr);
    disconnect(this, &MidiEditTransmittionThread::transmittionProgress, nullptr, nullptr);
    disconnect(this, &MidiEditTransmittionThread::finishTransmittion, nullptr, nullptr);
    if (model != nullptr) {
        model->removeAssistant(this);
        model = nullptr;
    }
    active = false;
}

void MidiEditTransmittionThread::wake()
{
    {
        // A worker that saw its flags unchanged under the mutex is now waiting and will be woken.
        QMutexLocker lock(&mutex);
    }
    condition.wakeAll();
}

void MidiEditTransmittionThread::run()
{
    while (!isStopRequested()) {
        QString text;
        if (!takeRequest(&text)) {
            waitForWork(-1);
            continue;
        }
        transmitText(text);
    }
}

bool MidiEditTransmittionThread::takeRequest(QString* text)
{
    QMutexLocker lock(&mutex);
    if (!hasRequest || isStopRequested())
        return false;
    *text = pending;
    pending.clear();
    hasRequest = false;
    return true;
}

void MidiEditTransmittionThread::waitForWork(int msecs)
{
    QMutexLocker lock(&mutex);
    if (hasRequest || isStopRequested())
        return;
    if (msecs < 0)
        condition.wait(&mutex);
    else if (msecs > 0)
        condition.wait(&mutex, static_cast<unsigned long>(msecs));
}

void MidiEditTransmittionThread::transmitText(const QString& text)
{
    if (transmissionRoutine(text))
        Q_EMIT finishTransmittion(Finished);
}

void MidiEditTransmittionThread::endTransmission()
{
    parser.reset();
    Q_EMIT finishTransmittion(active ? Failed : Stopped);
}

void MidiEditTransmittionThread::applySettings()
{
    const bool on = parserSetting;
    if (on != parserOn) {
        parserOn = on;
        parser.reset();
    }
}

bool MidiEditTransmittionThread::sendBytes(const quint8* bytes, quint32 count, quint8 kind, bool forceLong)
{
    if (sender == nullptr)
        return false;
    return sender->sendToOutputPorts(bytes, count, kind, 2, bulkBypass, forceLong);
}

bool MidiEditTransmittionThread::sendMessage(const quint8* bytes, quint32 count, quint8 kind, bool forceLong,
                                             quint32* total)
{
    if (count <= quint32(PieceBytes)) {
        if (!sendBytes(bytes, count, kind, forceLong))
            return false;
        *total += count;
        Q_EMIT transmittionProgress(*total);
        return active;
    }
    if (sender == nullptr)
        return false;
    // Port by port and piece by piece, as the sender would do within one call: a port that fails a
    // piece gets nothing more of the message, for the rest would arrive without its beginning.
    bool failed[2] = {false, false};
    dumpOpen = bytes[0] == 0xF0;
    for (quint32 offset = 0; offset < count; offset += quint32(PieceBytes)) {
        const quint32 n = qMin(quint32(PieceBytes), count - offset);
        const bool last = offset + n == count;
        // Continuation pieces go as long data; the pause after a dump follows its last piece once.
        const bool asLong = offset == 0 ? forceLong : true;
        const int lastPort = failed[1] ? 0 : 1;
        for (int p = 0; p < 2; ++p) {
            if (failed[p])
                continue;
            const bool skipPacing = bulkBypass || !last || p != lastPort;
            if (!sender->sendToOutputPorts(bytes + offset, n, kind, quint32(p), skipPacing, asLong))
                failed[p] = true;
        }
        if (failed[0] && failed[1]) {
            dumpOpen = false;
            return false;
        }
        *total += n;
        Q_EMIT transmittionProgress(*total);
        if (!active && !last) {
            closeCutMessage(failed);
            return false;
        }
    }
    dumpOpen = false;
    return active;
}

void MidiEditTransmittionThread::closeCutMessage(const bool* portFailed)
{
    if (!dumpOpen || sender == nullptr)
        return;
    dumpOpen = false;
    static const quint8 end = 0xF7;
    for (quint32 p = 0; p < 2; ++p) {
        if (!portFailed[p])
            sender->sendToOutputPorts(&end, 1, MidiMessageKind::SystemExclusive, p, true, true);
    }
}

void MidiEditTransmittionThread::trackRawBytes(const quint8* bytes, quint32 count)
{
    for (quint32 i = 0; i < count; ++i) {
        const quint8 byte = bytes[i];
        if (byte == 0xF0)
            dumpOpen = true;
        else if (byte >= 0x80 && byte < 0xF8)
            dumpOpen = false; // F7 or any other status byte ends it
    }
}

bool MidiEditTransmittionThread::transmissionRoutine(const QString& text)
{
    applySettings();
    const QString digits = HexText::stripText(text);
    if (digits.isEmpty())
        return true;
    // Refused before anything goes out: a digit without its pair would shift every byte after it
    // into different bytes, and half of a text is not what the user wrote either.
    if (!HexText::isHexadecimal(digits)) {
        endTransmission();
        return false;
    }
    // Each text stands alone: a message left incomplete by an earlier text (or a running status it
    // kept) would turn this text's leading data bytes into messages the user did not write.
    parser.reset();
    dumpOpen = false;
    Q_EMIT startTransmittion(quint32(digits.size() / 2));

    quint32 total = 0;
    QByteArray bytes;
    for (int offset = 0; offset < digits.size(); offset += PieceBytes * 2) {
        const int count = qMin(PieceBytes * 2, digits.size() - offset) / 2;
        bytes.resize(count);
        auto* data = reinterpret_cast<quint8*>(bytes.data());
        for (int i = 0; i < count; ++i)
            data[i] = quint8(HexText::hexValue(digits.at(offset + 2 * i)) * 16 +
                             HexText::hexValue(digits.at(offset + 2 * i + 1)));

        if (!parserOn) {
            const bool sent = sendBytes(data, quint32(count), MidiMessageKind::NotParsed, true);
            trackRawBytes(data, quint32(count));
            // The count is what left: a piece that went before a stop was seen counts.
            if (sent) {
                total += quint32(count);
                Q_EMIT transmittionProgress(total);
            }
            if (!sent || !active) {
                if (!active) {
                    const bool none[2] = {false, false};
                    closeCutMessage(none);
                }
                endTransmission();
                return false;
            }
            continue;
        }

        parser.feed(data, quint32(count));
        MidiMessage message;
        while (parser.nextMessage(message)) {
            const QByteArray encoded = message.encode();
            if (!sendMessage(reinterpret_cast<const quint8*>(encoded.constData()), quint32(encoded.size()),
                             message.kind(), false, &total)) {
                endTransmission();
                return false;
            }
        }
    }

    // What the parser could not make into messages, an unfinished one at the end included, is
    // reported rather than lost without a word.
    const quint64 leftOut = parser.droppedBytes() + parser.incompleteBytes();
    parser.reset();
    if (leftOut == 0)
        return true;
    if (total == 0) {
        endTransmission();
        return false;
    }
    Q_EMIT bytesLeftOut(quint32(qMin<quint64>(leftOut, 0xFFFFFFFFu)));
    return true;
}
