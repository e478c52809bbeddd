#include "CliProgram.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const std::atomic<bool>* interrupted = CliProgram::installSignalHandlers();
    return CliProgram::run(QCoreApplication::arguments(), stdout, stderr, interrupted);
}
