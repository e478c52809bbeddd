#pragma once

#include <QString>
#include <QtGlobal>

class ModelConnectionIF;

// Turns a value into display text. For a value it knows it returns the text and writes 0 to
// *error; otherwise it returns a null string and writes 1. error may be null.
using ValueFormatter = QString (*)(qint32 value, qint32* error);

// The integer-keyed parameter store. Every getter takes an optional error flag as its last
// argument: when it is not null the callee writes 0 on success and 1 on failure. Operations that
// can fail return 0 for success and 1 for failure.
class ModelIF
{
public:
    virtual ~ModelIF() = default;

    virtual qint32 getValue(qint32 id, qint32* error = nullptr) const = 0;
    // sender is the connection that causes the change (may be null); the store does not use it.
    virtual qint32 setValue(qint32 id, qint32 value, ModelConnectionIF* sender = nullptr) = 0;
    virtual qint32 registerParameter(qint32 id, qint32 minimum, qint32 maximum, qint32 defaultValue,
                                     const QString& name, ValueFormatter formatter = nullptr) = 0;
    virtual QString getString(qint32 id, qint32* error = nullptr) const = 0;
    virtual qint32 setString(qint32 id, const QString& text) = 0;
    virtual qint32 registerStringParameter(qint32 id, const QString& defaultText, const QString& name) = 0;
    virtual void notify(qint32 id) = 0;
    virtual qint32 connect(ModelConnectionIF* connection) = 0;
    virtual qint32 disconnect(ModelConnectionIF* connection) = 0;
    virtual qint32 getMinimum(qint32 id, qint32* error = nullptr) const = 0;
    virtual qint32 getMaximum(qint32 id, qint32* error = nullptr) const = 0;
    virtual qint32 getDefault(qint32 id, qint32* error = nullptr) const = 0;
    virtual QString getDefaultString(qint32 id, qint32* error = nullptr) const = 0;
    virtual QString getName(qint32 id, qint32* error = nullptr) const = 0;
    virtual QString getValueText(qint32 id, qint32 value, qint32* error = nullptr) const = 0;
};
