#include "HexText.h"

int HexText::hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

QString HexText::stripText(const QString& text)
{
    // Blanks, commas, tabs, line feeds (and paragraph separators, which a selection holds in their
    // place), and each comment from "//" with the line feed that ends it. One pass: a megabyte
    // dump's text is millions of characters, and a failure must show at once.
    QString digits(text.size(), Qt::Uninitialized);
    QChar* out = digits.data();
    const QChar* in = text.constData();
    const QChar* const end = in + text.size();
    while (in < end) {
        const ushort c = in->unicode();
        if (c == ' ' || c == ',' || c == '\t' || c == '\n' || c == 0x2029) {
            ++in;
        } else if (c == '/' && in + 1 < end && in[1] == QLatin1Char('/')) {
            while (in < end && *in != QLatin1Char('\n') && in->unicode() != 0x2029)
                ++in;
            if (in < end)
                ++in;
        } else {
            *out++ = *in++;
        }
    }
    digits.truncate(int(out - digits.constData()));
    return digits;
}

bool HexText::isHexadecimal(const QString& digits)
{
    if (digits.size() % 2 != 0)
        return false;
    for (QChar c : digits) {
        if (hexValue(c) < 0)
            return false;
    }
    return true;
}

qint32 HexText::countBytes(const QString& text)
{
    const QString digits = stripText(text);
    return isHexadecimal(digits) ? digits.size() / 2 : -1;
}

bool HexText::bytesOfText(const QString& text, QByteArray* bytes)
{
    const QString digits = stripText(text);
    if (digits.size() % 2 != 0)
        return false;
    QByteArray out(digits.size() / 2, '\0');
    for (int i = 0; i < out.size(); ++i) {
        const int high = hexValue(digits.at(2 * i));
        const int low = hexValue(digits.at(2 * i + 1));
        if (high < 0 || low < 0)
            return false;
        out[i] = char(high * 16 + low);
    }
    *bytes = out;
    return true;
}
