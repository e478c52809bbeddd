#include "MonitorPrinter.h"

#include <cerrno>
#include <unistd.h>

namespace {

constexpr size_t largeBuffer = 1 << 16;

} // namespace

MonitorPrinter::MonitorPrinter(Model* model, int output) : analyzer(model), fd(output)
{
    buffer.reserve(largeBuffer * 2);
    analyzer.setInLineSink([this](const char* line, int length) {
        buffer.append(line, size_t(length));
        buffer.push_back('\n');
        ++lines;
    });
}

int MonitorPrinter::print(const CliMessage& message)
{
    lines = 0;
    // receiveData takes at most 65535 bytes at a time; a longer message goes in pieces, which the
    // analyzer's parser joins again.
    const auto* data = reinterpret_cast<const quint8*>(message.bytes.constData());
    const int size = message.bytes.size();
    for (int offset = 0; offset < size; offset += 0xFFFF) {
        const int n = qMin(0xFFFF, size - offset);
        analyzer.receiveData(data + offset, quint16(n), message.stamp, 0, message.port);
    }
    return lines;
}

QString MonitorPrinter::linesOf(const CliMessage& message)
{
    const size_t start = buffer.size();
    print(message);
    const QString text = QString::fromUtf8(buffer.data() + start, int(buffer.size() - start));
    buffer.resize(start);
    return text;
}

bool MonitorPrinter::flush()
{
    size_t done = 0;
    while (!failed && done < buffer.size()) {
        const ssize_t n = ::write(fd, buffer.data() + done, buffer.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            failed = true;
        else
            done += size_t(n);
    }
    buffer.clear();
    return !failed;
}

bool MonitorPrinter::flushIfLarge()
{
    return buffer.size() < largeBuffer || flush();
}
