// The ALSA sequencer backend against a real sequencer with snd-seq-dummy and snd-virmidi loaded
// (tests/midi/alsa-tests.sh runs it here or in a guest that has one). The far ends are the four
// devices of the first VirMIDI card, written and read as raw MIDI, and software clients of the test's own
// with a large input pool (a receiver that keeps up, unlike aseqdump).
#include "AlsaMidiService.h"
#include "MidiTestSupport.h"

#include <alsa/asoundlib.h>

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <thread>
#include <time.h>
#include <vector>

namespace {

qint64 monotonicUs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// What an input of the service hands over: short messages and whole system-exclusive data.
struct Collected
{
    QMutex mutex;
    QList<QByteArray> shorts;
    QByteArray longData;
    int longErrors = 0;
    std::atomic<int> gate{0}; // > 0: the first callback waits until it is 0
    std::atomic<bool> waiting{false};
    // Thru: sends what arrives to this output.
    AlsaMidiService* thru = nullptr;
    HostMidiService::Handle thruHandle = -1;

    static void callback(void* context, HostMidiService::InputMessage message, quint32, const quint8* bytes,
                         quint32 length, quint32, quint64)
    {
        auto* self = static_cast<Collected*>(context);
        while (self->gate.load() > 0) {
            self->waiting = true;
            QThread::msleep(5);
        }
        if (self->thru) {
            quint64 ticket = 0;
            if (message == HostMidiService::ShortData)
                self->thru->sendShort(self->thruHandle, bytes, length);
            else if (message == HostMidiService::LongData)
                self->thru->sendLong(self->thruHandle, bytes, length, &ticket);
        }
        QMutexLocker lock(&self->mutex);
        const QByteArray b(reinterpret_cast<const char*>(bytes), int(length));
        if (message == HostMidiService::ShortData)
            self->shorts.append(b);
        else if (message == HostMidiService::LongData)
            self->longData.append(b);
        else if (message == HostMidiService::LongError)
            ++self->longErrors;
    }
    int shortCount()
    {
        QMutexLocker lock(&mutex);
        return shorts.size();
    }
    int longSize()
    {
        QMutexLocker lock(&mutex);
        return longData.size();
    }
};

// A software client of the test: one port that can be written to and read from, a large input pool
// and a reader thread that collects the bytes of what arrives.
class SeqPeer
{
public:
    explicit SeqPeer(const char* name) : m_name(name) { open(); }
    ~SeqPeer() { close(); }

    void open()
    {
        QVERIFY(snd_seq_open(&m_seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) == 0);
        snd_seq_set_client_name(m_seq, m_name);
        snd_seq_set_client_pool_input(m_seq, 2000);
        snd_seq_set_client_pool_output(m_seq, 2000);
        snd_seq_set_input_buffer_size(m_seq, 256 * 1024);
        snd_seq_set_output_buffer_size(m_seq, 256 * 1024);
        m_port = snd_seq_create_simple_port(m_seq, m_name,
                                            SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ |
                                                SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                            SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        snd_midi_event_new(256, &m_decoder);
        snd_midi_event_no_status(m_decoder, 1);
        m_stop = false;
        m_reader = std::thread([this] { read(); });
    }
    void close()
    {
        if (!m_seq)
            return;
        m_stop = true;
        m_reader.join();
        snd_midi_event_free(m_decoder);
        snd_seq_close(m_seq);
        m_seq = nullptr;
    }
    int client() const { return snd_seq_client_id(m_seq); }
    QString deviceName() const { return QString::fromUtf8(m_name) + ':' + QString::fromUtf8(m_name); }

    // Sends an event to the subscribers of the port; false when the sequencer refused it.
    bool send(snd_seq_event_t& ev)
    {
        snd_seq_ev_set_source(&ev, m_port);
        snd_seq_ev_set_subs(&ev);
        snd_seq_ev_set_direct(&ev);
        return snd_seq_event_output_direct(m_seq, &ev) >= 0;
    }
    QByteArray received()
    {
        QMutexLocker lock(&m_mutex);
        return m_bytes;
    }
    // Subscribes this port to another client's port, as aconnect does: reading from it (from) or
    // writing to it.
    bool subscribe(int client, int port, bool from)
    {
        return (from ? snd_seq_connect_from(m_seq, m_port, client, port)
                     : snd_seq_connect_to(m_seq, m_port, client, port)) == 0;
    }
    // The subscriptions of this port, both ways.
    int subscriptions()
    {
        std::vector<char> storage(snd_seq_port_info_sizeof());
        auto* info = reinterpret_cast<snd_seq_port_info_t*>(storage.data());
        if (snd_seq_get_port_info(m_seq, m_port, info) < 0)
            return -1;
        return snd_seq_port_info_get_read_use(info) + snd_seq_port_info_get_write_use(info);
    }
    // The number of another client's port of that name; -1 when it has none.
    int portNamed(int client, const char* name)
    {
        std::vector<char> storage(snd_seq_port_info_sizeof());
        auto* info = reinterpret_cast<snd_seq_port_info_t*>(storage.data());
        snd_seq_port_info_set_client(info, client);
        snd_seq_port_info_set_port(info, -1);
        while (snd_seq_query_next_port(m_seq, info) >= 0) {
            if (qstrcmp(snd_seq_port_info_get_name(info), name) == 0)
                return snd_seq_port_info_get_port(info);
        }
        return -1;
    }
    qint64 firstArrivalUs()
    {
        QMutexLocker lock(&m_mutex);
        return m_firstUs;
    }

private:
    void read()
    {
        while (!m_stop.load()) {
            snd_seq_event_t* ev = nullptr;
            const int rc = snd_seq_event_input(m_seq, &ev);
            if (rc == -EAGAIN || !ev) {
                QThread::usleep(500);
                continue;
            }
            QByteArray bytes;
            if (ev->type == SND_SEQ_EVENT_SYSEX) {
                bytes = QByteArray(static_cast<const char*>(ev->data.ext.ptr), int(ev->data.ext.len));
            } else {
                unsigned char b[16];
                snd_midi_event_reset_decode(m_decoder);
                const long n = snd_midi_event_decode(m_decoder, b, sizeof b, ev);
                if (n > 0)
                    bytes = QByteArray(reinterpret_cast<const char*>(b), int(n));
            }
            QMutexLocker lock(&m_mutex);
            if (m_bytes.isEmpty() && !bytes.isEmpty())
                m_firstUs = monotonicUs();
            m_bytes.append(bytes);
        }
    }

    const char* m_name;
    snd_seq_t* m_seq = nullptr;
    int m_port = -1;
    snd_midi_event_t* m_decoder = nullptr;
    std::atomic<bool> m_stop{false};
    std::thread m_reader;
    QMutex m_mutex;
    QByteArray m_bytes;
    qint64 m_firstUs = 0;
};

// The first VirMIDI card (on a desktop it comes after the sound cards); -1 when there is none.
int virmidiCard()
{
    static const int found = [] {
        int card = -1;
        while (snd_card_next(&card) == 0 && card >= 0) {
            char* name = nullptr;
            if (snd_card_get_name(card, &name) == 0) {
                const bool isVirmidi = qstrcmp(name, "VirMIDI") == 0;
                free(name);
                if (isVirmidi)
                    return card;
            }
        }
        return -1;
    }();
    return found;
}

// The raw side of a VirMIDI device: hw:<card>,n with a buffer of 1 MiB, written at once or read by a
// thread.
class RawMidi
{
public:
    explicit RawMidi(int device)
    {
        const QByteArray name = "hw:" + QByteArray::number(virmidiCard()) + ',' + QByteArray::number(device);
        QVERIFY(snd_rawmidi_open(&m_in, &m_out, name.constData(), 0) == 0);
        for (snd_rawmidi_t* r : {m_in, m_out}) {
            std::vector<char> paramsStorage(snd_rawmidi_params_sizeof());
            auto* params = reinterpret_cast<snd_rawmidi_params_t*>(paramsStorage.data());
            snd_rawmidi_params_current(r, params);
            snd_rawmidi_params_set_buffer_size(r, params, 1024 * 1024);
            snd_rawmidi_params(r, params);
        }
        snd_rawmidi_nonblock(m_in, 1);
        m_reader = std::thread([this] {
            char buffer[4096];
            while (!m_stop.load()) {
                const ssize_t n = snd_rawmidi_read(m_in, buffer, sizeof buffer);
                if (n > 0) {
                    QMutexLocker lock(&m_mutex);
                    m_bytes.append(buffer, int(n));
                } else {
                    QThread::usleep(500);
                }
            }
        });
    }
    ~RawMidi()
    {
        m_stop = true;
        m_reader.join();
        snd_rawmidi_close(m_in);
        snd_rawmidi_close(m_out);
    }
    // pauseUs after each chunk: the pace of a fast device (0: all at once).
    void write(const QByteArray& bytes, int chunk = 0, int pauseUs = 0, bool drain = true)
    {
        if (chunk <= 0)
            chunk = bytes.size();
        for (int at = 0; at < bytes.size(); at += chunk) {
            const int n = qMin(chunk, bytes.size() - at);
            QCOMPARE(snd_rawmidi_write(m_out, bytes.constData() + at, size_t(n)), ssize_t(n));
            if (pauseUs > 0)
                QThread::usleep(unsigned(pauseUs));
        }
        if (drain)
            snd_rawmidi_drain(m_out);
    }
    QByteArray received()
    {
        QMutexLocker lock(&m_mutex);
        return m_bytes;
    }
    int receivedSize()
    {
        QMutexLocker lock(&m_mutex);
        return m_bytes.size();
    }

private:
    snd_rawmidi_t* m_in = nullptr;
    snd_rawmidi_t* m_out = nullptr;
    std::atomic<bool> m_stop{false};
    std::thread m_reader;
    QMutex m_mutex;
    QByteArray m_bytes;
};

QString virmidi(int n)
{
    return QStringLiteral("Virtual Raw MIDI %1-%2:VirMIDI %1-%2").arg(virmidiCard()).arg(n);
}

} // namespace

class MidiAlsaTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (::access("/dev/snd/seq", R_OK | W_OK) != 0)
            QSKIP(
                "no ALSA sequencer here; tests/midi/alsa-tests.sh runs these tests in a guest that has one");
        service = std::make_unique<AlsaMidiService>();
        QVERIFY(service->isAvailable());
        QVERIFY2(virmidiCard() >= 0, "snd-virmidi must be loaded");
    }
    void cleanupTestCase() { service.reset(); }
    // A case that failed half-way leaves nothing open for the next.
    void cleanup()
    {
        if (!service)
            return;
        for (int i = 0; i < 2; ++i) {
            service->closeInput(i);
            service->closeOutput(i);
        }
    }

    void names()
    {
        const struct
        {
            const char* saved;
            const char* listed;
        } rows[] = {{"recv2:recv2 128:0", "recv2:recv2"},
                    {"Virtual Raw MIDI 0-1:VirMIDI 0-1 17:0", "Virtual Raw MIDI 0-1:VirMIDI 0-1"},
                    {"recv2:recv2", "recv2:recv2"},
                    {"synth 128:0", "synth 128:0"},
                    {"a:b 1280:0", "a:b 1280:0"}};
        for (const auto& row : rows)
            QCOMPARE(AlsaMidiService::withoutAddress(QString::fromUtf8(row.saved)),
                     QString::fromUtf8(row.listed));
        QCOMPARE(AlsaMidiService::deviceName("Virtual Raw MIDI 0-0", "VirMIDI 0-0     "),
                 QStringLiteral("Virtual Raw MIDI 0-0:VirMIDI 0-0"));
    }

    // Listing as aconnect -l names the ports, our own ports left out; a software client that
    // restarts under a new number is found again by its name, also by a name saved with the old
    // number; its going marks the open handle lost and tells the listeners.
    void listingAndReopenByName()
    {
        auto peer = std::make_unique<SeqPeer>("Vantel Peer");
        QStringList outputs, inputs;
        for (const HostMidiDevice& d : service->outputDevices())
            outputs << d.name;
        for (const HostMidiDevice& d : service->inputDevices())
            inputs << d.name;
        for (int i = 0; i < 4; ++i) {
            QVERIFY2(outputs.contains(virmidi(i)), qPrintable(outputs.join('|')));
            QVERIFY(inputs.contains(virmidi(i)));
        }
        QVERIFY(outputs.contains(QStringLiteral("Vantel Peer:Vantel Peer")));
        QVERIFY(outputs.contains(QStringLiteral("Midi Through:Midi Through Port-0")));
        for (const QString& name : outputs + inputs)
            QVERIFY2(!name.startsWith(QLatin1String("Vantel MIDI")), qPrintable(name));

        std::atomic<int> changes{0};
        const int listener = service->addChangeListener([&changes] { ++changes; });
        const QString saved = peer->deviceName() + QStringLiteral(" %1:0").arg(peer->client());
        HostMidiService::Handle out = -1;
        QCOMPARE(service->openOutput(saved, 0, &out), 0);
        const QByteArray note = bytesOf({0x90, 0x40, 0x7F});
        QCOMPARE(service->sendShort(out, data(note), 3), 0);
        QTRY_COMPARE(peer->received(), note);

        const int oldClient = peer->client();
        peer.reset();
        QTRY_VERIFY(service->outputLost(out));
        QVERIFY(changes.load() > 0);
        QCOMPARE(service->sendShort(out, data(note), 3), 1);
        QCOMPARE(service->closeOutput(out), 0);

        // Another client takes the old number meanwhile, so the peer comes back under a new one.
        SeqPeer other("Vantel Other");
        peer = std::make_unique<SeqPeer>("Vantel Peer");
        QVERIFY(peer->client() != oldClient);
        QCOMPARE(service->openOutput(saved, 0, &out), 0);
        QCOMPARE(service->sendShort(out, data(note), 3), 0);
        QTRY_COMPARE(peer->received(), note);
        QCOMPARE(service->closeOutput(out), 0);
        service->removeChangeListener(listener);
    }

    // 2000 note-ons written at once to a VirMIDI device arrive whole, nothing counted as lost.
    void burstAtInput()
    {
        Collected got;
        HostMidiService::Handle in = -1;
        QCOMPARE(service->openInput(virmidi(0), 0, 1024, &Collected::callback, &got, &in), 0);
        QCOMPARE(service->startInput(in), 0);
        RawMidi raw(0);
        constexpr int burst = 2000;
        QByteArray notes;
        for (int i = 0; i < burst; ++i)
            notes += bytesOf({0x90 | (i % 16), (i / 16) % 128, 1 + i % 127});
        raw.write(notes);
        QTRY_COMPARE_WITH_TIMEOUT(got.shortCount(), burst, 20000);
        QCOMPARE(got.shorts.join(), notes);
        QCOMPARE(service->inputOverflows(in), quint64(0));
        QCOMPARE(service->closeInput(in), 0);
    }

    // A 1 MiB dump in from a VirMIDI device and out to another, byte-exact.
    void megabyteDumpInAndOut()
    {
        const QByteArray dump = dumpOf(1024 * 1024);
        {
            Collected got;
            HostMidiService::Handle in = -1;
            QCOMPARE(service->openInput(virmidi(1), 0, 4096, &Collected::callback, &got, &in), 0);
            QCOMPARE(service->startInput(in), 0);
            RawMidi raw(1);
            // At the pace of a fast USB device, 1 MB/s: the device side of VirMIDI would go as
            // fast as the guest's processor, far beyond any cable.
            raw.write(dump, 4096, 4000);
            QTRY_VERIFY_WITH_TIMEOUT(got.longSize() == dump.size() || service->inputOverflows(in) > 0, 60000);
            QCOMPARE(service->inputOverflows(in), quint64(0));
            QCOMPARE(got.longSize(), dump.size());
            QVERIFY(got.longData == dump);
            QCOMPARE(got.longErrors, 0);
            QCOMPARE(service->closeInput(in), 0);
        }
        {
            RawMidi raw(2);
            HostMidiService::Handle out = -1;
            QCOMPARE(service->openOutput(virmidi(2), 1, &out), 0);
            quint64 ticket = 0;
            QCOMPARE(service->sendLong(out, data(dump), quint32(dump.size()), &ticket), 0);
            QVERIFY(service->longDone(out, ticket));
            QTRY_COMPARE_WITH_TIMEOUT(raw.receivedSize(), dump.size(), 60000);
            QVERIFY(raw.received() == dump);
            QCOMPARE(service->closeOutput(out), 0);
        }
    }

    // Thru from one VirMIDI device to another, sent from the input callback (no lock of the
    // service is held there); a dump split over several sends stays whole.
    void thruBetweenDevices()
    {
        RawMidi source(2), sink(3);
        Collected got;
        HostMidiService::Handle out = -1;
        QCOMPARE(service->openOutput(virmidi(3), 0, &out), 0);
        got.thru = service.get();
        got.thruHandle = out;
        HostMidiService::Handle in = -1;
        // Small buffers: the dump reaches the callback, and the output, in many pieces.
        QCOMPARE(service->openInput(virmidi(2), 1, 100, &Collected::callback, &got, &in), 0);
        QCOMPARE(service->startInput(in), 0);
        const QByteArray stream = bytesOf({0x90, 0x3C, 0x64, 0xB0, 0x07, 0x50, 0xF8}) + dumpOf(5000) +
                                  bytesOf({0xC0, 0x05, 0x80, 0x3C, 0x00});
        source.write(stream);
        QTRY_COMPARE_WITH_TIMEOUT(sink.receivedSize(), stream.size(), 20000);
        QCOMPARE(sink.received().toHex(' '), stream.toHex(' '));
        QCOMPARE(service->closeInput(in), 0);
        QCOMPARE(service->closeOutput(out), 0);
    }

    // Another source's short messages between the events of a dump: the dump arrives whole, the
    // short messages as they are.
    void dumpWithShortMessagesBetween()
    {
        SeqPeer peer("Vantel Source");
        Collected got;
        HostMidiService::Handle in = -1;
        QCOMPARE(service->openInput(peer.deviceName(), 0, 65536, &Collected::callback, &got, &in), 0);
        QCOMPARE(service->startInput(in), 0);
        const QByteArray dump = dumpOf(20000);
        int notes = 0;
        for (int at = 0; at < dump.size(); at += 256) {
            snd_seq_event_t ev;
            snd_seq_ev_clear(&ev);
            snd_seq_ev_set_sysex(&ev, unsigned(qMin(256, dump.size() - at)),
                                 const_cast<char*>(dump.constData() + at));
            QVERIFY(peer.send(ev));
            snd_seq_ev_clear(&ev);
            snd_seq_ev_set_noteon(&ev, 0, at / 256 % 128, 100);
            QVERIFY(peer.send(ev));
            ++notes;
            if (notes % 16 == 0)
                QThread::msleep(1);
        }
        QTRY_COMPARE_WITH_TIMEOUT(got.longSize(), dump.size(), 20000);
        QTRY_COMPARE(got.shortCount(), notes);
        QVERIFY(got.longData == dump);
        QCOMPARE(got.longErrors, 0);
        QCOMPARE(got.shorts.at(1), bytesOf({0x90, 1, 100}));
        QCOMPARE(service->closeInput(in), 0);
    }

    // A program held up until what it has not taken overflows (here a service with a small ring
    // between its reader and its delivery): the loss is counted and told, the data after it
    // arrives.
    void overflowIsCounted()
    {
        AlsaMidiService small(1u << 14);
        Collected got;
        got.gate = 1;
        std::atomic<int> changes{0};
        const int listener = small.addChangeListener([&changes] { ++changes; });
        HostMidiService::Handle in = -1;
        QCOMPARE(small.openInput(virmidi(0), 0, 1024, &Collected::callback, &got, &in), 0);
        QCOMPARE(small.startInput(in), 0);
        RawMidi raw(0);
        raw.write(bytesOf({0x90, 0x01, 0x01}));
        QTRY_VERIFY(got.waiting.load());
        QByteArray flood;
        for (int i = 0; i < 2000; ++i)
            flood += bytesOf({0x90, i % 128, 1});
        raw.write(flood);
        QTRY_VERIFY(small.inputOverflows(in) >= 1);
        QTRY_VERIFY(changes.load() > 0);
        got.gate = 0;
        // Once what did fit has been taken, the next message arrives.
        for (int last = -1; last != got.shortCount();) {
            last = got.shortCount();
            QTest::qWait(300);
        }
        raw.write(bytesOf({0x80, 0x7F, 0x00}));
        QTRY_VERIFY([&] {
            QMutexLocker lock(&got.mutex);
            return !got.shorts.isEmpty() && got.shorts.last() == bytesOf({0x80, 0x7F, 0x00});
        }());
        QVERIFY(got.shortCount() < 2002);
        QCOMPARE(small.closeInput(in), 0);
        small.removeChangeListener(listener);
    }

    // A message with a due time waits on the sequencer's queue; one without goes at once.
    void dueTimeIsScheduled()
    {
        SeqPeer peer("Vantel Timed");
        HostMidiService::Handle out = -1;
        QCOMPARE(service->openOutput(peer.deviceName(), 0, &out), 0);
        const QByteArray clock = bytesOf({0xF8});
        const qint64 due = monotonicUs() + 300000;
        QCOMPARE(service->sendShortAt(out, data(clock), 1, due), 0);
        QTRY_COMPARE(peer.received(), clock);
        QVERIFY2(
            peer.firstArrivalUs() >= due - 20000,
            qPrintable(QStringLiteral("arrived %1 us before its time").arg(due - peer.firstArrivalUs())));
        // Closing takes back what is still waiting, for this output only.
        HostMidiService::Handle other = -1;
        QCOMPARE(service->openOutput(peer.deviceName(), 1, &other), 0);
        const QByteArray stop = bytesOf({0xFC});
        QCOMPARE(service->sendShortAt(other, data(stop), 1, monotonicUs() + 300000), 0);
        QCOMPARE(service->sendShortAt(out, data(clock), 1, monotonicUs() + 300000), 0);
        QCOMPARE(service->closeOutput(out), 0);
        QTRY_COMPARE(peer.received(), clock + stop);
        QTest::qWait(300);
        QCOMPARE(peer.received(), clock + stop);
        QCOMPARE(service->closeOutput(other), 0);
    }

    // Virtual ports: renamed ports of ours that another client subscribes to, as aconnect would;
    // closing them removes the subscriptions and gives the ports their usual names back.
    void virtualPortsTakeWhoeverSubscribes()
    {
        SeqPeer peer("Vantel Virtual Peer");
        Collected got;
        HostMidiService::Handle out = -1;
        HostMidiService::Handle in = -1;
        QCOMPARE(service->openVirtualOutput(QStringLiteral("vantel-vout"), 0, &out), 0);
        QCOMPARE(service->openVirtualInput(QStringLiteral("vantel-vout"), 0, 1024, &Collected::callback, &got,
                                           &in),
                 1);
        QCOMPARE(
            service->openVirtualInput(QStringLiteral("vantel-vin"), 0, 1024, &Collected::callback, &got, &in),
            0);
        QCOMPARE(service->startInput(in), 0);
        QCOMPARE(service->virtualPortName(out, false), QStringLiteral("Vantel MIDI:vantel-vout"));
        const int outPort = peer.portNamed(service->clientId(), "vantel-vout");
        const int inPort = peer.portNamed(service->clientId(), "vantel-vin");
        QVERIFY(outPort >= 0 && inPort >= 0);
        QCOMPARE(service->virtualPortConnections(out, false), 0);
        QVERIFY(peer.subscribe(service->clientId(), outPort, true));
        QVERIFY(peer.subscribe(service->clientId(), inPort, false));
        QCOMPARE(service->virtualPortConnections(out, false), 1);
        QCOMPARE(service->virtualPortConnections(in, true), 1);

        const QByteArray note = bytesOf({0x90, 0x3C, 0x40});
        QCOMPARE(service->sendShort(out, data(note), 3), 0);
        QTRY_COMPARE(peer.received(), note);
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        snd_seq_ev_set_controller(&ev, 0, 7, 100);
        QVERIFY(peer.send(ev));
        QTRY_COMPARE(got.shortCount(), 1);
        QCOMPARE(got.shorts.first(), bytesOf({0xB0, 0x07, 0x64}));
        QVERIFY(!service->outputLost(out) && !service->inputLost(in));

        QCOMPARE(service->closeOutput(out), 0);
        QCOMPARE(service->closeInput(in), 0);
        QCOMPARE(peer.subscriptions(), 0);
        QCOMPARE(peer.portNamed(service->clientId(), "Port1 Out"), outPort);
        QCOMPARE(peer.portNamed(service->clientId(), "Port1 In"), inPort);
    }

private:
    std::unique_ptr<AlsaMidiService> service;
};

QTEST_GUILESS_MAIN(MidiAlsaTest)
#include "MidiAlsaTest.moc"
