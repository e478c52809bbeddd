#include "SysExFile.h"

#include "HexText.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace {

const char hexDigits[] = "0123456789ABCDEF";

QString tr(const char* text)
{
    return QCoreApplication::translate("SysExFile", text);
}

} // namespace

bool SysExFile::isRawPath(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("syx"), Qt::CaseInsensitive) == 0;
}

bool SysExFile::isEditorSuffix(const QString& completeSuffix)
{
    if (completeSuffix == QLatin1String("txt"))
        return true;
    const QString last = completeSuffix.mid(completeSuffix.lastIndexOf(QLatin1Char('.')) + 1);
    return last.compare(QLatin1String("syx"), Qt::CaseInsensitive) == 0;
}

QString SysExFile::textOfBytes(const QByteArray& bytes)
{
    // Three characters per byte at most: two digits and the blank or line feed after them.
    QByteArray text;
    text.reserve(bytes.size() * 3);
    bool inMessage = false;
    int onLine = 0;
    const auto newLine = [&text, &onLine] {
        if (!text.isEmpty() && !text.endsWith('\n'))
            text.append('\n');
        onLine = 0;
    };
    for (const char c : bytes) {
        const quint8 byte = quint8(c);
        const bool status = byte >= 0x80;
        const bool realTime = byte >= 0xF8;
        // Real-time bytes may sit inside a dump; any other status byte ends it.
        if (inMessage && status && !realTime && byte != 0xF7)
            inMessage = false;
        if ((status && !(inMessage && (realTime || byte == 0xF7))) || onLine == LineBytes)
            newLine();
        if (onLine > 0)
            text.append(' ');
        text.append(hexDigits[byte >> 4]);
        text.append(hexDigits[byte & 0x0F]);
        ++onLine;
        if (byte == 0xF0) {
            inMessage = true;
        } else if (byte == 0xF7 && inMessage) {
            inMessage = false;
            newLine();
        }
    }
    if (text.endsWith('\n'))
        text.chop(1);
    return QString::fromLatin1(text);
}

QString SysExFile::readText(const QString& path, bool* ok)
{
    if (ok != nullptr)
        *ok = false;
    QFile file(path);
    const bool raw = isRawPath(path);
    if (path.isEmpty() || !file.open(raw ? QIODevice::ReadOnly : QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    if (ok != nullptr)
        *ok = true;
    if (raw)
        return textOfBytes(file.readAll());
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    return stream.readAll();
}

QString SysExFile::writeText(const QString& path, const QString& text)
{
    const bool raw = isRawPath(path);
    QByteArray bytes;
    if (raw && !HexText::bytesOfText(text, &bytes))
        return tr("The text was not saved: a .syx file holds MIDI bytes only, and this text is not\n"
                  "whole bytes of hexadecimal digits (an odd number of digits or another character).");
    if (!raw)
        bytes = text.toUtf8();
    // Written beside the old file and swapped in only when complete, so a full disk keeps the
    // previous contents.
    QSaveFile file(path);
    if (file.open(raw ? QIODevice::WriteOnly : QIODevice::WriteOnly | QIODevice::Text) &&
        file.write(bytes) == bytes.size() && file.commit())
        return QString();
    file.cancelWriting();
    return tr("File save failed.");
}
