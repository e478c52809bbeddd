#pragma once

// Runs the built vantel-midi-cli as a user would, and reads what it printed.

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QtTest>

struct CliResult
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

inline QString cliPath()
{
    return QStringLiteral(VANTEL_CLI_PATH);
}

inline void startCli(QProcess& process, const QStringList& arguments)
{
    process.start(cliPath(), arguments);
}

// Waits for the end (at most msecs) and collects what it printed.
inline CliResult finishCli(QProcess& process, int msecs = 30000)
{
    CliResult result;
    // waitForFinished is false for a process that has already ended.
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(msecs)) {
        process.kill();
        process.waitForFinished(3000);
        result.err = "did not end in time; " + process.readAllStandardError();
        return result;
    }
    result.out = process.readAllStandardOutput();
    result.err += process.readAllStandardError();
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

inline CliResult runCli(const QStringList& arguments, int msecs = 30000)
{
    QProcess process;
    startCli(process, arguments);
    return finishCli(process, msecs);
}

inline QStringList linesOf(const QByteArray& text)
{
    return QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
