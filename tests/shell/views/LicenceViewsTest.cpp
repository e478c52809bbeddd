#include "EULAView.h"
#include "LicenseInfoView.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtTest>

#include <memory>

namespace {

// The two places the licence views look: the installed data folder relative to the program and
// the program's own folder (the build tree).
QString installedFolder()
{
    return QCoreApplication::applicationDirPath() + QLatin1String("/../share/vantel-midi/");
}

QString buildTreeFolder()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

void place(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(text), qint64(text.size()));
}

} // namespace

class LicenceViewsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        for (const char* name : {LicenseInfoView::FileName, EULAView::FileName}) {
            QFile::remove(installedFolder() + QLatin1String(name));
            QFile::remove(buildTreeFolder() + QLatin1String(name));
        }
        QDir().rmpath(installedFolder());
    }

    void textFromWhereItIs_data()
    {
        QTest::addColumn<QByteArray>("installed");
        QTest::addColumn<QByteArray>("beside");
        QTest::addColumn<QString>("shown");
        QTest::newRow("installed") << QByteArray("installed text\n") << QByteArray() << "installed text\n";
        QTest::newRow("build tree") << QByteArray() << QByteArray("build text\n") << "build text\n";
        QTest::newRow("installed first")
            << QByteArray("installed text\n") << QByteArray("build text\n") << "installed text\n";
        QTest::newRow("neither: empty") << QByteArray() << QByteArray() << QString();
    }
    void textFromWhereItIs()
    {
        QFETCH(QByteArray, installed);
        QFETCH(QByteArray, beside);
        QFETCH(QString, shown);
        for (const char* name : {LicenseInfoView::FileName, EULAView::FileName}) {
            if (!installed.isNull())
                place(installedFolder() + QLatin1String(name), installed);
            if (!beside.isNull())
                place(buildTreeFolder() + QLatin1String(name), beside);
        }
        auto eula = std::make_unique<EULAView>();
        QCOMPARE(eula->toPlainText(), shown);
        QVERIFY(eula->isReadOnly());
        auto licences = std::make_unique<LicenseInfoView>();
        QCOMPARE(licences->toPlainText(), shown);
    }
};

QTEST_MAIN(LicenceViewsTest)
#include "LicenceViewsTest.moc"
