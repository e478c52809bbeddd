#pragma once

#include <QString>

class Model;

// The short text form of the monitor filter for the command line: a comma-separated list of what
// to hide, in the categories of the filter view. Sets the filter parameters of the model, which
// the analyzer follows.
class MonitorFilterText
{
public:
    // False with a message in *error for a text that names something unknown; the model is then
    // unchanged.
    static bool apply(const QString& spec, Model* model, QString* error);
    // The form, for --help.
    static QString help();
};
