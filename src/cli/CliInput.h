#pragma once

#include "HostMidiService.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

// One received message, whole: a short message or a complete system-exclusive message.
struct CliMessage
{
    QByteArray bytes;
    quint32 stamp = 0; // milliseconds since local midnight, as the monitor shows them
    quint32 port = 0;  // 0 for the first input opened, 1 for the second
};

// The inputs of a command: up to two devices opened on the host's MIDI system, their framed
// messages (system-exclusive buffers joined again up to the F7) queued whole for the command's
// thread, which takes everything that waits in one go.
//
// Threads: the host calls back on a thread of its own; it only appends to the queue under the
// mutex and wakes the taker. take() and everything else run on the command's thread.
class CliInput
{
public:
    static constexpr quint32 MaximumInputs = 2;

    explicit CliInput(HostMidiService* service);
    ~CliInput();

    CliInput(const CliInput&) = delete;
    CliInput& operator=(const CliInput&) = delete;

    // Opens the device of that exact name as the next input; false with a message in *error.
    bool open(const QString& device, QString* error);
    // Opens a virtual port of our own named name as the next input, for other programs to connect
    // to; false with a message in *error.
    bool openVirtual(const QString& name, QString* error);
    // The virtual inputs nobody is connected to now, by the names other programs see them under.
    QStringList unconnected() const;
    int inputCount() const { return int(inputs.size()); }

    // Waits up to msecs (0: not at all) for a message, then moves every waiting message to *out
    // (appended, in arrival order). True when it took any.
    bool take(std::vector<CliMessage>* out, int msecs);
    // True when nothing waits at this moment.
    bool isIdle();
    // The name of an open device that went away (or whose server stopped); empty while all are
    // there.
    QString lostDevice() const;
    // Messages given up because they were cut short (a system-exclusive message that another
    // status byte or a lost connection ended).
    quint64 droppedCount();

private:
    struct Input
    {
        CliInput* owner = nullptr;
        quint32 port = 0;
        QString device; // for a virtual input: the name other programs see it under
        bool isVirtual = false;
        HostMidiService::Handle handle = HostMidiService::InvalidHandle;
        QByteArray sysEx; // host thread only: the message being joined
        bool open = false;
    };

    static void hostInput(void* context, HostMidiService::InputMessage message, quint32 packed,
                          const quint8* bytes, quint32 length, quint32 eventCounter, quint64 hostStamp);
    void push(quint32 port, QByteArray bytes, quint32 eventCounter);
    // Opens the next input, a device or a virtual port.
    bool openNext(const QString& name, bool isVirtual, QString* error);

    HostMidiService* service;
    std::vector<std::unique_ptr<Input>> inputs;
    const quint32 baseCounter;
    const quint32 baseTimeOfDay;

    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<CliMessage> queue;
    quint64 dropped = 0;
};
