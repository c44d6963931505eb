// orvanta-cli commands over the database itself: init, settings, sql.

#include "cli/clicontext.h"
#include "data/convert.h"
#include "data/datamodule.h"
#include "data/error.h"
#include "data/query.h"
#include "data/schema.h"

namespace orvanta {

int cmdInit(CliContext& ctx, const QStringList& args)
{
    if (!args.isEmpty())
        throw UsageError{QStringLiteral("init takes no arguments")};
    ctx.out << ctx.module().MasterDatabase.filePath() << "\n";
    return 0;
}

namespace {

int settingsSet(CliContext& ctx, const QStringList& args)
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
    Table& t = ctx.module().SettingsTable;
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

}  // namespace

int cmdSettings(CliContext& ctx, const QStringList& argsIn)
{
    QStringList args = argsIn;
    if (args.isEmpty())
        throw UsageError{QStringLiteral("settings needs 'show' or 'set'")};
    const QString what = args.takeFirst();
    if (what == u"show") {
        if (!args.isEmpty())
            throw UsageError{QStringLiteral("settings show takes no arguments")};
        Table& t = ctx.module().SettingsTable;
        t.first();
        const Record& r = t.current();
        for (const FieldDef& f : schema::settingsTable().fields)
            ctx.out << f.name << '=' << r.text(f.name) << "\n";
        return 0;
    }
    if (what == u"set") {
        if (args.isEmpty())
            throw UsageError{QStringLiteral("settings set needs FIELD=VALUE")};
        return settingsSet(ctx, args);
    }
    throw UsageError{QStringLiteral("settings needs 'show' or 'set', not '%1'").arg(what)};
}

int cmdSql(CliContext& ctx, const QStringList& args)
{
    if (args.size() != 1)
        throw UsageError{QStringLiteral("sql takes one statement (quote it for the shell)")};
    TDataModule2& dm = ctx.module();
    const TranslatedSql t = translateLocalSql(args.first());
    if (t.kind == TranslatedSql::Kind::Select) {
        Query q(dm.MasterDatabase);
        q.add(args.first());
        q.open();
        QStringList header;
        for (int i = 0; i < q.fieldCount(); ++i)
            header << q.fieldName(i);
        ctx.out << header.join(u'\t') << "\n";
        for (; !q.eof(); q.next()) {
            QStringList row;
            for (int i = 0; i < q.fieldCount(); ++i)
                row << q.text(i);
            ctx.out << row.join(u'\t') << "\n";
        }
        return 0;
    }
    ctx.out << dm.MasterDatabase.execute(args.first()) << "\n";
    return 0;
}

}  // namespace orvanta
