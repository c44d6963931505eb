// The address export of 65,535 selected employees into each of the three
// layouts (tab-delimited, fixed-width, workbook), selection included, against
// one buffered write of a file of the same size, in one run. Prints the time
// of each layout and its ratio to the raw write.

#include "awards/addressexport.h"
#include "bench/support/benchutil.h"
#include "data/datamodule.h"
#include "data/error.h"
#include "data/query.h"
#include "xls/workbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace orvanta;
using namespace orvanta::bench;

namespace {

int kEmployees = 65535;
constexpr int kDepartments = 200;

void fill(TDataModule2& dm)
{
    Database& db = dm.MasterDatabase;
    db.beginTransaction();
    db.execute(R"(Insert into "Location.db" (LocationType, Description) values ("A", "Campus"))");
    db.execute(R"(Insert into "billing.db" (WorkLocCode, WorkLocCompany, WorkLocAttn, WorkLocAddress1, WorkLocStreet,
                  WorkLocCity, WorkLocState, WorkLocZip, Label1, Label2)
                  values ("BILL", "Central Billing Office", "Accounts Payable", "Room 100", "1 University Plaza",
                          "Springfield", "IL", "62701", "Attn: %DEPARTMENT%", "Service Awards"))");
    db.execute(R"(Insert into "billing.db" (WorkLocCode, WorkLocCompany, WorkLocAttn, WorkLocAddress1, WorkLocStreet,
                  WorkLocCity, WorkLocState, WorkLocZip, WorkLocCountry, WorkLocEMail, WorkLocPhone, WorkLocFax)
                  values ("NORTH", "North Campus Mailroom", "Mail Clerk", "Building 7", "700 North Road", "Riverton",
                          "IL", "62702", "USA", "mailroom@example.edu", "217-555-0100", "217-555-0101"))");
    for (int d = 0; d < kDepartments; ++d)
        db.execute(QStringLiteral("Insert into \"Depart.db\" (LocationCode, Description, ShortDescription, "
                                  "LocationType, BillingLocCodeID, WorkLocCodeID) "
                                  "values (\"D%1\", \"Department %1\", \"DEP%1\", \"A\", 1, 2)")
                       .arg(d));
    const int years[] = {1994, 1989, 1984, 1979, 1974, 1969, 1964, 1959};
    for (int i = 0; i < kEmployees; ++i)
        db.execute(QStringLiteral("Insert into \"Employee.db\" (EmployeeID, Name, EmployeeEMail, Sex, AnvDate, "
                                  "LocationCode, SupervisorEMail, EmpAddress1, EmpStreet, EmpCity, EmpState, EmpZip, "
                                  "EmpCountry, EmpLabel1) values (\"%1\", \"Employee %1, Pat\", "
                                  "\"pat%1@example.edu\", \"F\", \"%2/%3/%4\", \"D%5\", \"boss%5@example.edu\", "
                                  "\"Apt %6\", \"%1 Main Street\", \"Springfield\", \"IL\", \"62701\", \"USA\", "
                                  "\"Label %1\")")
                       .arg(100000 + i)
                       .arg(1 + i % 12)
                       .arg(1 + i % 28)
                       .arg(years[i % 8])
                       .arg(i % kDepartments)
                       .arg(i % 300));
    db.commit();
}

double rawWrite(const QString& path, long long bytes)
{
    std::vector<char> buffer(size_t(bytes), 'x');
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        best = std::min(best, orvanta::bench::rawWrite(path.toLocal8Bit().constData(), buffer.data(), buffer.size()));
    }
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1)
        kEmployees = std::atoi(argv[1]);
    QTemporaryDir dir;
    try {
        TDataModule2 dm(dir.path());
        fill(dm);
        dm.DefaultCustomerCode = QStringLiteral("CUST000001");
        dm.DefaultAdministrativeCode = QStringLiteral("AD");
        std::printf("bench/export: %d selected employees over %d departments, award year 1999\n", kEmployees,
                    kDepartments);
        {
            // The selection alone: the statement run and every row stepped over.
            PeriodSelection v;
            v.locationKey = QStringLiteral("A");
            v.monthNumber = QStringLiteral("0");
            v.awardYear = 1999;
            v.milestoneYears = MilestoneYears(1999);
            double best = 1e9;
            for (int run = 0; run < 3; ++run) {
                Stopwatch sw;
                Query& q = dm.EmployeeQuery;
                q.close();
                q.clear();
                for (const QString& line : exportSelectionLines(v))
                    q.add(line);
                q.open();
                while (!q.eof())
                    q.next();
                best = std::min(best, sw.seconds());
            }
            printFigure("the selection alone (rows read, no values)", best, "s");
        }
        TWorkbook workbook;
        for (const char* ext : {"prn", "txt", "xls"}) {
            ExportRequest r;
            r.period.awardYearText = QStringLiteral("1999");
            r.period.locationType = QStringLiteral("A");
            r.fileName = QDir(dir.path()).filePath(QStringLiteral("export.%1").arg(QLatin1String(ext)));
            double best = 1e9;
            long long records = 0;
            for (int run = 0; run < 3; ++run) {
                Stopwatch sw;
                records = runExport(r, dm, workbook, nullptr).records;
                best = std::min(best, sw.seconds());
            }
            const long long bytes = QFileInfo(r.fileName).size();
            const double raw = rawWrite(QDir(dir.path()).filePath("raw.bin"), bytes);
            char name[64];
            std::snprintf(name, sizeof name, ".%s export (%lld records, %.1f MB)", ext, records, bytes / 1e6);
            printFigure(name, best, "s");
            printFigure("  one buffered write of the same size", raw, "s");
            printRatio("  ratio export / raw write", best / raw, 3.0, true);
        }
    } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
