#pragma once

#include "cli/cli.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace orvanta::test {

// What one orvanta-cli command gave: its exit status and its two outputs.
struct CliRun {
    int status;
    QString out;
    QString err;
};

// Runs one command in-process on the database in `dir`.
inline CliRun runCliOn(const QString& dir, QStringList args)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    args.prepend(dir);
    args.prepend(QStringLiteral("--db"));
    const int status = runCli(args, o, e);
    o.flush();
    e.flush();
    return {status, out, err};
}

}  // namespace orvanta::test
