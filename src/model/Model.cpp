#include "Model.h"

#include "ModelAssistant.h"
#include "ModelConnectionIF.h"

namespace {

void setError(qint32* error, qint32 value)
{
    if (error)
        *error = value;
}

} // namespace

Model::Model() = default;

Model::~Model()
{
    // A connection that outlives the store would otherwise disconnect from freed memory in its own
    // destructor. Take a snapshot: every disconnectModel call edits the lists.
    QVector<ModelConnectionIF*> remaining;
    for (const auto& list : qAsConst(connections))
        for (ModelConnectionIF* c : list)
            if (c && !remaining.contains(c))
                remaining.append(c);
    for (ModelConnectionIF* c : qAsConst(remaining))
        c->disconnectModel();
}

const Model::IntegerParameter* Model::findInteger(qint32 id) const
{
    const auto it = integers.find(id);
    return it == integers.end() ? nullptr : &it->second;
}

qint32 Model::getValue(qint32 id, qint32* error) const
{
    const IntegerParameter* p = findInteger(id);
    setError(error, p ? 0 : 1);
    return p ? p->value.load(std::memory_order_relaxed) : 0;
}

qint32 Model::setValue(qint32 id, qint32 value, ModelConnectionIF* sender)
{
    Q_UNUSED(sender)
    const auto it = integers.find(id);
    if (it == integers.end())
        return 1;
    if (it->second.value.load(std::memory_order_relaxed) == value)
        return 0;
    // Not clamped: keeping values in range is the controls' and callers' job.
    it->second.value.store(value, std::memory_order_relaxed);
    notify(id);
    return 0;
}

qint32 Model::registerParameter(qint32 id, qint32 minimum, qint32 maximum, qint32 defaultValue,
                                const QString& name, ValueFormatter formatter)
{
    IntegerParameter& p = integers[id];
    p.id = id;
    p.kind = 0;
    p.name = name;
    p.minimum = minimum;
    p.maximum = maximum;
    p.defaultValue = defaultValue;
    p.value.store(defaultValue, std::memory_order_relaxed);
    p.formatter = formatter;
    return 0;
}

QString Model::getString(qint32 id, qint32* error) const
{
    const auto it = strings.constFind(id);
    if (it == strings.constEnd()) {
        setError(error, 1);
        return QString();
    }
    setError(error, 0);
    return it->value;
}

qint32 Model::setString(qint32 id, const QString& text)
{
    const auto it = strings.find(id);
    if (it == strings.end())
        return 1;
    // QString equality treats a null and an empty text alike, so neither change notifies.
    if (it->value == text)
        return 0;
    it->value = text;
    notify(id);
    return 0;
}

qint32 Model::registerStringParameter(qint32 id, const QString& defaultText, const QString& name)
{
    StringParameter& p = strings[id];
    p.id = id;
    p.kind = 1;
    p.name = name;
    p.defaultText = defaultText;
    p.value = defaultText;
    return 0;
}

void Model::notify(qint32 id)
{
    // Receivers may disconnect themselves, connect others or even destroy other receivers while we
    // iterate. So walk the live lists by index, up to the length they had when the notification
    // began: a disconnected (or destroyed) receiver has been replaced by null and is skipped, and
    // one connected meanwhile is appended past the end and not called. Null entries are only swept
    // while no notification is running, so indices stay valid.
    ++notifyDepth;
    const auto first = connections.constFind(id);
    const int receiverCount = first == connections.constEnd() ? 0 : first->size();
    for (int i = 0; i < receiverCount; ++i) {
        const auto it = connections.constFind(id); // the hash may have grown meanwhile
        if (it == connections.constEnd() || i >= it->size())
            break;
        if (ModelConnectionIF* c = it->at(i))
            c->update(id);
    }
    const int listenerCount = assistants.size();
    for (int i = 0; i < listenerCount && i < assistants.size(); ++i)
        if (ModelAssistant* a = assistants.at(i))
            a->parameterChanged(id);
    --notifyDepth;
}

qint32 Model::connect(ModelConnectionIF* connection)
{
    if (!connection)
        return 1;
    const qint32 id = connection->getId();
    QVector<ModelConnectionIF*>& list = connections[id];
    if (notifyDepth == 0)
        list.removeAll(nullptr);
    list.append(connection);
    notify(id);
    return 0;
}

qint32 Model::disconnect(ModelConnectionIF* connection)
{
    if (!connection)
        return 1;
    const auto it = connections.find(connection->getId());
    if (it == connections.end())
        return 1;
    bool found = false;
    // Every entry: an object connected twice and then destroyed must leave no pointer behind.
    for (ModelConnectionIF*& c : it.value()) {
        if (c == connection) {
            c = nullptr;
            found = true;
        }
    }
    return found ? 0 : 1;
}

qint32 Model::getMinimum(qint32 id, qint32* error) const
{
    const IntegerParameter* p = findInteger(id);
    setError(error, p ? 0 : 1);
    return p ? p->minimum : 0;
}

qint32 Model::getMaximum(qint32 id, qint32* error) const
{
    const IntegerParameter* p = findInteger(id);
    setError(error, p ? 0 : 1);
    return p ? p->maximum : 0;
}

qint32 Model::getDefault(qint32 id, qint32* error) const
{
    const IntegerParameter* p = findInteger(id);
    setError(error, p ? 0 : 1);
    return p ? p->defaultValue : 0;
}

QString Model::getDefaultString(qint32 id, qint32* error) const
{
    const auto it = strings.constFind(id);
    if (it == strings.constEnd()) {
        setError(error, 1);
        return QString();
    }
    setError(error, 0);
    return it->defaultText;
}

QString Model::getName(qint32 id, qint32* error) const
{
    if (const IntegerParameter* p = findInteger(id)) {
        setError(error, 0);
        return p->name;
    }
    const auto it = strings.constFind(id);
    if (it != strings.constEnd()) {
        setError(error, 0);
        return it->name;
    }
    setError(error, 1);
    return QString();
}

QString Model::getValueText(qint32 id, qint32 value, qint32* error) const
{
    if (const IntegerParameter* p = findInteger(id)) {
        if (p->formatter) {
            qint32 formatterError = 0;
            const QString text = p->formatter(value, &formatterError);
            setError(error, formatterError);
            return text;
        }
        setError(error, 0);
        return QString::number(value);
    }
    const auto it = strings.constFind(id);
    if (it != strings.constEnd()) {
        setError(error, 0);
        return it->value;
    }
    setError(error, 1);
    return QString();
}

qint32 Model::addAssistant(ModelAssistant* assistant)
{
    if (notifyDepth == 0)
        assistants.removeAll(nullptr);
    if (assistant)
        assistants.append(assistant);
    return 0;
}

qint32 Model::removeAssistant(ModelAssistant* assistant)
{
    bool found = false;
    for (ModelAssistant*& a : assistants) {
        if (a && a == assistant) {
            a = nullptr;
            found = true;
        }
    }
    return found ? 0 : 1;
}
