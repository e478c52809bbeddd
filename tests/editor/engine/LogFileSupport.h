#pragma once

// Files for the log tests: reading one back, and a disk that stops taking data.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

// A named pipe that nobody reads until drain(): writes to it stall once the pipe is full.
class StalledPipe
{
public:
    explicit StalledPipe(const QString& path) : name(QFile::encodeName(path))
    {
        if (::mkfifo(name.constData(), 0600) == 0)
            readEnd = ::open(name.constData(), O_RDONLY | O_NONBLOCK);
    }
    ~StalledPipe()
    {
        if (readEnd >= 0)
            ::close(readEnd);
    }
    StalledPipe(const StalledPipe&) = delete;
    StalledPipe& operator=(const StalledPipe&) = delete;

    bool isValid() const { return readEnd >= 0; }
    QString path() const { return QString::fromLocal8Bit(name); }

    // Waits until at least count bytes have come (or the writer closed its end) and returns them.
    QByteArray readAtLeast(int count)
    {
        QByteArray received;
        char chunk[4096];
        while (received.size() < count) {
            const ssize_t n =
                ::read(readEnd, chunk, size_t(qMin<int>(int(sizeof chunk), count - received.size())));
            if (n > 0)
                received.append(chunk, int(n));
            else if (n == 0)
                break;
            else
                ::usleep(1000);
        }
        return received;
    }

    // Everything written until the writer closes its end.
    QByteArray drain()
    {
        QByteArray received;
        char chunk[4096];
        for (;;) {
            const ssize_t n = ::read(readEnd, chunk, sizeof chunk);
            if (n > 0)
                received.append(chunk, int(n));
            else if (n == 0)
                return received;
            else
                ::usleep(1000);
        }
    }

private:
    QByteArray name;
    int readEnd = -1;
};
