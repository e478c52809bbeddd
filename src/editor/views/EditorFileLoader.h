#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;

// Reads a file for the system-exclusive editor on a thread of its own: a text file by streaming it
// in pieces (UTF-8, line ends as in text mode), a .syx file by reading its bytes and building their
// hexadecimal text (SysExFile). The GUI thread follows the bytes read and may cancel at any time;
// it never waits for the worker: a cancelled or abandoned read finishes on its own and its result
// is dropped.
class EditorFileLoader : public QObject
{
    Q_OBJECT

public:
    explicit EditorFileLoader(QObject* parent = nullptr);
    ~EditorFileLoader() override;

    void start(const QString& path);
    void cancel();
    bool isRunning() const { return state != nullptr; }
    // Bytes of the file read so far and its size when the read started.
    qint64 bytesRead() const;
    qint64 totalBytes() const;

Q_SIGNALS:
    // The file's text; ok is false when it could not be read (the text is then empty). Not
    // emitted for a cancelled read.
    void loaded(const QString& text, bool ok);

private:
    struct Shared
    {
        std::atomic<bool> cancelled{false};
        std::atomic<qint64> done{0};
        qint64 total = 0;
        QString text;
        bool ok = false;
    };
    static void read(Shared& shared, const QString& path);

    std::shared_ptr<Shared> state;
    QThread* thread = nullptr;
};
