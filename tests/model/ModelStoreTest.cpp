#include "Model.h"
#include "ModelAssistant.h"
#include "ModelConnection.h"

#include <QtTest>

#include <functional>
#include <memory>

namespace {

struct Delivery
{
    QString who;
    qint32 id;
    qint32 value;
};

// A binding that records what it is told and can run an action from inside update.
class Probe : public ModelConnection
{
public:
    Probe(QString aName, QVector<Delivery>* aLog) : name(std::move(aName)), log(aLog) {}
    ~Probe() override = default;

    void update(qint32 parameterId) override
    {
        log->append({name, parameterId, getValue()});
        if (onUpdate)
            onUpdate();
    }
    void connectionChanged() override { ++connectionChanges; }

    QString name;
    QVector<Delivery>* log;
    std::function<void()> onUpdate;
    int connectionChanges = 0;
};

class Listener : public ModelAssistant
{
public:
    explicit Listener(QVector<Delivery>* aLog) : log(aLog) {}
    void parameterChanged(qint32 id) override { log->append({QStringLiteral("assistant"), id, 0}); }
    QVector<Delivery>* log;
};

QString upper(qint32 value, qint32* error)
{
    if (value < 0 || value > 1) {
        if (error)
            *error = 1;
        return QString();
    }
    if (error)
        *error = 0;
    return value ? QStringLiteral("ON") : QStringLiteral("OFF");
}

QStringList whoGot(const QVector<Delivery>& log)
{
    QStringList out;
    for (const Delivery& d : log)
        out << d.who;
    return out;
}

} // namespace

class ModelStoreTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        model = std::make_unique<Model>();
        model->registerParameter(10, 0, 127, 64, QStringLiteral("Level"));
        model->registerParameter(11, 0, 1, 0, QStringLiteral("Switch"), &upper);
        model->registerStringParameter(20, QStringLiteral("/tmp"), QStringLiteral("Folder"));
        log.clear();
    }
    void cleanup() { model.reset(); }

    void unregisteredIdsReportErrors()
    {
        // Every read of an unknown id (or of an id of the other kind) flags an error.
        const auto flags = [](auto read) {
            qint32 error = -1;
            read(&error);
            return error == 1;
        };
        QVERIFY(flags([&](qint32* e) { QCOMPARE(model->getValue(99, e), 0); }));
        QVERIFY(flags([&](qint32* e) { QVERIFY(model->getString(10, e).isNull()); }));
        QVERIFY(flags([&](qint32* e) { QVERIFY(model->getDefaultString(10, e).isNull()); }));
        QVERIFY(flags([&](qint32* e) { QVERIFY(model->getName(99, e).isNull()); }));
        QVERIFY(flags([&](qint32* e) { QVERIFY(model->getValueText(99, 1, e).isNull()); }));
        for (auto getter : {&Model::getMinimum, &Model::getMaximum, &Model::getDefault})
            QVERIFY(flags([&](qint32* e) { QCOMPARE((model.get()->*getter)(99, e), 0); }));
        QCOMPARE(model->setValue(99, 5), 1);
        QCOMPARE(model->setValue(20, 5), 1); // a string id is not an integer parameter
        QCOMPARE(model->setString(99, QStringLiteral("x")), 1);
        // A null flag pointer is allowed everywhere.
        QCOMPARE(model->getValue(99), 0);
        QCOMPARE(model->connect(nullptr), 1);
    }

    // The store does not clamp; a change is announced, the same value is not.
    void changesAreAnnouncedTheSameValueIsNot()
    {
        Probe probe(QStringLiteral("a"), &log);
        Listener listener(&log);
        attach(probe, 10);
        model->addAssistant(&listener);
        log.clear();
        QCOMPARE(model->setValue(10, 64), 0);
        QCOMPARE(model->setString(20, QStringLiteral("/tmp")), 0);
        QVERIFY(log.isEmpty());
        QCOMPARE(model->setValue(10, 500), 0);
        QCOMPARE(model->getValue(10), 500);
        QCOMPARE(model->setValue(10, -3), 0);
        QCOMPARE(model->getValue(10), -3);
        QCOMPARE(whoGot(log), QStringList({"a", "assistant", "a", "assistant"}));
        model->removeAssistant(&listener);
    }

    void connectionsFirstThenAssistantsInOrder()
    {
        Probe a(QStringLiteral("a"), &log), b(QStringLiteral("b"), &log), other(QStringLiteral("o"), &log);
        Listener listener(&log);
        model->addAssistant(&listener);
        attach(a, 10);
        attach(b, 10);
        attach(other, 11);
        log.clear();
        model->setValue(10, 1);
        QCOMPARE(whoGot(log), QStringList({"a", "b", "assistant"}));
        QCOMPARE(log[0].value, 1); // the value is readable from inside update
        model->removeAssistant(&listener);
    }

    void connectDeliversCurrentValueToEveryReceiver()
    {
        Probe a(QStringLiteral("a"), &log), b(QStringLiteral("b"), &log);
        model->setValue(10, 7);
        a.setId(10);
        QCOMPARE(a.connectModel(model.get()), 0);
        QCOMPARE(a.connectionChanges, 1);
        QCOMPARE(whoGot(log), QStringList({"a"}));
        QCOMPARE(log[0].value, 7);
        log.clear();
        attach(b, 10);
        QCOMPARE(whoGot(log), QStringList({"a", "b"}));
    }

    void selfDisconnectDuringUpdateKeepsDeliveryToOthers()
    {
        Probe a(QStringLiteral("a"), &log), b(QStringLiteral("b"), &log), c(QStringLiteral("c"), &log);
        for (Probe* p : {&a, &b, &c}) {
            attach(*p, 10);
        }
        b.onUpdate = [&b] { b.disconnectModel(); };
        log.clear();
        model->setValue(10, 1);
        QCOMPARE(whoGot(log), QStringList({"a", "b", "c"}));
        QVERIFY(!b.isConnected());
        log.clear();
        model->setValue(10, 2);
        QCOMPARE(whoGot(log), QStringList({"a", "c"}));

        // The freed slot is reused: the next connect sweeps the null entry and appends.
        Probe d(QStringLiteral("d"), &log);
        attach(d, 10);
        log.clear();
        model->setValue(10, 3);
        QCOMPARE(whoGot(log), QStringList({"a", "c", "d"}));
    }

    void receiverDestroyedDuringNotificationOfOthersIsSkipped()
    {
        auto a = std::make_unique<Probe>(QStringLiteral("a"), &log);
        Probe b(QStringLiteral("b"), &log);
        attach(b, 10);
        attach(*a, 10);
        // b deletes a before a's turn; the copy still holds a's pointer, so without the null entry
        // this would call into freed memory.
        b.onUpdate = [&a] { a.reset(); };
        log.clear();
        model->setValue(10, 1);
        QCOMPARE(whoGot(log), QStringList({"b"}));
    }

    void nestedSetRunsToCompletionInsideOuter()
    {
        Probe a(QStringLiteral("a"), &log), b(QStringLiteral("b"), &log);
        attach(a, 10);
        attach(b, 11);
        a.onUpdate = [&] { model->setValue(11, 1); };
        log.clear();
        model->setValue(10, 2);
        QCOMPARE(whoGot(log), QStringList({"a", "b"}));
        QCOMPARE(model->getValue(11), 1);
    }

    void mutualBindingsStopAfterOneExchange()
    {
        Probe a(QStringLiteral("a"), &log), b(QStringLiteral("b"), &log);
        attach(a, 10);
        attach(b, 10);
        // Each echoes the value it is shown back into the store, as two bound widgets would.
        a.onUpdate = [&a] { a.setValue(a.getValue()); };
        b.onUpdate = [&b] { b.setValue(b.getValue()); };
        log.clear();
        QCOMPARE(a.setValue(30), 0);
        QCOMPARE(log.size(), 2);
    }

    void twiceConnectedObjectIsNotifiedTwiceAndFullyDisconnected()
    {
        auto probe = std::make_unique<Probe>(QStringLiteral("a"), &log);
        probe->setId(10);
        model->connect(probe.get());
        model->connect(probe.get());
        log.clear();
        model->setValue(10, 1);
        QCOMPARE(log.size(), 2);
        QCOMPARE(model->disconnect(probe.get()), 0);
        QCOMPARE(model->disconnect(probe.get()), 1);
        probe.reset();
        model->setValue(10, 2); // no dangling entry left behind
    }

    void valueText_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("error");
        QTest::newRow("decimal") << 10 << 42 << "42" << 0;
        QTest::newRow("negative decimal") << 10 << -17 << "-17" << 0;
        QTest::newRow("formatter") << 11 << 1 << "ON" << 0;
        QTest::newRow("formatter unknown value") << 11 << 2 << QString() << 1;
        QTest::newRow("string parameter ignores value") << 20 << 12345 << "/tmp" << 0;
    }
    void valueText()
    {
        QFETCH(int, id);
        QFETCH(int, value);
        QFETCH(QString, text);
        QFETCH(int, error);
        qint32 flag = -1;
        const QString got = model->getValueText(id, value, &flag);
        QCOMPARE(got, text);
        QCOMPARE(got.isNull(), text.isNull());
        QCOMPARE(flag, error);
    }

    void reRegistrationResetsValueWithoutNotifying()
    {
        Probe probe(QStringLiteral("a"), &log);
        attach(probe, 10);
        model->setValue(10, 100);
        model->setString(20, QStringLiteral("/home"));
        log.clear();
        model->registerParameter(10, -8, 8, 3, QStringLiteral("Renamed"));
        model->registerStringParameter(20, QStringLiteral("/var"), QStringLiteral("Other"));
        QVERIFY(log.isEmpty());
        QCOMPARE(model->getValue(10), 3);
        QCOMPARE(model->getMinimum(10), -8);
        QCOMPARE(model->getMaximum(10), 8);
        QCOMPARE(model->getName(10), QStringLiteral("Renamed"));
        QCOMPARE(model->getString(20), QStringLiteral("/var"));
        QCOMPARE(model->getName(20), QStringLiteral("Other"));
    }

    void assistantRemovedDuringNotificationIsSafe()
    {
        Listener first(&log), second(&log);
        model->addAssistant(&first);
        model->addAssistant(&second);
        Probe remover(QStringLiteral("r"), &log);
        attach(remover, 10);
        remover.onUpdate = [&] { model->removeAssistant(&second); };
        log.clear();
        model->setValue(10, 1);
        QCOMPARE(whoGot(log), QStringList({"r", "assistant"}));
        QCOMPARE(model->removeAssistant(&second), 1);
        QCOMPARE(model->removeAssistant(&first), 0);
    }

    void connectionContract()
    {
        Probe probe(QStringLiteral("a"), &log);
        qint32 error = -1;
        QCOMPARE(probe.getId(&error), -1);
        QCOMPARE(error, 1);
        QCOMPARE(probe.setValue(1), 1);
        error = -1;
        QVERIFY(probe.getValueText(1, &error).isNull());
        QCOMPARE(error, 1);
        QCOMPARE(probe.getMaximum(&error), 0);
        QCOMPARE(probe.disconnectModel(), 1);
        QCOMPARE(probe.connectModel(nullptr), 1);
        QVERIFY(!probe.isConnected(&error));
        QCOMPARE(error, 0);

        attach(probe, 11);
        QCOMPARE(probe.getValueText(0), QStringLiteral("OFF"));
        QCOMPARE(probe.disconnectModel(), 0);
        QCOMPARE(probe.connectionChanges, 2);
    }

    void idChangeWhileConnectedMovesTheBinding()
    {
        Probe probe(QStringLiteral("a"), &log);
        attach(probe, 10);
        probe.setId(11);
        log.clear();
        model->setValue(10, 1);
        QVERIFY(log.isEmpty());
        model->setValue(11, 1);
        QCOMPARE(whoGot(log), QStringList({"a"}));
    }

    // A probe moved to another store and then destroyed leaves no entry behind; a store destroyed
    // first leaves its connections disconnected.
    void lifetimesLeaveNoDanglingEntries()
    {
        Model other;
        other.registerParameter(10, 0, 127, 0, QString());
        {
            Probe probe(QStringLiteral("a"), &log);
            attach(probe, 10);
            probe.connectModel(&other);
        }
        model->setValue(10, 5); // would call the destroyed probe
        Probe probe(QStringLiteral("b"), &log);
        attach(probe, 10);
        model.reset();
        QVERIFY(!probe.isConnected());
    }

private:
    void attach(Probe& probe, qint32 id)
    {
        probe.setId(id);
        probe.connectModel(model.get());
    }

    std::unique_ptr<Model> model;
    QVector<Delivery> log;
};

QTEST_GUILESS_MAIN(ModelStoreTest)
#include "ModelStoreTest.moc"
