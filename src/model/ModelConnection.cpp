#include "ModelConnection.h"

#include "ModelIF.h"

namespace {

void setError(qint32* error, qint32 value)
{
    if (error)
        *error = value;
}

} // namespace

ModelConnection::ModelConnection() = default;

ModelConnection::~ModelConnection()
{
    // Only the store's side: connectionChanged is virtual and the derived widget is already gone.
    if (model) {
        ModelIF* m = model;
        model = nullptr;
        m->disconnect(this);
    }
}

void ModelConnection::update(qint32) {}

qint32 ModelConnection::getId(qint32* error) const
{
    setError(error, id == -1 ? 1 : 0);
    return id;
}

qint32 ModelConnection::setId(qint32 newId)
{
    if (newId == id)
        return 0;
    if (model) {
        model->disconnect(this);
        id = newId;
        model->connect(this);
        return 0;
    }
    id = newId;
    return 0;
}

qint32 ModelConnection::connectModel(ModelIF* newModel)
{
    if (!newModel)
        return 1;
    if (model)
        disconnectModel();
    model = newModel;
    connectionChanged();
    return model->connect(this);
}

qint32 ModelConnection::disconnectModel()
{
    if (!model)
        return 1;
    const qint32 result = model->disconnect(this);
    model = nullptr;
    connectionChanged();
    return result;
}

bool ModelConnection::isConnected(qint32* error) const
{
    setError(error, 0);
    return model != nullptr;
}

void ModelConnection::connectionChanged() {}

qint32 ModelConnection::getMinimum(qint32* error) const
{
    if (!model) {
        setError(error, 1);
        return 0;
    }
    return model->getMinimum(id, error);
}

qint32 ModelConnection::getMaximum(qint32* error) const
{
    if (!model) {
        setError(error, 1);
        return 0;
    }
    return model->getMaximum(id, error);
}

QString ModelConnection::getValueText(qint32 value, qint32* error) const
{
    if (!model) {
        setError(error, 1);
        return QString();
    }
    return model->getValueText(id, value, error);
}

qint32 ModelConnection::getValue(qint32* error) const
{
    if (!model) {
        setError(error, 1);
        return 0;
    }
    return model->getValue(id, error);
}

qint32 ModelConnection::getDefault(qint32* error) const
{
    if (!model) {
        setError(error, 1);
        return 0;
    }
    return model->getDefault(id, error);
}

qint32 ModelConnection::setValue(qint32 value)
{
    if (!model)
        return 1;
    return model->setValue(id, value, this);
}
