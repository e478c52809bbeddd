#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Writes the MIDI In and MIDI Out log files.
//
// Threads: producers (the receive threads, every sending thread, the GUI thread) only append
// finished lines to a per-file backlog under a short lock, so that none of them, and above all not
// the GUI thread collecting monitor text, ever waits for the disk. One writer thread, started with
// the first open, moves the backlog to the file and flushes it, outside the lock. A failed write
// (or a backlog that grows beyond BacklogLimit because the disk cannot keep up) closes that file on
// the writer thread and calls the failure handler there, once per opened file. open and close run
// on the caller's thread (the GUI thread); close waits until the backlog is on disk, because its
// result must say whether everything was written.
class MidiLogWriter
{
public:
    enum Direction { Received = 0, Transmitted = 1, DirectionCount = 2 };
    static constexpr int BacklogLimit = 64 * 1024 * 1024;

    // Called on the writer thread with the direction whose file failed and was closed.
    using FailureHandler = std::function<void(int direction)>;

    explicit MidiLogWriter(FailureHandler failureHandler);
    // Writes what is pending and closes open files; reports nothing.
    ~MidiLogWriter();
    MidiLogWriter(const MidiLogWriter&) = delete;
    MidiLogWriter& operator=(const MidiLogWriter&) = delete;

    // Creates or truncates the file. False when that direction already has a file, the path is
    // empty or the file cannot be created.
    bool open(int direction, const QString& path);
    // True when a file was open and everything, the backlog included, was written and closed
    // without error. The file is forgotten in any case.
    bool close(int direction);
    bool isOpen(int direction) const { return accepting[direction].load(std::memory_order_acquire); }

    // Queues first followed by second (either may be empty) as one piece of the file's text;
    // nothing happens while that direction has no open file.
    void append(int direction, const char* first, int firstLength, const char* second, int secondLength);

    // Blocks until everything queued so far has been handed to the files (tests and benchmarks).
    void waitUntilWritten();

private:
    struct Log
    {
        std::FILE* file = nullptr;
        // Filled in blocks, so that a large backlog never has to be copied to grow while
        // producers wait for the lock.
        std::deque<QByteArray> pending;
        qint64 pendingSize = 0;
        bool writing = false;  // the writer thread holds a chunk of this file outside the lock
        bool overflow = false; // the backlog hit BacklogLimit; the file fails once it is written
        bool closing = false;  // close() waits for the backlog; failures go to its result
        bool closeFailed = false;
    };

    static constexpr int BlockSize = 64 * 1024;

    void run();
    static void appendTo(Log& log, const char* data, int length);
    bool hasWork() const;

    FailureHandler onFailure;
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    Log logs[DirectionCount];
    std::atomic<bool> accepting[DirectionCount];
    bool stopping = false;
    std::thread thread;
};
