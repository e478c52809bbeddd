#include "MidiLogWriter.h"

#include <QFile>

#include <utility>

MidiLogWriter::MidiLogWriter(FailureHandler failureHandler) : onFailure(std::move(failureHandler))
{
    for (auto& flag : accepting)
        flag.store(false);
}

MidiLogWriter::~MidiLogWriter()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        for (auto& flag : accepting)
            flag.store(false);
    }
    wake.notify_all();
    if (thread.joinable())
        thread.join();
    for (Log& log : logs) {
        if (log.file)
            std::fclose(log.file);
        log.file = nullptr;
    }
}

bool MidiLogWriter::open(int direction, const QString& path)
{
    if (direction < 0 || direction >= DirectionCount || path.isEmpty())
        return false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (logs[direction].file)
            return false;
    }
    // "e": the file must not leak into processes the program might start.
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "we");
    if (!file)
        return false;

    std::lock_guard<std::mutex> lock(mutex);
    Log& log = logs[direction];
    if (log.file || stopping) {
        std::fclose(file);
        return false;
    }
    log = Log();
    log.file = file;
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
    Log& log = logs[direction];
    if (!log.file)
        return false;
    accepting[direction].store(false, std::memory_order_release);
    log.closing = true;
    wake.notify_all();
    idle.wait(lock, [&log] { return log.pending.empty() && !log.writing; });

    std::FILE* file = log.file;
    const bool failed = log.closeFailed || log.overflow;
    log = Log();
    lock.unlock();
    const bool closed = std::fclose(file) == 0;
    return closed && !failed;
}

void MidiLogWriter::append(int direction, const char* first, int firstLength, const char* second, int secondLength)
{
    if (direction < 0 || direction >= DirectionCount || !accepting[direction].load(std::memory_order_acquire))
        return;
    bool wasEmpty;
    {
        std::lock_guard<std::mutex> lock(mutex);
        Log& log = logs[direction];
        if (!log.file || log.closing || log.overflow)
            return;
        if (log.pendingSize + firstLength + secondLength > BacklogLimit) {
            log.overflow = true;
            accepting[direction].store(false, std::memory_order_release);
            wasEmpty = true;
        } else {
            wasEmpty = log.pending.empty();
            appendTo(log, first, firstLength);
            appendTo(log, second, secondLength);
        }
    }
    if (wasEmpty)
        wake.notify_one();
}

void MidiLogWriter::appendTo(Log& log, const char* data, int length)
{
    if (length <= 0)
        return;
    if (log.pending.empty() || log.pending.back().size() + length > qMax(BlockSize, log.pending.back().capacity())) {
        log.pending.emplace_back();
        log.pending.back().reserve(qMax(BlockSize, length));
    }
    log.pending.back().append(data, length);
    log.pendingSize += length;
}

void MidiLogWriter::waitUntilWritten()
{
    std::unique_lock<std::mutex> lock(mutex);
    idle.wait(lock, [this] {
        for (const Log& log : logs) {
            if (log.file && (!log.pending.empty() || log.writing || log.overflow))
                return false;
        }
        return true;
    });
}

bool MidiLogWriter::hasWork() const
{
    for (const Log& log : logs) {
        if (log.file && !log.writing && (!log.pending.empty() || (log.overflow && !log.closing)))
            return true;
    }
    return false;
}

void MidiLogWriter::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || hasWork(); });
        if (!hasWork()) {
            if (stopping)
                break;
            continue;
        }
        bool failed[DirectionCount] = {false, false};
        for (int direction = 0; direction < DirectionCount; ++direction) {
            Log& log = logs[direction];
            if (!log.file || (log.pending.empty() && !log.overflow))
                continue;
            std::deque<QByteArray> blocks;
            blocks.swap(log.pending);
            log.pendingSize = 0;
            std::FILE* file = log.file;
            log.writing = true;
            lock.unlock();
            bool ok = true;
            for (const QByteArray& block : blocks) {
                if (std::fwrite(block.constData(), 1, size_t(block.size()), file) != size_t(block.size())) {
                    ok = false;
                    break;
                }
            }
            if (!blocks.empty())
                ok = std::fflush(file) == 0 && ok;
            blocks.clear(); // freed before the lock is taken again
            lock.lock();
            log.writing = false;
            if (ok && !log.overflow)
                continue;
            if (log.closing) {
                log.closeFailed = true;
                log.pending.clear();
                log.pendingSize = 0;
            } else {
                std::fclose(log.file);
                log = Log();
                accepting[direction].store(false, std::memory_order_release);
                failed[direction] = !stopping;
            }
        }
        idle.notify_all();
        if ((failed[0] || failed[1]) && onFailure) {
            lock.unlock();
            for (int direction = 0; direction < DirectionCount; ++direction) {
                if (failed[direction])
                    onFailure(direction);
            }
            lock.lock();
        }
    }
    idle.notify_all();
}
