#include "MidiEditTransmittionThread.h"

#include "MidiMessageKind.h"
#include "MidiSender.h"
#include "Model.h"
#include "VantelMidiParameterId.h"

#include <QRegularExpression>

namespace {

int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

} // namespace

MidiEditTransmittionThread::MidiEditTransmittionThread(Model* model, MidiSender* sender, QObject* parent)
    : WorkerThread(parent), model(model), sender(sender)
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

QString MidiEditTransmittionThread::stripText(const QString& text)
{
    // Blanks, commas, tabs, line feeds, and each comment with the line feed that ends it.
    static const QRegularExpression noise(QStringLiteral(" |,|\t|\n|(//|//([^\n]+))(\n|$)"));
    QString digits = text;
    digits.replace(QChar(0x2029), QLatin1Char('\n'));
    digits.remove(noise);
    return digits;
}

qint32 MidiEditTransmittionThread::countBytes(const QString& text)
{
    const QString digits = stripText(text);
    if (digits.size() % 2 != 0)
        return -1;
    for (QChar c : digits) {
        if (hexValue(c) < 0)
            return -1;
    }
    return digits.size() / 2;
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
    lastStatus = 0;
    Q_EMIT finishTransmittion(active ? Failed : Stopped);
}

void MidiEditTransmittionThread::applySettings()
{
    const bool on = parserSetting;
    if (on != parserOn) {
        parserOn = on;
        parser.reset();
        lastStatus = 0;
    }
}

bool MidiEditTransmittionThread::sendBytes(const quint8* bytes, quint32 count, quint8 kind, bool forceLong)
{
    if (sender == nullptr)
        return false;
    const bool sent = sender->sendToOutputPorts(bytes, count, kind, 2, bulkBypass, forceLong);
    return sent && active;
}

bool MidiEditTransmittionThread::transmissionRoutine(const QString& text)
{
    applySettings();
    const QString digits = stripText(text);
    if (digits.isEmpty())
        return true;
    // A running status kept from the last text would turn this text's leading data bytes into
    // messages the user did not write.
    if (parser.pendingBytes() == 1 && lastStatus >= 0x80 && lastStatus < 0xF0) {
        parser.reset();
        lastStatus = 0;
    }
    Q_EMIT startTransmittion(quint32(digits.size() / 2));

    quint32 total = 0;
    QByteArray bytes;
    for (int offset = 0; offset < digits.size(); offset += PieceBytes * 2) {
        const int length = qMin(PieceBytes * 2, digits.size() - offset);
        const int count = length / 2;
        if (count == 0) {
            endTransmission();
            return false;
        }
        bytes.resize(count);
        auto* data = reinterpret_cast<quint8*>(bytes.data());
        for (int i = 0; i < count; ++i) {
            const int high = hexValue(digits.at(offset + 2 * i));
            const int low = hexValue(digits.at(offset + 2 * i + 1));
            if (high < 0 || low < 0) {
                endTransmission();
                return false;
            }
            data[i] = quint8(high * 16 + low);
        }

        if (!parserOn) {
            if (!sendBytes(data, quint32(count), MidiMessageKind::NotParsed, true)) {
                endTransmission();
                return false;
            }
            total += quint32(count);
            Q_EMIT transmittionProgress(total);
            continue;
        }

        for (int i = 0; i < count; ++i) {
            if (data[i] >= 0x80 && data[i] < 0xF8)
                lastStatus = data[i];
        }
        parser.feed(data, quint32(count));
        MidiMessage message;
        while (parser.nextMessage(message)) {
            const QByteArray encoded = message.encode();
            if (!sendBytes(reinterpret_cast<const quint8*>(encoded.constData()), quint32(encoded.size()),
                           message.kind(), false)) {
                endTransmission();
                return false;
            }
            total += quint32(encoded.size());
            Q_EMIT transmittionProgress(total);
        }
    }
    return true;
}
