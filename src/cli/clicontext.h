#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <memory>

namespace orvanta {

class TDataModule2;

// A wrong command line: printed with the usage text, exit status 2.
struct UsageError {
    QString message;
};

// What every command of orvanta-cli works with: the two output streams and
// the shared data module on the database directory (--db DIR, or the alias
// Awards), opened when a command first needs it.
class CliContext {
public:
    CliContext(QTextStream& out, QTextStream& err, bool errIsTerminal);
    ~CliContext();

    QTextStream& out;
    QTextStream& err;
    bool errIsTerminal;   // progress may be overwritten in place
    QString databaseDirectory;

    TDataModule2& module();

private:
    std::unique_ptr<TDataModule2> dm_;
};

// Reads "--name VALUE" options and plain arguments of one command.
class CliArgs {
public:
    CliArgs(const QStringList& args, const QStringList& valueOptions, const QStringList& flags);

    QString value(const QString& option, const QString& fallback = QString()) const;
    bool has(const QString& option) const;
    const QStringList& positional() const { return positional_; }

private:
    QStringList positional_;
    QList<std::pair<QString, QString>> values_;
    QStringList flags_;
};

// The commands; each returns the exit status.
int cmdInit(CliContext& ctx, const QStringList& args);
int cmdSettings(CliContext& ctx, const QStringList& args);
int cmdSql(CliContext& ctx, const QStringList& args);
int cmdMerge(CliContext& ctx, const QStringList& args);
int cmdDelete(CliContext& ctx, const QStringList& args);
int cmdImport(CliContext& ctx, const QStringList& args);
int cmdExport(CliContext& ctx, const QStringList& args);

}  // namespace orvanta
