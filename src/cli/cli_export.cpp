// orvanta-cli export FILE: the address export of the main window's File,
// "E&xport" dialog; the layout follows FILE's extension as in the dialog.

#include "awards/addressexport.h"
#include "cli/clicontext.h"
#include "data/datamodule.h"
#include "data/error.h"
#include "xls/workbook.h"

namespace orvanta {

int cmdExport(CliContext& ctx, const QStringList& args)
{
    const CliArgs a(args, {QStringLiteral("--year"), QStringLiteral("--month"), QStringLiteral("--location")},
                    {QStringLiteral("--append")});
    if (a.positional().size() != 1)
        throw UsageError{QStringLiteral("export needs one FILE")};
    if (!a.has(QStringLiteral("--year")))
        throw UsageError{QStringLiteral("export needs --year YEAR")};
    ExportRequest request;
    request.fileName = a.positional().first();
    request.append = a.has(QStringLiteral("--append"));
    request.period.awardYearText = a.value(QStringLiteral("--year"));
    request.period.monthText = a.value(QStringLiteral("--month"), QStringLiteral("Whole Year"));
    if (a.has(QStringLiteral("--location")))
        request.period.locationType = a.value(QStringLiteral("--location"));
    // Checked before the database is opened, as the dialog checks it first.
    if (!request.period.locationType)
        throw Error(locationNotSelectedMessage(PeriodDialog::Export).toStdString());

    TWorkbook workbook;
    const ExportResult r = runExport(request, ctx.module(), workbook, nullptr);
    const char* layout = r.layout == ExportLayout::Workbook       ? "workbook"
                         : r.layout == ExportLayout::TabDelimited ? "tab-delimited"
                                                                  : "fixed-width";
    ctx.out << r.records << (r.records == 1 ? " record" : " records") << " exported to " << request.fileName << " ("
            << layout << (request.append ? ", appended" : "") << ")\n";
    return 0;
}

}  // namespace orvanta
