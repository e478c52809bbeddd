#include "HexText.h"

#include <QRegularExpression>

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
    // Blanks, commas, tabs, line feeds, and each comment with the line feed that ends it.
    static const QRegularExpression noise(QStringLiteral(" |,|\t|\n|(//|//([^\n]+))(\n|$)"));
    QString digits = text;
    digits.replace(QChar(0x2029), QLatin1Char('\n'));
    digits.remove(noise);
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
