#include "ProjectFileFormat.h"
#include "ProjectFileBytes.h"

#include <QtTest>

// The project file's bytes without a window: what the reader accepts, refuses as too new, and
// refuses as damaged.
class ProjectFileFormatTest : public QObject
{
    Q_OBJECT

    using Format = ProjectFileFormat;

    static ProjectFileBytes mainOnly(const char* version = "1.7.0")
    {
        ProjectFileBytes bytes(version);
        bytes.record(0, QRect(10, 20, 679, 548));
        return bytes;
    }

    // The main window's record, then a record of these fields and its empty block.
    template <size_t N, typename... More>
    static QByteArray withRecord(const qint32 (&fields)[N], More... more)
    {
        QByteArray record;
        QDataStream s(&record, QIODevice::WriteOnly);
        for (qint32 field : fields)
            s << field;
        ((s << more), ...);
        return mainOnly().raw(record.size()).bytes(record).block().file();
    }

private Q_SLOTS:
    void versions_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QByteArray>("makerEnd");
        QTest::addColumn<int>("result");
        const QByteArray zeros(4, '\0');
        QTest::newRow("this program's") << "1.7.0" << zeros << int(Format::Ok);
        QTest::newRow("newer patch") << "1.7.1" << zeros << int(Format::VersionError);
        QTest::newRow("newer major") << "2.0.0" << zeros << int(Format::VersionError);
        // Older in order of major, minor, patch, though a later digit is larger.
        QTest::newRow("older minor, larger patch") << "1.6.5" << zeros << int(Format::Ok);
        QTest::newRow("older major, larger minor") << "0.8.0" << zeros << int(Format::Ok);
        QTest::newRow("not digits count as 0") << "x.y.z" << zeros << int(Format::Ok);
        // Only the first 12 bytes of the maker field are the maker's name.
        QTest::newRow("maker bytes 12..15 not examined") << "1.7.0"
                                                         << QByteArray("\xff"
                                                                       "A 1")
                                                         << int(Format::Ok);
    }
    void versions()
    {
        QFETCH(QString, version);
        QFETCH(QByteArray, makerEnd);
        QFETCH(int, result);
        const QByteArray v = version.toLatin1();
        QByteArray file = mainOnly(v.constData()).file();
        QCOMPARE(file.mid(12, 4), QByteArray(4, '\0'));
        file.replace(12, 4, makerEnd);
        Format::Contents contents;
        QCOMPARE(int(Format::parse(file, &contents)), result);
    }

    void readsRecordsExtraValuesAndBlocks()
    {
        ProjectFileBytes bytes;
        bytes.record(0, QRect(10, 20, 679, 548), Qt::WindowMaximized, true)
            .record(5, QRect(1, 2, 225, 250), 0, false, {QVariant(7u), QVariant(0)})
            .block()
            .record(3, QRect(0, 274, 338, 274))
            .block(ProjectFileBytes::textField(0, QStringLiteral("F0 F7")));
        // The int32 before an extra value is not looked at.
        QByteArray file = bytes.file();
        const int marker = file.indexOf(QByteArray::fromHex("0000001000000003"));
        QVERIFY(marker > 0);
        file[marker + 3] = 99;

        Format::Contents contents;
        QCOMPARE(Format::parse(file, &contents), Format::Ok);
        QCOMPARE(contents.mainWindow.geometry, QRect(10, 20, 679, 548));
        QCOMPARE(contents.mainWindow.windowState, qint32(Qt::WindowMaximized));
        QVERIFY(contents.mainWindow.stayOnTop);
        QCOMPARE(contents.entries.size(), 2);
        QCOMPARE(contents.entries[0].record.kind, 5);
        QCOMPARE(contents.entries[0].record.extraValues, (QList<QVariant>{QVariant(7u), QVariant(0)}));
        QVERIFY(contents.entries[0].content.isEmpty());
        QCOMPARE(contents.entries[1].content, ProjectFileBytes::textField(0, QStringLiteral("F0 F7")));

        // Written again it is the same file, the marker as the program writes it.
        file[marker + 3] = 16;
        QByteArray written;
        QVERIFY(Format::build(contents, &written));
        QCOMPARE(written, file);
    }

    void damagedFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        const QByteArray good = mainOnly().file();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header cut short") << good.left(40);
        QByteArray maker = good;
        maker[3] = 'x';
        QTest::newRow("maker") << maker;
        QByteArray product = good;
        product[27] = 'x'; // the zero after "Vantel MIDI" is examined
        QTest::newRow("product") << product;
        QByteArray magic = good;
        magic[48] = 'w';
        QTest::newRow("magic") << magic;
        QTest::newRow("body length 0") << mainOnly().file(0);
        QTest::newRow("main record cut short") << good.left(good.size() - 1);
        QTest::newRow("no main record") << ProjectFileBytes().file(1);
        ProjectFileBytes hugeRecord = mainOnly();
        hugeRecord.raw(0x7FFFFFFF).bytes("abc");
        QTest::newRow("record longer than the file") << hugeRecord.file();
        ProjectFileBytes hugeBlock = mainOnly();
        hugeBlock.record(3, QRect(0, 0, 338, 274)).raw(0x7FFFFFF0).bytes("abc");
        QTest::newRow("block longer than the file") << hugeBlock.file();
        ProjectFileBytes negativeBlock = mainOnly();
        negativeBlock.record(3, QRect(0, 0, 338, 274)).raw(-1);
        QTest::newRow("negative block length") << negativeBlock.file();
        ProjectFileBytes noBlock = mainOnly();
        noBlock.record(3, QRect(0, 0, 338, 274));
        QTest::newRow("view without its block") << noBlock.file();
        // A variant type the program never writes (a list: Qt would decode it recursively).
        const qint32 view[] = {5, 0, 0, 0, 225, 250, 0, 16};
        QTest::newRow("list as extra value")
            << withRecord(view, quint32(QMetaType::QVariantList), qint8(0), quint32(1000000));
        QTest::newRow("text longer than its record")
            << withRecord(view, quint32(QMetaType::QString), qint8(0), quint32(0x7FFFFFF0));
        const qint32 corner[] = {1, 0, 0x7FFFFF00, 0, 0x7FFF, 10, 0};
        QTest::newRow("rectangle beyond the integers") << withRecord(corner);
        // Each value fits, but the right edge would not.
        const qint32 edge[] = {1, 0, 0x40000000, 0, 0x40000000, 10, 0};
        QTest::newRow("right edge beyond the integers") << withRecord(edge);
    }
    void damagedFilesAreRefused()
    {
        QFETCH(QByteArray, file);
        Format::Contents contents;
        QCOMPARE(Format::parse(file, &contents), Format::Failed);
    }

    void onlyStorableExtraValuesAreWritten()
    {
        Format::Contents contents;
        QByteArray bytes;
        Format::Entry entry;
        entry.record.kind = 1;
        entry.record.geometry = QRect(0, 0, 10, 10);
        entry.record.extraValues = {QVariant(QStringList{"a"})};
        contents.entries.append(entry);
        QVERIFY(!Format::build(contents, &bytes));
        contents.entries[0].record.extraValues = {QVariant(true), QVariant(qlonglong(-5)), QVariant(1.5),
                                                  QVariant(QStringLiteral("ab"))};
        QVERIFY(Format::build(contents, &bytes));
        Format::Contents back;
        QCOMPARE(Format::parse(bytes, &back), Format::Ok);
        QCOMPARE(back.entries[0].record.extraValues, contents.entries[0].record.extraValues);
    }
};

QTEST_GUILESS_MAIN(ProjectFileFormatTest)
#include "ProjectFileFormatTest.moc"
