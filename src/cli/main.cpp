#include "cli/cli.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    const int status = orvanta::runCli(args, out, err, isatty(STDERR_FILENO) == 1);
    out.flush();
    err.flush();
    return status;
}
