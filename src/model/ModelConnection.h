#pragma once

#include "ModelConnectionIF.h"

// The standard binding of one object to one parameter. Parameter-bound widgets inherit it beside
// their Qt widget class and override update (and connectionChanged when they depend on the range).
// The binding is not owned by the model; the destructor disconnects it.
class ModelConnection : public ModelConnectionIF
{
public:
    ModelConnection();
    ~ModelConnection() override;

    ModelConnection(const ModelConnection&) = delete;
    ModelConnection& operator=(const ModelConnection&) = delete;

    void update(qint32 id) override;
    qint32 getId(qint32* error = nullptr) const override;
    // While connected, the binding is moved to the new id so the store never keeps it filed under
    // an id it no longer answers to.
    qint32 setId(qint32 id) override;
    // Connecting to another model first disconnects from the current one.
    qint32 connectModel(ModelIF* model) override;
    qint32 disconnectModel() override;
    bool isConnected(qint32* error = nullptr) const override;
    void connectionChanged() override;
    qint32 getMinimum(qint32* error = nullptr) const override;
    qint32 getMaximum(qint32* error = nullptr) const override;
    QString getValueText(qint32 value, qint32* error = nullptr) const override;

    // Not connected: 0 and error 1.
    qint32 getValue(qint32* error = nullptr) const;
    qint32 getDefault(qint32* error = nullptr) const;
    // Returns 1 when not connected, otherwise what the model's setValue returns.
    qint32 setValue(qint32 value);

    ModelIF* connectedModel() const { return model; }

private:
    qint32 id = -1;
    ModelIF* model = nullptr;
};
