// orvanta-cli import employees | awards: the two imports of the main window's
// File, Import menu, with the same settings and the same rules.

#include "cli/clicontext.h"
#include "data/datamodule.h"
#include "data/progress.h"
#include "import/imports.h"

namespace orvanta {

namespace {

// "Records Imported = N" on stderr: overwritten in place on a terminal,
// otherwise a line every 1,000 records.
class CliProgress : public RequestProgress {
public:
    explicit CliProgress(CliContext& ctx) : ctx_(ctx) {}
    void progressed(const QString& text, long long count) override
    {
        last_ = text;
        if (ctx_.errIsTerminal) {
            pending_ = true;
            if (count % 100 == 1) {  // often enough to watch, seldom enough not to slow the run
                ctx_.err << '\r' << text;
                ctx_.err.flush();
            }
        } else if (count % 1000 == 0) {
            ctx_.err << text << '\n';
            ctx_.err.flush();
        }
    }
    void finished() override
    {
        if (ctx_.errIsTerminal && pending_) {
            ctx_.err << '\r' << last_ << '\n';
            ctx_.err.flush();
        }
    }

private:
    CliContext& ctx_;
    QString last_;
    bool pending_ = false;
};

}  // namespace

int cmdImport(CliContext& ctx, const QStringList& args)
{
    if (args.size() != 1 || (args[0] != u"employees" && args[0] != u"awards"))
        throw UsageError{QStringLiteral("import needs 'employees' or 'awards'")};
    TDataModule2& dm = ctx.module();
    CliProgress progress(ctx);
    if (args[0] == u"awards") {
        AwardImport(dm).run(&progress);
        return 0;
    }
    EmployeeImport run(dm);
    run.run(&progress);
    if (run.NewDepartmentsAdded)
        ctx.out << "New Departments Added\n";
    return 0;
}

}  // namespace orvanta
