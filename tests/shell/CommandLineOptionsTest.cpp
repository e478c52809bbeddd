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
        QTest::newRow("no argument") << QStringList{"vantel-midi"} << QString();
        QTest::newRow("empty argument") << QStringList{"vantel-midi", ""} << QString();
        QTest::newRow("empty first, file second") << QStringList{"vantel-midi", "", "b.vantelmidi"} << QString();
        QTest::newRow("file") << QStringList{"vantel-midi", "/p/a.vantelmidi"} << "/p/a.vantelmidi";
        QTest::newRow("file with blanks") << QStringList{"vantel-midi", "my song.vantelmidi"}
                                          << "my song.vantelmidi";
        QTest::newRow("only the first counts")
            << QStringList{"vantel-midi", "a.vantelmidi", "b.vantelmidi"} << "a.vantelmidi";
        QTest::newRow("no program name") << QStringList{} << QString();
        QTest::newRow("option before file")
            << QStringList{"vantel-midi", "--midi-api", "loopback", "a.vantelmidi"} << "a.vantelmidi";
        QTest::newRow("option after file")
            << QStringList{"vantel-midi", "a.vantelmidi", "--midi-api", "jack"} << "a.vantelmidi";
        QTest::newRow("option with attached value")
            << QStringList{"vantel-midi", "--midi-api=alsa", "a.vantelmidi"} << "a.vantelmidi";
        QTest::newRow("single-dash option") << QStringList{"vantel-midi", "-midi-api", "alsa"} << QString();
        QTest::newRow("option without its value") << QStringList{"vantel-midi", "--midi-api"} << QString();
        QTest::newRow("option then empty argument")
            << QStringList{"vantel-midi", "--midi-api", "loopback", ""} << QString();
    }
    void projectArgument()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, project);
        const CommandLineOptions options = CommandLineOptions::parse(arguments);
        QCOMPARE(options.projectFile(), project);
        QCOMPARE(options.hasProjectFile(), !project.isEmpty());
    }
};

QTEST_GUILESS_MAIN(CommandLineOptionsTest)
#include "CommandLineOptionsTest.moc"
