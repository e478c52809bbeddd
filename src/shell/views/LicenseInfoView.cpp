#include "LicenseInfoView.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

LicenseInfoView::LicenseInfoView(QWidget* parent) : QTextEdit(parent)
{
    setReadOnly(true);
    resize(675, 300);
    setAttribute(Qt::WA_DeleteOnClose);
    QString text = readBesideExecutable(QString::fromLatin1(FileName));
    text.replace(QLatin1String("QT_VERSION"), QString::fromLatin1(qVersion()));
    setPlainText(text);
}

QString LicenseInfoView::readBesideExecutable(const QString& fileName)
{
    QFile file(QCoreApplication::applicationDirPath() + QLatin1Char('/') + fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    return stream.readAll();
}
