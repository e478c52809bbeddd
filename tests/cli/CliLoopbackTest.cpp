// The command-line program over the built-in loopback MIDI system, where what goes out of "Loopback
// A" comes back at the input of that name in the same process: the device list, the MIDI system
// option, device names, hex refused before sending, request and run with a JUnit report.

#include "CliRunner.h"

#include <QTemporaryDir>

namespace {

QStringList loopback(QStringList arguments)
{
    arguments.prepend(QStringLiteral("loopback"));
    arguments.prepend(QStringLiteral("--midi-api"));
    return arguments;
}

} // namespace

class CliLoopbackTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;

private Q_SLOTS:
    void listsDevicesAsTextAndJson()
    {
        CliResult result = runCli(loopback({QStringLiteral("list")}));
        QCOMPARE(result.status, 0);
        QCOMPARE(linesOf(result.out),
                 (QStringList{"in\tLoopback A", "in\tLoopback B", "out\tLoopback A", "out\tLoopback B"}));
        result =
            runCli({QStringLiteral("list"), QStringLiteral("--json"), QStringLiteral("--midi-api=loopback")});
        QCOMPARE(result.status, 0);
        const QJsonObject json = QJsonDocument::fromJson(result.out).object();
        QCOMPARE(json.value(QStringLiteral("api")).toString(), QStringLiteral("loopback"));
        QCOMPARE(json.value(QStringLiteral("outputs")).toArray().size(), 2);
    }

    // Usage and device errors: status 2 and a message that helps.
    void usageAndDeviceErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("api without value")
            << QStringList{"list", "--midi-api"} << "--midi-api needs a value: jack, alsa or loopback.";
        QTest::newRow("unknown api") << QStringList{"--midi-api", "midi2", "list"}
                                     << "Unknown MIDI API \"midi2\"";
        QTest::newRow("unknown command") << loopback({"play"}) << "unknown command \"play\"";
        QTest::newRow("no device matches, devices listed")
            << loopback({"send", "--out", "Synth", "90 3C 64"})
            << "no output device matches \"Synth\"; the output devices are:\n  Loopback A\n  Loopback B";
        QTest::newRow("ambiguous part") << loopback({"send", "--out", "loop", "90 3C 64"})
                                        << "\"loop\" matches more than one output device";
        QTest::newRow("request without pattern")
            << loopback({"request", "--out", "Loopback A", "--in", "Loopback A", "--send", "F8"})
            << "missing --expect";
        QTest::newRow("bad pattern") << loopback({"request", "--out", "Loopback A", "--in", "Loopback A",
                                                  "--send", "F8", "--expect", "F0 XY"})
                                     << "\"XY\" in the pattern";
        QTest::newRow("bad filter") << loopback({"monitor", "--in", "Loopback A", "--filter", "ch17"})
                                    << "unknown filter item \"ch17\"";
        // The loopback system has no other programs that could connect to a port of ours.
        const QString noVirtual = QStringLiteral("--virtual needs the jack or alsa MIDI system");
        QTest::newRow("virtual monitor") << loopback({"monitor", "--virtual", "probe"}) << noVirtual;
        QTest::newRow("virtual send") << loopback({"send", "--virtual", "probe", "90 3C 64"}) << noVirtual;
        QTest::newRow("virtual request")
            << loopback({"request", "--virtual", "probe", "--send", "F8", "--expect", "F8"}) << noVirtual;
        QTest::newRow("virtual output, device input")
            << loopback({"request", "--virtual-out", "probe", "--in", "Loopback A", "--send", "F8",
                         "--expect", "F8"})
            << noVirtual;
        QTest::newRow("both --out and --virtual")
            << loopback({"send", "--out", "Loopback A", "--virtual", "probe", "90 3C 64"})
            << "send needs --out DEVICE or --virtual NAME";
        QTest::newRow("two inputs for request")
            << loopback(
                   {"request", "--virtual", "probe", "--in", "Loopback A", "--send", "F8", "--expect", "F8"})
            << "request needs one input: --in DEVICE, --virtual-in NAME or --virtual NAME";
        QTest::newRow("virtual name with colon")
            << loopback({"monitor", "--virtual", "a:b"}) << "a virtual port needs a name without \":\"";
    }

    void usageAndDeviceErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const CliResult result = runCli(arguments);
        QCOMPARE(result.status, 2);
        QVERIFY2(QString::fromUtf8(result.err).contains(message), result.err.constData());
    }

    // The editor's rules: a text that is not whole bytes sends nothing.
    void sendRefusesTextThatIsNotBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("odd digits") << "F0 7E 7 F7";
        QTest::newRow("not hexadecimal") << "F0 GG F7";
    }

    void sendRefusesTextThatIsNotBytes()
    {
        QFETCH(QString, text);
        const CliResult result = runCli(loopback({"send", "--out", "Loopback A", text}));
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains("nothing was sent"), result.err.constData());
    }

    void sendTellsWhatWasLeftOut()
    {
        const QString path = folder.filePath(QStringLiteral("bytes.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("90 3C 64 // note\nC0 05\nF0 01 // never ended\n");
        file.close();
        const CliResult result = runCli(loopback({"send", "--out", "Loopback A", "--file", path}));
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains("sent 5 of 7 bytes; 2 bytes made no complete MIDI message"),
                 result.err.constData());
        QCOMPARE(runCli(loopback({"send", "--out", "loopback a", "90 3C 64"})).status, 0);
    }

    // What "Loopback A" sends comes back at its input: the request is its own reply.
    void requestMatchesOrTimesOut()
    {
        const QStringList common = loopback({"request", "--out", "Loopback A", "--in", "Loopback A", "--send",
                                             "F0 7E 7F 06 01 F7", "--details", "--timeout", "300"});
        CliResult result = runCli(common + QStringList{"--expect", "F0 7E .. 06 * F7"});
        QCOMPARE(result.status, 0);
        QCOMPARE(linesOf(result.out), QStringList{"Port1 ---- SysEx    F0 7E 7F 06 01 F7"});
        result = runCli(common + QStringList{"--expect", "F0 7E .. 06 02 * F7", "--raw"});
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains("no reply matching \"F0 7E .. 06 02 * F7\" within 300 ms; 1 other "
                                     "message(s) arrived:\n  Port1 ---- SysEx    F0 7E 7F 06 01 F7"),
                 result.err.constData());
    }

    void runWritesAJUnitReport()
    {
        const QString script = folder.filePath(QStringLiteral("firmware.txt"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("# loopback answers with what was sent\n"
                   "case echo\n"
                   "send F0 7E 7F 06 01 F7 // identity request\n"
                   "expect F0 7E * F7 within 500\n"
                   "wait 10\n"
                   "\n"
                   "case wrong reply\n"
                   "send 90 3C 64\n"
                   "expect 80 3C .. within 200\n");
        file.close();
        const QString report = folder.filePath(QStringLiteral("report.xml"));
        const CliResult result =
            runCli(loopback({"run", script, "--out", "Loopback A", "--in", "Loopback A", "--junit", report}));
        QCOMPARE(result.status, 1);
        const QStringList lines = linesOf(result.out);
        QCOMPARE(lines.size(), 5);
        QVERIFY2(lines.at(0).startsWith(QLatin1String("passed echo (")), qPrintable(lines.at(0)));
        QVERIFY2(
            lines.at(1).contains(QLatin1String("FAILED wrong reply")) &&
                lines.at(1).endsWith(QLatin1String("step 2 (line 9: expect 80 3C .. within 200): no match "
                                                   "within 200 ms")),
            qPrintable(lines.at(1)));
        QCOMPARE(lines.at(2), QStringLiteral("  1 other message(s) arrived:"));
        QCOMPARE(lines.at(3), QStringLiteral("    90 3C 64"));
        QCOMPARE(lines.at(4), QStringLiteral("2 case(s), 1 failed"));
        QProcess xmllint;
        xmllint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), report});
        QVERIFY(xmllint.waitForFinished(10000));
        QCOMPARE(xmllint.exitCode(), 0);
        QFile xml(report);
        QVERIFY(xml.open(QIODevice::ReadOnly));
        const QByteArray text = xml.readAll();
        QVERIFY(text.contains("<testsuite name=\"firmware\" tests=\"2\" failures=\"1\""));
        QVERIFY(text.contains("<failure message=\"step 2 (line 9: expect 80 3C .. within 200)"));
    }
};

QTEST_GUILESS_MAIN(CliLoopbackTest)
#include "CliLoopbackTest.moc"
