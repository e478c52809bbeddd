#pragma once

#include "ModelIF.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <atomic>
#include <unordered_map>

class ModelAssistant;

// The parameter store. Integer and string parameters share one id space and live in two maps.
// The store has no lock and no thread affinity: registration, setting and notification happen on
// the GUI thread. Worker threads may read integer values with getValue at any time; the value is
// held in an atomic so such a read never sees a torn or stale-forever value. Nothing else may be
// called from a worker thread.
//
// The store owns neither connections nor assistants. They register and unregister themselves;
// unregistering leaves a null entry (a notification may be walking the list), and the next
// registration outside a notification sweeps the null entries away.
class Model : public ModelIF
{
public:
    Model();
    // Connections still registered are disconnected, so that they do not keep a dangling pointer.
    ~Model() override;

    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    qint32 getValue(qint32 id, qint32* error = nullptr) const override;
    qint32 setValue(qint32 id, qint32 value, ModelConnectionIF* sender = nullptr) override;
    qint32 registerParameter(qint32 id, qint32 minimum, qint32 maximum, qint32 defaultValue,
                             const QString& name, ValueFormatter formatter = nullptr) override;
    QString getString(qint32 id, qint32* error = nullptr) const override;
    qint32 setString(qint32 id, const QString& text) override;
    qint32 registerStringParameter(qint32 id, const QString& defaultText, const QString& name) override;
    void notify(qint32 id) override;
    qint32 connect(ModelConnectionIF* connection) override;
    qint32 disconnect(ModelConnectionIF* connection) override;
    qint32 getMinimum(qint32 id, qint32* error = nullptr) const override;
    qint32 getMaximum(qint32 id, qint32* error = nullptr) const override;
    qint32 getDefault(qint32 id, qint32* error = nullptr) const override;
    QString getDefaultString(qint32 id, qint32* error = nullptr) const override;
    QString getName(qint32 id, qint32* error = nullptr) const override;
    QString getValueText(qint32 id, qint32 value, qint32* error = nullptr) const override;

    virtual qint32 addAssistant(ModelAssistant* assistant);
    virtual qint32 removeAssistant(ModelAssistant* assistant);

private:
    struct IntegerParameter
    {
        qint32 id = 0;
        qint32 kind = 0;
        QString name;
        qint32 minimum = 0;
        qint32 maximum = 0;
        qint32 defaultValue = 0;
        std::atomic<qint32> value{0};
        ValueFormatter formatter = nullptr;
    };

    struct StringParameter
    {
        qint32 id = 0;
        qint32 kind = 1;
        QString name;
        QString defaultText;
        QString value;
    };

    const IntegerParameter* findInteger(qint32 id) const;

    // Node-based, so a record never moves and its atomic value can be read while other records
    // are looked up.
    std::unordered_map<qint32, IntegerParameter> integers;
    QHash<qint32, StringParameter> strings;
    QHash<qint32, QVector<ModelConnectionIF*>> connections;
    QVector<ModelAssistant*> assistants;
    int notifyDepth = 0;
};
