#pragma once

#include <QString>
#include <QtGlobal>

class ModelIF;

// An object bound to one parameter of a ModelIF. The store calls update when the parameter
// changed; everything else is the object's own view of its binding.
class ModelConnectionIF
{
public:
    virtual ~ModelConnectionIF() = default;

    virtual void update(qint32 id) = 0;
    // -1 and error 1 while no id is set.
    virtual qint32 getId(qint32* error = nullptr) const = 0;
    virtual qint32 setId(qint32 id) = 0;
    virtual qint32 connectModel(ModelIF* model) = 0;
    virtual qint32 disconnectModel() = 0;
    virtual bool isConnected(qint32* error = nullptr) const = 0;
    // Called after the model pointer changed (connected, disconnected).
    virtual void connectionChanged() = 0;
    virtual qint32 getMinimum(qint32* error = nullptr) const = 0;
    virtual qint32 getMaximum(qint32* error = nullptr) const = 0;
    virtual QString getValueText(qint32 value, qint32* error = nullptr) const = 0;
};
