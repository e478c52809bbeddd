#include "MidiLogWriter.h"

#include <QFile>

#include <chrono>
#include <utility>

MidiLogWriter::MidiLogWriter(FailureHandler failureHandler, qint64 limit)
    : onFailure(std::move(failureHandler)), backlogLimit(limit)
{
    for (auto& flag : accepting)
        flag.store(false);
}

MidiLogWriter::~MidiLogWriter()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        for (int direction = 0; direction < DirectionCount; ++direction) {
            accepting[direction].store(false);
            if (current[direction])
                retired.push_back(std::move(current[direction]));
        }
    }
    wake.notify_all();
    if (thread.joinable())
        thread.join();
    for (auto& log : retired) // only when the thread never ran
        if (log->file)
            std::fclose(log->file);
}

bool MidiLogWriter::open(int direction, const QString& path)
{
    if (direction < 0 || direction >= DirectionCount || path.isEmpty())
        return false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (current[direction])
            return false;
    }
    // "e": the file must not leak into processes the program might start.
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "we");
    if (!file)
        return false;

    std::lock_guard<std::mutex> lock(mutex);
    if (current[direction] || stopping) {
        std::fclose(file);
        return false;
    }
    auto log = std::make_unique<Log>();
    log->direction = direction;
    log->file = file;
    current[direction] = std::move(log);
    if (!thread.joinable())
        thread = std::thread(&MidiLogWriter::run, this);
    accepting[direction].store(true, std::memory_order_release);
    return true;
}

bool MidiLogWriter::close(int direction)
{
    if (direction < 0 || direction >= DirectionCount)
        return false;
    std::unique_lock<std::mutex> lock(mutex);
    if (!current[direction])
        return false;
    accepting[direction].store(false, std::memory_order_release);
    Log* log = current[direction].get();
    log->closing = true;
    wake.notify_all();
    const bool written = idle.wait_for(lock, std::chrono::milliseconds(CloseWaitMs),
                                       [log] { return log->pending.empty() && !log->writing; });
    const bool healthy = !log->failed && !log->overflow;
    if (!written) {
        // The disk is slow: the writer finishes this file in the background.
        retired.push_back(std::move(current[direction]));
        wake.notify_all();
        return healthy;
    }
    std::unique_ptr<Log> closed = std::move(current[direction]);
    lock.unlock();
    const bool fileClosed = std::fclose(closed->file) == 0;
    return fileClosed && healthy;
}

void MidiLogWriter::appendTo(Log& log, const char* data, int length)
{
    if (length <= 0)
        return;
    if (log.pending.empty() ||
        log.pending.back().size() + length > qMax(BlockSize, log.pending.back().capacity())) {
        log.pending.emplace_back();
        log.pending.back().reserve(qMax(BlockSize, length));
    }
    log.pending.back().append(data, length);
    log.pendingSize += length;
}

void MidiLogWriter::append(int direction, const char* first, int firstLength, const char* second,
                           int secondLength)
{
    if (direction < 0 || direction >= DirectionCount || !accepting[direction].load(std::memory_order_acquire))
        return;
    bool wakeWriter;
    {
        std::lock_guard<std::mutex> lock(mutex);
        Log* log = current[direction].get();
        if (!log || log->closing || log->overflow || log->failed)
            return;
        if (log->pendingSize + firstLength + secondLength > backlogLimit) {
            log->overflow = true;
            accepting[direction].store(false, std::memory_order_release);
            wakeWriter = true;
        } else {
            wakeWriter = writerWaiting;
            writerWaiting = false;
            appendTo(*log, first, firstLength);
            appendTo(*log, second, secondLength);
        }
    }
    if (wakeWriter)
        wake.notify_one();
}

void MidiLogWriter::waitUntilWritten()
{
    std::unique_lock<std::mutex> lock(mutex);
    idle.wait(lock, [this] {
        if (!retired.empty() || reporting)
            return false;
        for (const auto& log : current) {
            if (log &&
                (!log->pending.empty() || log->writing || ((log->failed || log->overflow) && !log->closing)))
                return false;
        }
        return true;
    });
}

bool MidiLogWriter::hasWork() const
{
    for (const auto& log : current) {
        if (log && (needsWriting(*log) || (!log->writing && !log->closing && (log->failed || log->overflow))))
            return true;
    }
    for (const auto& log : retired) {
        if (!log->writing)
            return true;
    }
    return false;
}

void MidiLogWriter::writeBacklog(std::unique_lock<std::mutex>& lock, Log& log)
{
    std::deque<QByteArray> blocks;
    blocks.swap(log.pending);
    log.pendingSize = 0;
    log.writing = true;
    std::FILE* file = log.file;
    const bool skip = log.failed; // after a failure the rest is not written
    lock.unlock();
    bool ok = true;
    if (!skip) {
        for (const QByteArray& block : blocks) {
            if (std::fwrite(block.constData(), 1, size_t(block.size()), file) != size_t(block.size())) {
                ok = false;
                break;
            }
        }
        ok = std::fflush(file) == 0 && ok;
    }
    blocks.clear(); // freed before the lock is taken again
    lock.lock();
    log.writing = false;
    if (!ok)
        log.failed = true;
}

void MidiLogWriter::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        writerWaiting = true;
        wake.wait(lock, [this] { return stopping || hasWork(); });
        writerWaiting = false;
        if (!hasWork()) {
            if (stopping)
                break;
            continue;
        }
        if (!stopping) {
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(GatherMs));
            lock.lock();
        }

        std::vector<int> failures;
        // One log at a time, chosen afresh under the lock each round: close() may move a log to
        // the retired list or take it away while the lock is released for writing.
        for (;;) {
            Log* next = nullptr;
            for (auto& log : current)
                if (!next && log && needsWriting(*log))
                    next = log.get();
            for (auto& log : retired)
                if (!next && needsWriting(*log))
                    next = log.get();
            if (next) {
                writeBacklog(lock, *next);
                idle.notify_all();
                continue;
            }

            // An open file that failed is closed here and reported; one that close() is waiting
            // for is left to close().
            std::unique_ptr<Log> finished;
            bool report = false;
            for (auto& log : current) {
                if (log && !log->writing && !log->closing && (log->failed || log->overflow)) {
                    accepting[log->direction].store(false, std::memory_order_release);
                    finished = std::move(log);
                    report = true;
                    break;
                }
            }
            // A retired file whose backlog is written is closed; a failure is reported.
            if (!finished) {
                for (auto it = retired.begin(); it != retired.end(); ++it) {
                    if (!(*it)->writing && (*it)->pending.empty()) {
                        finished = std::move(*it);
                        retired.erase(it);
                        break;
                    }
                }
            }
            if (!finished)
                break;
            // Until its close and any report are done, waitUntilWritten() goes on waiting.
            reporting = true;
            lock.unlock();
            const bool closed = std::fclose(finished->file) == 0;
            lock.lock();
            if (report || !closed || finished->failed || finished->overflow)
                failures.push_back(finished->direction);
            idle.notify_all();
        }
        idle.notify_all();

        if (!failures.empty() && onFailure && !stopping) {
            lock.unlock();
            for (int direction : failures)
                onFailure(direction);
            lock.lock();
        }
        reporting = false;
        idle.notify_all();
    }
    idle.notify_all();
}
