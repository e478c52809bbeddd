#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Writes the MIDI In and MIDI Out log files.
//
// Threads: producers (the receive threads, every sending thread, the GUI thread) only append
// finished lines to a per-file backlog under a short lock, so that none of them, and above all not
// the GUI thread collecting monitor text, ever waits for the disk. One writer thread, started with
// the first open, moves the backlog to the file and flushes it, outside the lock. A failed write
// (or a backlog that grows beyond its limit because the disk cannot keep up) closes that file on
// the writer thread and calls the failure handler there, once per opened file.
//
// open and close run on the GUI thread. close gives the writer CloseWait to get the backlog onto
// the disk, which is ample for any working disk, and then reports the outcome. A disk that takes
// longer does not hold the GUI thread: the writer finishes that file in the background, close
// reports what it knows so far (true unless a write already failed), and a failure of the rest is
// reported through the failure handler like any other write failure.
class MidiLogWriter
{
public:
    enum Direction
    {
        Received = 0,
        Transmitted = 1,
        DirectionCount = 2
    };
    static constexpr qint64 DefaultBacklogLimit = 64 * 1024 * 1024;
    static constexpr int CloseWaitMs = 20;

    // Called on the writer thread with the direction whose file failed and was closed.
    using FailureHandler = std::function<void(int direction)>;

    explicit MidiLogWriter(FailureHandler failureHandler, qint64 limit = DefaultBacklogLimit);
    // Writes everything pending and closes the files, however long the disk takes; reports nothing.
    ~MidiLogWriter();
    MidiLogWriter(const MidiLogWriter&) = delete;
    MidiLogWriter& operator=(const MidiLogWriter&) = delete;

    // Creates or truncates the file. False when that direction already has a file, the path is
    // empty or the file cannot be created.
    bool open(int direction, const QString& path);
    // False when no file was open or writing or closing it failed; the file is forgotten in any
    // case (see the class comment for a disk that does not finish within CloseWaitMs).
    bool close(int direction);
    bool isOpen(int direction) const { return accepting[direction].load(std::memory_order_acquire); }

    // Queues first followed by second (either may be empty) as one piece of the file's text;
    // nothing happens while that direction has no open file.
    void append(int direction, const char* first, int firstLength, const char* second, int secondLength);

    // Blocks until everything queued so far is written, every closed file is closed on disk and
    // every failure found so far has been reported (tests and benchmarks).
    void waitUntilWritten();

private:
    static constexpr int BlockSize = 64 * 1024;
    // After waking up the writer lets lines gather this long, so that a steady stream costs one
    // wake-up and one write per interval instead of one per line.
    static constexpr int GatherMs = 2;

    struct Log
    {
        int direction = 0;
        std::FILE* file = nullptr;
        // Filled in blocks, so that a large backlog is never copied to grow while producers wait
        // for the lock.
        std::deque<QByteArray> pending;
        qint64 pendingSize = 0;
        bool writing = false;  // the writer holds a part of the backlog outside the lock
        bool overflow = false; // the backlog hit its limit: the file fails once it is written
        bool failed = false;   // a write or flush failed
        bool closing = false;  // close() is waiting for it: failures go to close()'s result
    };

    void run();
    bool hasWork() const;
    bool needsWriting(const Log& log) const { return !log.writing && !log.pending.empty(); }
    void writeBacklog(std::unique_lock<std::mutex>& lock, Log& log);
    static void appendTo(Log& log, const char* data, int length);

    FailureHandler onFailure;
    const qint64 backlogLimit;
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::unique_ptr<Log> current[DirectionCount];
    // Files closed while their backlog was still being written; the writer finishes them.
    std::vector<std::unique_ptr<Log>> retired;
    std::atomic<bool> accepting[DirectionCount];
    bool stopping = false;
    bool writerWaiting = false; // the writer sleeps on wake and needs a notification
    bool reporting = false;     // the writer is closing a finished file or reporting its failure
    std::thread thread;
};
