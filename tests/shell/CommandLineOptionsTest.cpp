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
