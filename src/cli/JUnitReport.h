#pragma once

#include <QString>
#include <QVector>

// A JUnit XML report of one run: one test suite, a test case per conversation case, failures with
// the step and what arrived, as CI systems read them.
class JUnitReport
{
public:
    struct Result
    {
        QString name;
        double seconds = 0;
        bool passed = false;
        QString failure; // one line
        QString details; // what arrived
    };

    explicit JUnitReport(QString suiteName) : suite(std::move(suiteName)) {}
    void add(const Result& result) { results.append(result); }
    // An empty string, or the message to show.
    QString write(const QString& path) const;
    QByteArray text() const;

private:
    QString suite;
    QVector<Result> results;
};
