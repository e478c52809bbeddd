#pragma once

#include "HostInputFramer.h"
#include "HostMidiService.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

// An in-process MIDI system with two devices per direction, "Loopback A" and "Loopback B": what
// is sent to an output device arrives at the input device of the same name, through the same
// callback path as input from a real host. Users get it when no MIDI system is there; tests drive
// it through the hooks below (refuse opens or sends, hold back completion, inject input, change
// the device list).
//
// Threads: sends and hooks run on any thread and only queue work under the service mutex. One
// delivery thread owned by the service frames the queued bytes and calls the input callbacks, as
// a host's input thread would, and tells the change listeners of changed device lists; it holds the delivery
// mutex around every callback so that stopInput and closeInput, which take that mutex, return only when no
// callback is running. Because delivery is asynchronous, a receiver that sends to the loopback output of its
// own input never waits for itself.
class LoopbackMidiService : public HostMidiService
{
public:
    enum class Completion
    {
        Immediate,
        Delayed,
        Never
    };

    struct SentMessage
    {
        QString device;
        quint32 portNumber;
        bool isLong;
        QByteArray bytes;
    };

    LoopbackMidiService();
    ~LoopbackMidiService() override;

    QString apiName() const override;
    QVector<HostMidiDevice> inputDevices() override;
    QVector<HostMidiDevice> outputDevices() override;
    qint32 openInput(const QString& device, quint32 portNumber, quint32 bufferSize, InputCallback callback,
                     void* context, Handle* handle) override;
    qint32 startInput(Handle handle) override;
    qint32 stopInput(Handle handle) override;
    qint32 closeInput(Handle handle) override;
    qint32 openOutput(const QString& device, quint32 portNumber, Handle* handle) override;
    qint32 closeOutput(Handle handle) override;
    qint32 sendShort(Handle handle, const quint8* bytes, quint32 length) override;
    qint32 sendLong(Handle handle, const quint8* bytes, quint32 length, quint64* ticket) override;
    bool longDone(Handle handle, quint64 ticket) override;
    bool inputLost(Handle handle) override;
    bool outputLost(Handle handle) override;

    // Hooks.
    // Replaces the device lists, as a host does when devices are plugged in or pulled out: a
    // device no longer listed takes its open handles with it (they report lost, their sends fail
    // and their input stops), and the change listeners hear of it from the delivery thread.
    void setDeviceNames(const QStringList& inputs, const QStringList& outputs);
    void setRefuseOpen(bool refuse);
    void setRefuseSend(bool refuse);
    void setCompletion(Completion completion, quint32 delayMs = 0);
    // Input as a device would send it: bytes pass the framer (buffers of the input's size).
    void injectBytes(const QString& device, const QByteArray& bytes);
    // Messages exactly as a host would hand them over, bypassing the framer.
    void injectMessage(const QString& device, InputMessage message, quint32 packed,
                       const QByteArray& bytes = {});
    // Keeps a copy of every message sent from now on, for takeSent. Off unless a test asks: a
    // program running on the loopback system must not grow with its traffic.
    void setRecordSent(bool record);
    // Everything sent since the last takeSent while recording, in order.
    QVector<SentMessage> takeSent();
    quint32 sendCalls() const;
    // Blocks until the delivery thread has handed on everything queued so far (tests only).
    void waitUntilDelivered();

private:
    struct Input
    {
        bool open = false;
        bool started = false;
        QString device;
        InputCallback callback = nullptr;
        void* context = nullptr;
        std::unique_ptr<HostInputFramer> framer;
    };
    struct Output
    {
        bool open = false;
        QString device;
    };
    struct Work
    {
        enum Kind
        {
            Bytes,   // through the framer
            Message, // as given
            Changed  // device lists changed: tell the listeners
        };
        Kind kind;
        QString device;
        InputMessage message;
        quint32 packed;
        QByteArray bytes;
        quint32 counter;
        quint64 hostStamp;
    };

    void run();
    void queue(Work work);
    qint32 sendBytes(Handle handle, const quint8* bytes, quint32 length, bool isLong, quint64* ticket);
    // Applies change to the input of handle under both mutexes, so no callback runs meanwhile; 1
    // when that input is not open.
    template <typename Change> qint32 changeOpenInput(Handle handle, Change change);

    mutable std::mutex m_mutex; // device lists, slots, hooks, queue
    std::condition_variable m_queueChanged;
    std::condition_variable m_idle;
    std::deque<Work> m_queue;
    bool m_busy = false;
    bool m_stop = false;

    std::mutex m_deliveryMutex; // held around every callback
    Input m_inputs[2];
    Output m_outputs[2];
    QStringList m_inputNames;
    QStringList m_outputNames;

    bool m_refuseOpen = false;
    bool m_refuseSend = false;
    bool m_recordSent = false;
    Completion m_completion = Completion::Immediate;
    quint32 m_delayMs = 0;
    quint64 m_nextTicket = 1;
    QHash<quint64, qint64> m_pendingDoneAt; // ticket -> monotonic microseconds when it completes
    QVector<SentMessage> m_sent;
    quint32 m_sendCalls = 0;

    std::thread m_thread;
};
