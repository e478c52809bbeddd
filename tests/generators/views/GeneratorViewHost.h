#pragma once

// A stand-in for the main window in the generator tests: the send operation goes to a MidiHub on
// the loopback MIDI system with both outputs open (Port1 "Loopback A", Port2 "Loopback B"), and
// the hub's Out monitor records what it would show: bytes, label kind and port of every piece.
// Also the helpers every generator view test uses: opening a view in an MDI area, typing into a
// spin box, project records field by field, sent messages as text.

#include "../../viewhost/LoopbackViewHost.h"
#include "../../widgets/WidgetTestSupport.h"

#include "FileStream.h"
#include "MidiOutMonitor.h"
#include "SpinBox.h"
#include "WorkerThread.h"

#include <QDataStream>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMutex>
#include <QVector>

// The view as a sub-window of area (of the given size, if any), shown and active.
template <typename View> View* openInArea(QMdiArea& area, View* view, const QSize& size = QSize())
{
    QMdiSubWindow* window = area.addSubWindow(view);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (size.isValid())
        window->resize(size);
    window->show();
    return showActive(&area) ? view : nullptr;
}

// A project record: tagged integer fields as a view's save hook writes them.
inline QByteArray fields(const QVector<QPair<qint32, qint32>>& items)
{
    QByteArray block;
    QDataStream stream(&block, QIODevice::WriteOnly);
    for (const auto& item : items)
        FileStream::writeIntField(stream, item.first, item.second);
    return block;
}

// "F0 7E | C0 01": messages in the order sent.
inline QString hex(const QByteArrayList& messages)
{
    QStringList texts;
    for (const QByteArray& bytes : messages)
        texts.append(QString::fromLatin1(bytes.toHex(' ').toUpper()));
    return texts.join(QLatin1String(" | "));
}

// Typed into the box's text input, opened with a double-click, and committed with Return.
inline void typeInto(SpinBox* box, const QString& text)
{
    QTest::mouseDClick(box, Qt::LeftButton, Qt::NoModifier, box->rect().center());
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

struct OutLine
{
    QByteArray bytes;
    quint8 kind;
    quint32 port;
    bool operator==(const OutLine& other) const
    {
        return bytes == other.bytes && kind == other.kind && port == other.port;
    }
};

inline char* toString(const OutLine& line)
{
    return QTest::toString(QStringLiteral("%1 kind %2 port %3")
                               .arg(QString::fromLatin1(line.bytes.toHex(' ')))
                               .arg(line.kind)
                               .arg(line.port));
}

// "90 3c 40" of kind 1 as it appears on the Out monitor: once for Port1, once for Port2.
inline QVector<OutLine> bothPorts(const char* hex, quint8 kind)
{
    const QByteArray bytes = QByteArray::fromHex(hex);
    return {{bytes, kind, 0}, {bytes, kind, 1}};
}

class GeneratorViewHost : public LoopbackViewHost, public MidiOutMonitor
{
public:
    explicit GeneratorViewHost(Model* model) : LoopbackViewHost(model)
    {
        static bool registered = false;
        if (!registered) {
            Q_INIT_RESOURCE(images);
            registered = true;
        }
        service.setRecordSent(true);
        hub.setOutMonitor(this);
        opened = openLoopbackOutputs();
    }

    ~GeneratorViewHost() override
    {
        // Workers of closed views end on their own; none may outlive the hub they send to.
        WorkerThread::finishReleased(10000);
        hub.setOutMonitor(nullptr);
    }

    // What the Out monitor got since the last call, read back from the loopback devices: a line
    // whose bytes did not reach the device of its port comes back with kind 255.
    QVector<OutLine> takeLines()
    {
        QMutexLocker lock(&mutex);
        QVector<OutLine> taken;
        taken.swap(lines);
        const QVector<LoopbackMidiService::SentMessage> sent = service.takeSent();
        for (int i = 0; i < taken.size(); ++i) {
            const QString device =
                taken[i].port == 0 ? QStringLiteral("Loopback A") : QStringLiteral("Loopback B");
            if (i >= sent.size() || sent[i].device != device || sent[i].bytes != taken[i].bytes)
                taken[i].kind = 255;
        }
        return taken;
    }
    int lineCount()
    {
        QMutexLocker lock(&mutex);
        return lines.size();
    }

    void appendTransmitted(const quint8* bytes, quint32 count, quint32, quint8 kind, quint32 port) override
    {
        QMutexLocker lock(&mutex);
        lines.append({QByteArray(reinterpret_cast<const char*>(bytes), int(count)), kind, port});
    }

    bool isLoadingProject() const override { return loading; }

    bool opened = false;
    bool loading = false;

private:
    QMutex mutex;
    QVector<OutLine> lines;
};
