#include "CommandLineOptions.h"

#include <QtTest>

class CommandLineOptionsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void projectArgument_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("project");
        QTest::addColumn<QString>("api");
        QTest::addColumn<QString>("error");
        QTest::newRow("no argument") << QStringList{"vantel-midi"} << QString() << QString() << QString();
        QTest::newRow("empty first, file second")
            << QStringList{"vantel-midi", "", "b.vantelmidi"} << QString() << QString() << QString();
        QTest::newRow("file") << QStringList{"vantel-midi", "/p/a.vantelmidi"} << "/p/a.vantelmidi"
                              << QString() << QString();
        QTest::newRow("only the first counts") << QStringList{"vantel-midi", "a.vantelmidi", "b.vantelmidi"}
                                               << "a.vantelmidi" << QString() << QString();
        QTest::newRow("no program name") << QStringList{} << QString() << QString() << QString();
        QTest::newRow("option before file")
            << QStringList{"vantel-midi", "--midi-api", "loopback", "a.vantelmidi"} << "a.vantelmidi"
            << QString("loopback") << QString();
        QTest::newRow("option after file") << QStringList{"vantel-midi", "a.vantelmidi", "--midi-api", "jack"}
                                           << "a.vantelmidi" << QString("jack") << QString();
        QTest::newRow("option with attached value")
            << QStringList{"vantel-midi", "--midi-api=alsa", "a.vantelmidi"} << "a.vantelmidi"
            << QString("alsa") << QString();
        QTest::newRow("single-dash option")
            << QStringList{"vantel-midi", "-midi-api", "alsa"} << QString() << QString("alsa") << QString();
        QTest::newRow("option without its value")
            << QStringList{"vantel-midi", "--midi-api"} << QString() << QString()
            << "--midi-api needs a value: jack, alsa or loopback.";
        QTest::newRow("attached empty value")
            << QStringList{"vantel-midi", "--midi-api="} << QString() << QString()
            << QString("--midi-api needs a value: jack, alsa or loopback.");
    }
    void projectArgument()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, project);
        const CommandLineOptions options = CommandLineOptions::parse(arguments);
        QCOMPARE(options.projectFile(), project);
        QCOMPARE(options.hasProjectFile(), !project.isEmpty());
        QFETCH(QString, api);
        QFETCH(QString, error);
        QCOMPARE(options.midiApi(), api);
        QCOMPARE(options.error(), error);
    }
};

QTEST_GUILESS_MAIN(CommandLineOptionsTest)
#include "CommandLineOptionsTest.moc"
