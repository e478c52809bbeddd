#pragma once

#include <QtGlobal>

// A listener that is told the id of every parameter that changes, whoever changed it. Objects that
// react to many parameters at once (the main window, the analyzer, editor views) implement it and
// register with Model::addAssistant; they must call removeAssistant before they are destroyed.
class ModelAssistant
{
public:
    virtual ~ModelAssistant() = default;

    // Called synchronously on the thread that set the value, after the bound controls were updated.
    virtual void parameterChanged(qint32 id) = 0;
};
