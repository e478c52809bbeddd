// A firmware-sized dump from the system-exclusive editor through JACK: a 1 MiB .syx file dropped on
// the editor and sent with F5 reaches Debian's jack_midi_dump byte for byte and in order, while the
// progress page moves. Runs against the private server of the JACK test fixture (dummy driver,
// its name in JACK_DEFAULT_SERVER).

// First: it sets up QtTest's window-system mouse handling before QtTest is included.
#include "EditorViewHost.h"

#include "JackMidiService.h"
#include "JackPeers.h"
#include "MidiEditProgressView.h"
#include "VantelMidiParameterId.h"

#include <QMimeData>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QUrl>

class EditDumpJackTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dumpArrivesWholeAtMidiDump()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("JACK_DEFAULT_SERVER"), "the fixture names the private server");
        JackMidiService jack;
        QVERIFY(jack.isRunning());
        QTemporaryDir folder;
        QByteArray dump(1 << 20, '\0');
        for (int i = 0; i < dump.size(); ++i)
            dump[i] = char((i * 7) % 128);
        dump[0] = char(0xF0);
        dump[dump.size() - 1] = char(0xF7);
        const QString path = folder.filePath(QStringLiteral("firmware.syx"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(dump), qint64(dump.size()));
        }

        // JACK loses or repeats the data of a cycle a client missed (an xrun, likely on a loaded
        // machine); only an attempt spoiled that way is repeated.
        QString error;
        for (int attempt = 0; attempt < 4; ++attempt) {
            const quint64 xruns = jack.xruns();
            error = sendDump(&jack, path, dump, attempt);
            if (error.isEmpty())
                return;
            QTest::qWait(xrunNewsMs);
            if (jack.xruns() == xruns && !spoiledByThePeer(error))
                QFAIL(qPrintable(error));
            qWarning("JACK missed a cycle during the attempt (%s); repeating it", qPrintable(error));
        }
        QFAIL(qPrintable(error));
    }

private:
    QString sendDump(JackMidiService* jack, const QString& path, const QByteArray& dump, int attempt)
    {
        VantelMidiModel model;
        EditorViewHost host(&model, jack);
        const QString peer = QStringLiteral("vantel-syx-dump-%1").arg(attempt);
        QProcess receiver;
        receiver.start(QStringLiteral("jack_midi_dump"), {peer});
        const auto stop = qScopeGuard([&receiver] {
            receiver.terminate();
            if (!receiver.waitForFinished(3000)) {
                receiver.kill();
                receiver.waitForFinished(3000);
            }
        });
        const QString input = peer + QStringLiteral(":input");
        QElapsedTimer waited;
        waited.start();
        while (host.hub.outputPort(0)->open(input) != 0) {
            if (waited.elapsed() > 10000)
                return QStringLiteral("could not connect to ") + input;
            QTest::qWait(50);
        }

        MidiEditView* view = host.openShown(MidiEditView::SystemExclusive);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->textView()->viewport(), &enter);
        QDropEvent drop(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->textView()->viewport(), &drop);
        // A file this size is read and placed behind the progress page.
        QElapsedTimer opening;
        opening.start();
        while (view->isLoading() && opening.elapsed() < 60000)
            QTest::qWait(20);
        if (view->text().size() != dump.size() * 3 - 1)
            return QStringLiteral("the dropped dump did not open whole: %1 characters")
                .arg(view->text().size());

        waited.restart();
        QTest::keyClick(view->textView(), Qt::Key_F5);
        QByteArray output;
        bool progressMoved = false;
        while (model.getValue(ParamTransmissionState) != 0 && waited.elapsed() < 120000) {
            const quint32 shown = view->progressView()->progressValue();
            progressMoved |= shown > 0 && shown < quint32(dump.size()) &&
                             view->currentPage() == MidiEditView::ProgressPage;
            QTest::qWait(5);
            output += receiver.readAllStandardOutput();
        }
        if (model.getValue(ParamTransmissionState) != 0)
            return QStringLiteral("the transmission did not end");
        if (view->currentPage() != MidiEditView::GeneralPage)
            return QStringLiteral("the view reported: ") + view->progressView()->labelText();
        if (!progressMoved)
            return QStringLiteral("the progress page did not move within the message");

        // Parsed a line at a time as it comes: the printout runs to megabytes.
        QByteArray got;
        waited.restart();
        for (;;) {
            const int end = output.lastIndexOf('\n');
            if (end >= 0) {
                got += dumpedBytes(output.left(end));
                output.remove(0, end + 1);
            }
            if (got.size() >= dump.size() || waited.elapsed() > 30000)
                break;
            receiver.waitForReadyRead(100);
            output += receiver.readAllStandardOutput();
        }
        if (got == dump)
            return QString();
        int same = 0;
        while (same < qMin(got.size(), dump.size()) && got[same] == dump[same])
            ++same;
        return withDumpVerdict(receiver, QStringLiteral("%1 of %2 bytes arrived, the first %3 as sent")
                                             .arg(got.size())
                                             .arg(dump.size())
                                             .arg(same));
    }
};

VANTEL_WIDGET_TEST_MAIN(EditDumpJackTest)
#include "EditDumpJackTest.moc"
