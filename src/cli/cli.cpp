#include "cli/cli.h"

#include "data/convert.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/error.h"
#include "data/query.h"
#include "data/schema.h"

#include <QDir>
#include <memory>

namespace orvanta {

namespace {

const char* const kUsage =
    "usage: orvanta-cli [--db DIR] COMMAND\n"
    "commands:\n"
    "  init                         create the database and its tables when missing\n"
    "  settings show                list the settings record, one FIELD=VALUE a line\n"
    "  settings set FIELD=VALUE...  store values into the settings record\n"
    "  sql STATEMENT                run one statement of the program's dialect\n";

struct UsageError {
    QString message;
};

class Cli {
public:
    Cli(QTextStream& out, QTextStream& err) : out_(out), err_(err) {}

    int run(QStringList args)
    {
        try {
            if (!args.isEmpty() && args.first() == u"--db") {
                if (args.size() < 2)
                    throw UsageError{QStringLiteral("--db needs a directory")};
                dbDir_ = args[1];
                args = args.mid(2);
            }
            if (args.isEmpty())
                throw UsageError{QStringLiteral("no command given")};
            const QString command = args.takeFirst();
            if (command == u"init")
                return init(args);
            if (command == u"settings")
                return settings(args);
            if (command == u"sql")
                return sql(args);
            if (command == u"help" || command == u"--help" || command == u"-h") {
                out_ << kUsage;
                return 0;
            }
            throw UsageError{QStringLiteral("unknown command '%1'").arg(command)};
        } catch (const UsageError& e) {
            err_ << "orvanta-cli: " << e.message << "\n" << kUsage;
            return 2;
        } catch (const std::exception& e) {
            err_ << QString::fromUtf8(e.what()) << "\n";
            return 1;
        }
    }

private:
    QString databaseDirectory() const
    {
        return dbDir_.isEmpty() ? AliasRegistry().resolve(QStringLiteral("Awards")) : dbDir_;
    }

    TDataModule2& module()
    {
        if (!dm_)
            dm_ = std::make_unique<TDataModule2>(databaseDirectory());
        return *dm_;
    }

    int init(const QStringList& args)
    {
        if (!args.isEmpty())
            throw UsageError{QStringLiteral("init takes no arguments")};
        out_ << module().MasterDatabase.filePath() << "\n";
        return 0;
    }

    int settings(QStringList args)
    {
        if (args.isEmpty())
            throw UsageError{QStringLiteral("settings needs 'show' or 'set'")};
        const QString what = args.takeFirst();
        if (what == u"show") {
            if (!args.isEmpty())
                throw UsageError{QStringLiteral("settings show takes no arguments")};
            Table& t = module().SettingsTable;
            t.first();
            const Record& r = t.current();
            for (const FieldDef& f : schema::settingsTable().fields)
                out_ << f.name << '=' << r.text(f.name) << "\n";
            return 0;
        }
        if (what == u"set") {
            if (args.isEmpty())
                throw UsageError{QStringLiteral("settings set needs FIELD=VALUE")};
            return settingsSet(args);
        }
        throw UsageError{QStringLiteral("settings needs 'show' or 'set', not '%1'").arg(what)};
    }

    int settingsSet(const QStringList& args)
    {
        const TableDef& def = schema::settingsTable();
        // Check every value before anything is stored.
        std::vector<std::pair<const FieldDef*, QString>> values;
        for (const QString& arg : args) {
            const qsizetype eq = arg.indexOf(u'=');
            if (eq <= 0)
                throw UsageError{QStringLiteral("'%1' is not FIELD=VALUE").arg(arg)};
            const QString name = arg.left(eq);
            const QString value = arg.mid(eq + 1);
            const FieldDef* f = def.field(name);
            if (!f)
                throw Error(QStringLiteral("Unknown settings field '%1'").arg(name).toStdString());
            if (f->type == FieldType::Integer && !value.isEmpty() && !tryReadInteger(value))
                throw Error(QStringLiteral("'%1' is not a valid integer value (settings field %2)")
                                .arg(value, f->name)
                                .toStdString());
            values.emplace_back(f, value);
        }
        Table& t = module().SettingsTable;
        t.first();
        if (t.isEmpty())
            t.append();
        else
            t.edit();
        try {
            for (const auto& [f, value] : values)
                t.setValue(f->name, value);
            t.post();
        } catch (...) {
            t.cancel();
            throw;
        }
        return 0;
    }

    int sql(const QStringList& args)
    {
        if (args.size() != 1)
            throw UsageError{QStringLiteral("sql takes one statement (quote it for the shell)")};
        TDataModule2& dm = module();
        const TranslatedSql t = translateLocalSql(args.first());
        if (t.kind == TranslatedSql::Kind::Select) {
            Query q(dm.MasterDatabase);
            q.add(args.first());
            q.open();
            QStringList header;
            for (int i = 0; i < q.fieldCount(); ++i)
                header << q.fieldName(i);
            out_ << header.join(u'\t') << "\n";
            for (; !q.eof(); q.next()) {
                QStringList row;
                for (int i = 0; i < q.fieldCount(); ++i)
                    row << q.text(i);
                out_ << row.join(u'\t') << "\n";
            }
            return 0;
        }
        out_ << dm.MasterDatabase.execute(args.first()) << "\n";
        return 0;
    }

    QTextStream& out_;
    QTextStream& err_;
    QString dbDir_;
    std::unique_ptr<TDataModule2> dm_;
};

}  // namespace

int runCli(const QStringList& args, QTextStream& out, QTextStream& err)
{
    return Cli(out, err).run(args);
}

}  // namespace orvanta
