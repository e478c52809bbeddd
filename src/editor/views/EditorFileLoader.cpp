#include "EditorFileLoader.h"

#include "SysExFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTextCodec>
#include <QTextDecoder>
#include <QThread>

namespace {

constexpr qint64 PieceBytes = 1 << 20;

} // namespace

EditorFileLoader::EditorFileLoader(QObject* parent) : QObject(parent) {}

EditorFileLoader::~EditorFileLoader()
{
    cancel();
}

void EditorFileLoader::start(const QString& path)
{
    cancel();
    auto shared = std::make_shared<Shared>();
    shared->total = QFileInfo(path).size();
    state = shared;
    thread = QThread::create([shared, path] { read(*shared, path); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this, [this, shared] {
        if (shared != state || shared->cancelled.load())
            return;
        state.reset();
        thread = nullptr;
        const QString text = std::move(shared->text);
        shared->text = QString();
        Q_EMIT loaded(text, shared->ok);
    });
    thread->start();
}

void EditorFileLoader::cancel()
{
    if (state == nullptr)
        return;
    state->cancelled = true;
    // The worker ends by itself and deletes its thread object; nothing of it reaches this object.
    disconnect(thread, nullptr, this, nullptr);
    state.reset();
    thread = nullptr;
}

qint64 EditorFileLoader::bytesRead() const
{
    return state != nullptr ? state->done.load() : 0;
}

qint64 EditorFileLoader::totalBytes() const
{
    return state != nullptr ? state->total : 0;
}

void EditorFileLoader::read(Shared& shared, const QString& path)
{
    const bool raw = SysExFile::isRawPath(path);
    QFile file(path);
    if (path.isEmpty() || !file.open(raw ? QIODevice::ReadOnly : QIODevice::ReadOnly | QIODevice::Text))
        return;
    QByteArray bytes;
    QString text;
    std::unique_ptr<QTextDecoder> decoder(QTextCodec::codecForName("UTF-8")->makeDecoder());
    if (raw)
        bytes.reserve(int(qMin<qint64>(shared.total, INT_MAX / 4)));
    else
        text.reserve(int(qMin<qint64>(shared.total, INT_MAX / 4)));
    while (!shared.cancelled.load()) {
        const QByteArray piece = file.read(PieceBytes);
        if (piece.isEmpty()) {
            if (file.error() != QFileDevice::NoError)
                return;
            break;
        }
        if (raw)
            bytes.append(piece);
        else
            text.append(decoder->toUnicode(piece));
        shared.done += piece.size();
    }
    if (shared.cancelled.load())
        return;
    shared.text = raw ? SysExFile::textOfBytes(bytes) : text;
    shared.ok = true;
}
