#include "LicenseInfoView.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

LicenseInfoView::LicenseInfoView(QWidget* parent) : QTextEdit(parent)
{
    setReadOnly(true);
    resize(675, 300);
    setAttribute(Qt::WA_DeleteOnClose);
    QString text = readLicenceText(QString::fromLatin1(FileName));
    text.replace(QLatin1String("QT_VERSION"), QString::fromLatin1(qVersion()));
    setPlainText(text);
}

QString LicenseInfoView::readLicenceText(const QString& fileName)
{
    const QString folder = QCoreApplication::applicationDirPath();
    for (const QString& path : {folder + QLatin1String("/../share/vantel-midi/") + fileName,
                                folder + QLatin1Char('/') + fileName}) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QTextStream stream(&file);
        stream.setCodec("UTF-8");
        return stream.readAll();
    }
    return QString();
}
