#include "cli/cli.h"

#include "cli/clicontext.h"
#include "data/database.h"
#include "data/datamodule.h"


namespace orvanta {

namespace {

struct Command {
    const char* name;
    int (*run)(CliContext&, const QStringList&);
    const char* usage;
};

const Command kCommands[] = {
    {"init", cmdInit, "  init                         create the database and its tables when missing\n"},
    {"settings", cmdSettings,
     "  settings show                list the settings record, one FIELD=VALUE a line\n"
     "  settings set FIELD=VALUE...  store values into the settings record\n"},
    {"sql", cmdSql, "  sql STATEMENT                run one statement of the program's dialect\n"},
    {"merge", cmdMerge,
     "  merge --year Y [--month TEXT] --location KEY [--sort name|years]\n"
     "                               write the mail merge file of an award period\n"
     "                               to the settings' MailExport path\n"},
    {"delete", cmdDelete,
     "  delete --year Y [--month TEXT] [--all]\n"
     "                               delete the employees of an award period (of every\n"
     "                               location type) with their award records; --all\n"
     "                               empties both tables\n"},
    {"export", cmdExport,
     "  export FILE --year Y [--month TEXT] --location KEY [--append]\n"
     "                               export the address records of an award period;\n"
     "                               .prn tab-delimited, .xls workbook, else fixed-width\n"},
    {"import", cmdImport,
     "  import employees             import the employee file named in the settings\n"
     "  import awards                replace the award catalogue from the award file\n"},
};

QString usage()
{
    QString text = QStringLiteral("usage: orvanta-cli [--db DIR] COMMAND\ncommands:\n");
    for (const Command& c : kCommands)
        text += QString::fromUtf8(c.usage);
    return text;
}

}  // namespace

CliContext::CliContext(QTextStream& o, QTextStream& e, bool terminal) : out(o), err(e), errIsTerminal(terminal) {}
CliContext::~CliContext() = default;

TDataModule2& CliContext::module()
{
    if (!dm_) {
        const QString dir = databaseDirectory.isEmpty() ? AliasRegistry().resolve(QStringLiteral("Awards"))
                                                        : databaseDirectory;
        dm_ = std::make_unique<TDataModule2>(dir);
        dm_->LoadDefaults();
    }
    return *dm_;
}

CliArgs::CliArgs(const QStringList& args, const QStringList& valueOptions, const QStringList& flags)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (valueOptions.contains(a)) {
            if (i + 1 >= args.size())
                throw UsageError{QStringLiteral("%1 needs a value").arg(a)};
            values_.append({a, args[++i]});
        } else if (flags.contains(a)) {
            flags_.append(a);
        } else if (a.startsWith(QStringLiteral("--"))) {
            throw UsageError{QStringLiteral("unknown option %1").arg(a)};
        } else {
            positional_.append(a);
        }
    }
}

QString CliArgs::value(const QString& option, const QString& fallback) const
{
    for (const auto& [name, v] : values_)
        if (name == option)
            return v;
    return fallback;
}

bool CliArgs::has(const QString& option) const
{
    if (flags_.contains(option))
        return true;
    for (const auto& [name, v] : values_)
        if (name == option)
            return true;
    return false;
}

int runCli(const QStringList& argsIn, QTextStream& out, QTextStream& err, bool errIsTerminal)
{
    CliContext ctx(out, err, errIsTerminal);
    QStringList args = argsIn;
    try {
        if (!args.isEmpty() && args.first() == u"--db") {
            if (args.size() < 2)
                throw UsageError{QStringLiteral("--db needs a directory")};
            ctx.databaseDirectory = args[1];
            args = args.mid(2);
        }
        if (args.isEmpty())
            throw UsageError{QStringLiteral("no command given")};
        const QString name = args.takeFirst();
        if (name == u"help" || name == u"--help" || name == u"-h") {
            out << usage();
            return 0;
        }
        for (const Command& c : kCommands)
            if (name == QLatin1String(c.name))
                return c.run(ctx, args);
        throw UsageError{QStringLiteral("unknown command '%1'").arg(name)};
    } catch (const UsageError& e) {
        err << "orvanta-cli: " << e.message << "\n" << usage();
        return 2;
    } catch (const std::exception& e) {
        err << QString::fromUtf8(e.what()) << "\n";
        return 1;
    }
}

}  // namespace orvanta
