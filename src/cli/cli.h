#pragma once

#include <QStringList>
#include <QTextStream>

namespace orvanta {

// orvanta-cli [--db DIR] COMMAND ...: the batch front end over the same
// requests as the desktop program. Returns the exit status: 0 on success,
// 1 when the request failed (its message goes to err), 2 for a usage error.
// With errIsTerminal, progress lines on err are overwritten in place.
int runCli(const QStringList& args, QTextStream& out, QTextStream& err, bool errIsTerminal = false);

}  // namespace orvanta
