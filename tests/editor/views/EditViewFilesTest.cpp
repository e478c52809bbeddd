// Text and .syx files and project-file blocks of the editor views: Open and Save through the file
// dialog, a save that fails or is refused, dropped files, and the block the views store in a
// project.

// First: it sets up QtTest's window-system mouse handling before QtTest is included.
#include "EditorViewHost.h"

#include "MidiEditGeneralView.h"
#include "MidiEditProgressView.h"
#include "MidiEditTextView.h"
#include "MonitorTextView.h"
#include "SysExFile.h"
#include "TextHighlighter.h"
#include "ToolButton.h"
#include "VantelMidiParameterId.h"

#include <QComboBox>
#include <QDataStream>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

namespace {

// Answers the next file dialog like a user: picks the filter (steps down its list with the
// keyboard), types the path into its name field and presses Return.
void answerFileDialog(const QString& path, int filterSteps = 0)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, path, filterSteps] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        poll->stop();
        poll->deleteLater();
        auto* filters = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(filters != nullptr);
        for (int i = 0; i < filterSteps; ++i)
            QTest::keyClick(filters, Qt::Key_Down);
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name != nullptr);
        name->selectAll();
        QTest::keyClicks(name, path);
        QTest::keyClick(name, Qt::Key_Return);
    });
    poll->start(20);
}

QByteArray fileBytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray bytesOf(const std::function<void(QDataStream&)>& write)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    write(stream);
    return bytes;
}

} // namespace

class EditViewFilesTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<VantelMidiModel> model;
    std::unique_ptr<EditorViewHost> host;
    QTemporaryDir folder;

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = folder.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        file.write(bytes);
        return path;
    }

    ToolButton* toolButton(MidiEditView* view, const QString& tip)
    {
        for (ToolButton* button : view->generalView()->toolBar()->findChildren<ToolButton*>()) {
            if (button->toolTip() == tip)
                return button;
        }
        return nullptr;
    }

    static bool drop(MidiEditView* view, const QString& path)
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QWidget* viewport =
            view->isMonitor() ? view->monitorView()->viewport() : view->textView()->viewport();
        const QPoint at(10, 10);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &dropped);
        return dropped.isAccepted();
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(folder.isValid()); }

    void init()
    {
        model = std::make_unique<VantelMidiModel>();
        host = std::make_unique<EditorViewHost>(model.get());
    }

    void cleanup()
    {
        host.reset();
        model.reset();
    }

    void openPlacesTheFileInAnEmptyViewElseInANewOne()
    {
        const QString path =
            writeFile(QStringLiteral("gm.txt"), QByteArray("F0 7E 7F 09 01 F7 // GM on\xc2\xb5\n"));
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusive);
        answerFileDialog(path);
        QTest::mouseClick(toolButton(view, QStringLiteral("Open")), Qt::LeftButton);
        QCOMPARE(view->text(), QString::fromUtf8("F0 7E 7F 09 01 F7 // GM on\xc2\xb5\n"));
        QCOMPARE(model->getString(ParamDumpFileWorkingDirectory), QFileInfo(path).absolutePath());
        QCOMPARE(host->keyReleases, 1);

        answerFileDialog(path);
        QTest::mouseClick(toolButton(view, QStringLiteral("Open")), Qt::LeftButton);
        const QList<MidiEditView*> views = host->openViews();
        QCOMPARE(views.size(), 2);
        QCOMPARE(views.last()->viewType(), qint32(MidiEditView::SystemExclusive));
        QCOMPARE(views.last()->text(), view->text());
    }

    void saveWritesTheWholeTextAsUtf8()
    {
        const QString text =
            QString::fromUtf8("F0 41 10 42 12 40 00 7F 00 41 F7 // reset \xc3\xa9\n90 3C 64");
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusive, text);
        const QString path = folder.filePath(QStringLiteral("saved.txt"));
        answerFileDialog(path);
        QTest::mouseClick(toolButton(view, QStringLiteral("Save")), Qt::LeftButton);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), text.toUtf8());
        QVERIFY(host->errors.isEmpty());
    }

    void saveAddsTheFiltersExtension_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("filterSteps");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray text("F0 7E 7F 09 01 F7 // GM on");
        const QByteArray raw("\xF0\x7E\x7F\x09\x01\xF7");
        QTest::newRow("no extension") << "gm-on" << 0 << "gm-on.txt" << text;
        QTest::newRow("no extension, .syx filter") << "gm-on" << 1 << "gm-on.syx" << raw;
        QTest::newRow("own extension decides") << "gm-on.SYX" << 0 << "gm-on.SYX" << raw;
        QTest::newRow("text under the .syx filter") << "gm-on.txt" << 1 << "gm-on.txt" << text;
    }

    void saveAddsTheFiltersExtension()
    {
        QFETCH(QString, typed);
        QFETCH(int, filterSteps);
        QFETCH(QString, written);
        QFETCH(QByteArray, bytes);
        MidiEditView* view =
            host->openShown(MidiEditView::SystemExclusive, QStringLiteral("F0 7E 7F 09 01 F7 // GM on"));
        answerFileDialog(folder.filePath(typed), filterSteps);
        QTest::mouseClick(toolButton(view, QStringLiteral("Save")), Qt::LeftButton);
        QCOMPARE(fileBytesOf(folder.filePath(written)), bytes);
        QCOMPARE(QFile::exists(folder.filePath(typed)), typed == written);
        QVERIFY(host->errors.isEmpty());
        QFile::remove(folder.filePath(written));
    }

    // A .syx file opens as a line per message and saves back to the same bytes, whatever lies
    // between the messages.
    void syxFilesRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("two messages")
            << QByteArray::fromHex("f07e7f0901f7f041104212f7") << "F0 7E 7F 09 01 F7\nF0 41 10 42 12 F7";
        QTest::newRow("stray bytes between and around") << QByteArray::fromHex("0102f001f70390"
                                                                               "3c64c005f005")
                                                        << "01 02\nF0 01 F7\n03\n90 3C 64\nC0 05\nF0 05";
        QTest::newRow("clock inside, status byte ends a dump")
            << QByteArray::fromHex("f001f802f0039040f7f7") << "F0 01 F8 02\nF0 03\n90 40\nF7\nF7";
        QTest::newRow("empty") << QByteArray() << "";
        // The text area would take seconds over a line of megabytes: long ones go on over lines.
        QByteArray dump = QByteArray(5000, '\x01');
        dump[0] = char(0xF0);
        dump[4999] = char(0xF7);
        QString lines = QStringLiteral("F0") + QStringLiteral(" 01").repeated(4095) + QLatin1Char('\n') +
                        QStringLiteral("01 ").repeated(903) + QStringLiteral("F7");
        QTest::newRow("long message") << dump << lines;
    }

    void syxFilesRoundTrip()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const QString path = writeFile(QStringLiteral("in.syx"), bytes);
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusive);
        answerFileDialog(path);
        QTest::mouseClick(toolButton(view, QStringLiteral("Open")), Qt::LeftButton);
        QCOMPARE(view->text(), text);

        const QString saved = folder.filePath(QStringLiteral("out.syx"));
        answerFileDialog(saved);
        QTest::mouseClick(toolButton(view, QStringLiteral("Save")), Qt::LeftButton);
        QCOMPARE(fileBytesOf(saved), bytes);

        MidiEditView* dropped = host->openShown(MidiEditView::SystemExclusive);
        QVERIFY(drop(dropped, saved));
        QCOMPARE(dropped->text(), text);
        QFile::remove(saved);
    }

    void textThatIsNotBytesIsNotSavedAsSyx_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("odd digits") << "F0 7E 7 F7";
        QTest::newRow("not hexadecimal") << "F0 GG F7";
    }

    void textThatIsNotBytesIsNotSavedAsSyx()
    {
        QFETCH(QString, text);
        const QString path = folder.filePath(QStringLiteral("refused.syx"));
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusive, text);
        answerFileDialog(path);
        QTest::mouseClick(toolButton(view, QStringLiteral("Save")), Qt::LeftButton);
        QCOMPARE(host->errors.size(), 1);
        QVERIFY2(host->errors.first().contains(QLatin1String(".syx")), qPrintable(host->errors.first()));
        QVERIFY(!QFile::exists(path));
    }

    // What a receiving editor collected is saved as the bytes that arrived.
    void receivedDumpSavesAsSyx()
    {
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusiveReceive);
        view->appendReceivedText(QStringLiteral("\nF0 43 10 4C F7\nF0 7E 7F 09 01 F7"), 11);
        QCOMPARE(view->currentPage(), int(MidiEditView::ProgressPage));
        QTest::mouseClick(view->progressView()->button(), Qt::LeftButton);
        const QString path = folder.filePath(QStringLiteral("received.syx"));
        answerFileDialog(path);
        QTest::mouseClick(toolButton(view, QStringLiteral("Save")), Qt::LeftButton);
        QCOMPARE(fileBytesOf(path), QByteArray::fromHex("f043104cf7f07e7f0901f7"));
    }

    void aSaveThatFailsIsReported()
    {
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusive, QStringLiteral("90 3C 64"));
        answerFileDialog(folder.filePath(QStringLiteral("no-such-folder/lost.txt")));
        QTest::mouseClick(toolButton(view, QStringLiteral("Save")), Qt::LeftButton);
        QCOMPARE(host->errors, QStringList{QStringLiteral("File save failed.")});
    }

    void unreadableFileGivesAnEmptyText()
    {
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusive);
        view->generalView()->placeFileText(folder.filePath(QStringLiteral("missing.txt")));
        QCOMPARE(view->text(), QString());
        QCOMPARE(host->openViews().size(), 1);
    }

    // A large file opens behind the progress page, which cancels it; opened to the end it is the
    // whole file, text or .syx, and a change of the project.
    void largeFilesOpenWithProgressAndCancel_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("text") << QStringLiteral("large.txt");
        QTest::newRow("syx") << QStringLiteral("large.syx");
    }

    void largeFilesOpenWithProgressAndCancel()
    {
        QFETCH(QString, name);
        const bool raw = name.endsWith(QLatin1String(".syx"));
        QByteArray dump(1 << 20, '\0');
        for (int i = 0; i < dump.size(); ++i)
            dump[i] = char(i % 128);
        dump[0] = char(0xF0);
        dump[dump.size() - 1] = char(0xF7);
        const QString dumpText = SysExFile::textOfBytes(dump);
        const QString path = writeFile(name, raw ? dump : dumpText.toUtf8());
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusive);

        model->setValue(ParamModified, 0);
        QVERIFY(drop(view, path));
        QVERIFY(view->isLoading());
        QCOMPARE(view->currentPage(), int(MidiEditView::ProgressPage));
        QVERIFY(view->progressView()->progressBar() != nullptr);
        QCOMPARE(view->progressView()->button()->text(), QStringLiteral("Cancel"));
        QTest::mouseClick(view->progressView()->button(), Qt::LeftButton);
        QVERIFY(!view->isLoading());
        QCOMPARE(view->currentPage(), int(MidiEditView::GeneralPage));
        QTest::qWait(300);
        QCOMPARE(view->text(), QString());
        QCOMPARE(model->getValue(ParamModified), 0);

        QVERIFY(drop(view, path));
        QTRY_VERIFY_WITH_TIMEOUT(!view->isLoading(), 60000);
        QCOMPARE(view->currentPage(), int(MidiEditView::GeneralPage));
        QCOMPARE(view->text(), dumpText);
        QCOMPARE(view->textView()->document()->blockCount(), dumpText.count(QLatin1Char('\n')) + 1);
        QCOMPARE(model->getValue(ParamModified), 1);
        QVERIFY(!view->textView()->document()->isUndoAvailable());
        // Coloured as the editor colours what is typed: the status byte that opens the dump.
        const QTextBlock first = view->textView()->document()->firstBlock();
        QVERIFY(!first.layout()->formats().isEmpty());
        QCOMPARE(first.layout()->formats().first().format.foreground().color(), QColor(96, 96, 255));
        QVERIFY(!view->generalView()->highlighter()->isSuspended());
    }

    // A received dump larger than a slice goes in over several turns of the event loop, whole and
    // in order, and the view's text holds it all the time.
    void largeReceivedTextGoesInWhole()
    {
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusiveReceive);
        QString dump = QStringLiteral("\nF0");
        for (int i = 0; i < 100000; ++i)
            dump += (i % 4096 == 4095 ? QStringLiteral("\n") : QStringLiteral(" ")) + QStringLiteral("2A");
        dump += QStringLiteral(" F7");
        view->appendReceivedText(dump, 100002);
        view->appendReceivedText(QStringLiteral("\nF0 01 F7"), 3);
        const QString whole = dump.mid(1) + QStringLiteral("\nF0 01 F7");
        QCOMPARE(view->text(), whole);
        QVERIFY(view->textView()->toPlainText().size() < whole.size());
        QTRY_COMPARE(view->textView()->toPlainText(), whole);
        QCOMPARE(view->progressView()->byteCount(), 100005u);
    }

    void droppedFileOpensASecondViewBesideText()
    {
        const QString path =
            writeFile(QStringLiteral("dump.txt"), QByteArray("F0 43 10 4C 00 00 7E 00 F7\n"));
        const QString other = writeFile(QStringLiteral("dump.mid"), QByteArray("F0 F7"));
        const QString twoSuffixes = writeFile(QStringLiteral("dump.old.txt"), QByteArray("F0 F7"));
        MidiEditView* view = host->openShown(MidiEditView::SystemExclusive, QStringLiteral("90 3C 64"));

        QVERIFY(!drop(view, other));
        QVERIFY(!drop(view, twoSuffixes));
        QCOMPARE(host->openViews().size(), 1);

        model->setValue(ParamTransmissionState, 1);
        QVERIFY(!drop(view, path));
        model->setValue(ParamTransmissionState, 0);
        QCOMPARE(host->openViews().size(), 1);

        QVERIFY(drop(view, path));
        QCOMPARE(view->text(), QStringLiteral("90 3C 64"));
        const QList<MidiEditView*> views = host->openViews();
        QCOMPARE(views.size(), 2);
        QCOMPARE(views.last()->text(), QStringLiteral("F0 43 10 4C 00 00 7E 00 F7\n"));

        // Into an empty view it goes straight in.
        MidiEditView* empty = host->openShown(MidiEditView::SystemExclusive);
        QVERIFY(drop(empty, path));
        QCOMPARE(empty->text(), QStringLiteral("F0 43 10 4C 00 00 7E 00 F7\n"));
        QCOMPARE(host->openViews().size(), 3);

        // Monitors take no drops.
        MidiEditView* monitor = host->openShown(MidiEditView::InMonitor);
        QVERIFY(!monitor->monitorView()->viewport()->acceptDrops());
        QVERIFY(!drop(monitor, path));
        QCOMPARE(monitor->text(), QString());
        QCOMPARE(host->openViews().size(), 4);
    }

    void viewBlocksRoundTrip_data()
    {
        QTest::addColumn<qint32>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<qint32>("viewKind");
        const QString text = QString::fromUtf8("F0 7E 7F 09 01 F7 // \xc3\xa9");
        QTest::newRow("editor") << qint32(MidiEditView::SystemExclusive) << text
                                << bytesOf([&](QDataStream& s) {
                                       s << qint32(0) << qint32(text.toUtf8().size());
                                       s.writeRawData(text.toUtf8().constData(), text.toUtf8().size());
                                   })
                                << 3;
        QTest::newRow("empty editor") << qint32(MidiEditView::SystemExclusive) << QString()
                                      << QByteArray::fromHex("0000000000000000") << 3;
        QTest::newRow("In monitor") << qint32(MidiEditView::InMonitor) << QStringLiteral("line")
                                    << QByteArray() << 1;
        QTest::newRow("Out monitor") << qint32(MidiEditView::OutMonitor) << QStringLiteral("line")
                                     << QByteArray() << 2;
        QTest::newRow("receiving editor")
            << qint32(MidiEditView::SystemExclusiveReceive) << QStringLiteral("F0 F7") << QByteArray() << 3;
    }

    void viewBlocksRoundTrip()
    {
        QFETCH(qint32, kind);
        QFETCH(QString, text);
        QFETCH(QByteArray, block);
        QFETCH(qint32, viewKind);
        MidiEditView* view = host->open(kind, text);
        QCOMPARE(view->viewKind, viewKind);
        QByteArray written;
        {
            QDataStream stream(&written, QIODevice::WriteOnly);
            QVERIFY(view->writeToStream(stream));
        }
        QCOMPARE(written, block);
        if (block.isEmpty())
            return;
        MidiEditView* restored = host->open(MidiEditView::SystemExclusive, QStringLiteral("old"));
        QDataStream stream(block);
        QVERIFY(restored->readFromStream(stream));
        QCOMPARE(restored->text(), text);
        QCOMPARE(restored->viewKind, 3);
    }
};

VANTEL_WIDGET_TEST_MAIN(EditViewFilesTest)
#include "EditViewFilesTest.moc"
