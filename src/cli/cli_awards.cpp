// orvanta-cli commands over an award period: merge (the mail merge file) and
// delete (the employees of a period with their award records).

#include "awards/deleteperiod.h"
#include "awards/mailmerge.h"
#include "awards/period.h"
#include "cli/clicontext.h"
#include "data/datamodule.h"
#include "data/error.h"

namespace orvanta {

namespace {

QString requiredYear(const CliArgs& a, const QString& command)
{
    if (!a.has(QStringLiteral("--year")))
        throw UsageError{QStringLiteral("%1 needs --year YEAR").arg(command)};
    return a.value(QStringLiteral("--year"));
}

void noPositional(const CliArgs& a, const QString& command)
{
    if (!a.positional().isEmpty())
        throw UsageError{QStringLiteral("%1 takes no argument '%2'").arg(command, a.positional().first())};
}

}  // namespace

int cmdMerge(CliContext& ctx, const QStringList& args)
{
    const CliArgs a(args, {QStringLiteral("--year"), QStringLiteral("--month"), QStringLiteral("--location"),
                           QStringLiteral("--sort")},
                    {});
    noPositional(a, QStringLiteral("merge"));
    AwardPeriod period;
    period.awardYearText = requiredYear(a, QStringLiteral("merge"));
    // The month as typed into the month box: a text outside the list fails
    // when the statement runs, as it does in the dialog.
    period.monthText = a.value(QStringLiteral("--month"), QStringLiteral("Whole Year"));
    if (a.has(QStringLiteral("--location")))
        period.locationType = a.value(QStringLiteral("--location"));
    const QString sort = a.value(QStringLiteral("--sort"), QStringLiteral("name"));
    if (sort == u"name")
        period.sort = SortChoice::Name;
    else if (sort == u"years")
        period.sort = SortChoice::YearsOfService;
    else
        throw UsageError{QStringLiteral("--sort takes name or years, not '%1'").arg(sort)};

    // The location type is checked before the database is opened, as the
    // dialog checks it before anything else.
    if (!period.locationType)
        throw Error(locationNotSelectedMessage(PeriodDialog::MailMerge).toStdString());
    const MailMergeResult r = runMailMerge(period, ctx.module(), nullptr);
    if (r.written)
        ctx.out << r.records << (r.records == 1 ? " employee" : " employees") << " written to " << r.fileName << "\n";
    else
        ctx.out << "no file written: the settings name no mail merge file (MailExport)\n";
    return 0;
}

int cmdDelete(CliContext& ctx, const QStringList& args)
{
    const CliArgs a(args, {QStringLiteral("--year"), QStringLiteral("--month")}, {QStringLiteral("--all")});
    noPositional(a, QStringLiteral("delete"));
    DeleteRequest request;
    request.awardYearText = requiredYear(a, QStringLiteral("delete"));
    request.monthText = a.value(QStringLiteral("--month"), QStringLiteral("Whole Year"));
    request.deleteAllData = a.has(QStringLiteral("--all"));
    const DeleteResult r = runDelete(request, ctx.module(), nullptr);
    ctx.out << "employees deleted: " << r.employees << "\naward records deleted: " << r.awardRecords << "\n";
    return 0;
}

}  // namespace orvanta
