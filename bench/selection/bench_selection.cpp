// The award period selection on 100,000 employees over 200 departments in
// five location types, service dates spread over sixty years:
//
//  1. the mail merge selection of one location type (Select E.*, D.*, ordered
//     by name) for the whole award year and for one month, built and opened
//     on the shared EmployeeQuery through the engine layer and read to its end
//     (every column of every row), against the same selection written directly
//     in SQLite SQL with service-date ranges on a connection of its own to the
//     same database file through the C API, also reading every column.
//     Goal: engine / direct at most 1.5.
//  2. The mail merge file of the whole-year selection against one buffered
//     write of the same bytes (fopen, one fwrite, fclose). The file is timed
//     as the writer makes it from the records (formatting, quoting, the
//     checked buffered writes and the close), and, for the whole picture, as
//     ExportFile makes it from the open selection, which adds reading every
//     row through the engine layer.
//     Goal: the file written at no less than half the speed of the raw write.
//
// Every figure is the best of several runs. Usage: bench_selection [EMPLOYEES]

#include "awards/mailmerge.h"
#include "awards/period.h"
#include "bench/support/benchutil.h"
#include "data/datamodule.h"
#include "data/error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace orvanta;
using namespace orvanta::bench;

namespace {

int kEmployees = 100000;
constexpr int kDepartments = 200;
constexpr int kLocationTypes = 5;
constexpr int kRuns = 15;
constexpr int kAwardYear = 2010;
constexpr int kMonth = 3;

void check(int rc, sqlite3* h)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(h));
        std::exit(1);
    }
}

// A fixed pseudo-random sequence, so every run selects the same rows.
struct Lcg {
    unsigned long long s = 0x2545F4914F6CDD1DULL;
    unsigned next()
    {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return unsigned(s >> 33);
    }
};

void populate(const QString& dir)
{
    {
        Database db;  // the schema and its indexes, created the way the program creates them
        db.open(dir);
    }
    sqlite3* h = nullptr;
    check(sqlite3_open(QDir(dir).filePath(Database::kFileName).toLocal8Bit().constData(), &h), h);
    check(sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr), h);
    sqlite3_stmt* s = nullptr;
    auto bind = [&](int i, const std::string& v) { sqlite3_bind_text(s, i, v.data(), int(v.size()), SQLITE_TRANSIENT); };
    check(sqlite3_prepare_v2(h, "INSERT INTO Location (LocationType, Description) VALUES (?, ?)", -1, &s, nullptr), h);
    for (int t = 0; t < kLocationTypes; ++t) {
        bind(1, "T" + std::to_string(t));
        bind(2, "Location type " + std::to_string(t));
        check(sqlite3_step(s), h);
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    check(sqlite3_prepare_v2(h, "INSERT INTO Depart (LocationCode, Description, ShortDescription, LocationType) "
                                "VALUES (?, ?, ?, ?)", -1, &s, nullptr), h);
    for (int d = 0; d < kDepartments; ++d) {
        bind(1, "D" + std::to_string(d));
        bind(2, "Department of Things, Number " + std::to_string(d));
        bind(3, "DEP" + std::to_string(d));
        bind(4, "T" + std::to_string(d % kLocationTypes));
        check(sqlite3_step(s), h);
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    check(sqlite3_prepare_v2(h, "INSERT INTO Employee (EmployeeID, Name, SSN, Sex, AnvDate, LocationCode, CampusMail, "
                                "Supervisor, SupervisorMail, EmpCity) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                             -1, &s, nullptr), h);
    Lcg r;
    for (int i = 0; i < kEmployees; ++i) {
        char date[11];
        std::snprintf(date, sizeof date, "%04u-%02u-%02u", 1950 + r.next() % 60, 1 + r.next() % 12, 1 + r.next() % 28);
        bind(1, std::to_string(100000 + i));
        bind(2, "Employee" + std::to_string(r.next() % 1000000) + ", Given " + std::to_string(i % 97));
        bind(3, std::to_string(100000000 + r.next() % 900000000));
        bind(4, i % 2 ? "F" : "M");
        bind(5, date);
        bind(6, "D" + std::to_string(r.next() % kDepartments));
        bind(7, "Box " + std::to_string(r.next() % 5000));
        bind(8, "Supervisor " + std::to_string(r.next() % 2000));
        bind(9, "Box " + std::to_string(r.next() % 5000));
        bind(10, "Springfield");
        check(sqlite3_step(s), h);
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    check(sqlite3_exec(h, "COMMIT; ANALYZE", nullptr, nullptr, nullptr), h);
    sqlite3_close(h);
}

double best(const std::function<void()>& run)
{
    double t = 1e100;
    for (int i = 0; i < kRuns; ++i) {
        Stopwatch sw;
        run();
        t = std::min(t, sw.seconds());
    }
    return t;
}

AwardPeriod benchPeriod(const QString& month)
{
    AwardPeriod p;
    p.monthText = month;
    p.awardYearText = QString::number(kAwardYear);
    p.locationType = QStringLiteral("T1");
    return p;
}

// Opens the selection on EmployeeQuery and reads every column of every row.
long long viaEngine(TDataModule2& dm, const QString& month)
{
    openSelection(dm.EmployeeQuery, QString::fromLatin1(kMailMergeSelectLine),
                  readPeriodSelection(benchPeriod(month), PeriodDialog::MailMerge));
    Query& q = dm.EmployeeQuery;
    long long rows = 0, chars = 0;
    for (; !q.eof(); q.next(), ++rows)
        for (int i = 0; i < q.fieldCount(); ++i)
            chars += q.value(i).toString().size();
    return rows + (chars == 0);
}

// The same rows through the C API: service dates compared with the ranges of
// the milestone years (or of the month in each of them).
std::string directSql(int month)
{
    std::string sql = "SELECT E.*, D.* FROM Employee E JOIN Depart D ON E.LocationCode = D.LocationCode "
                      "WHERE D.LocationType = ?1 AND (";
    for (int years = 5; years <= 40; years += 5) {
        const int y = kAwardYear - years;
        char range[96];
        if (month == 0)
            std::snprintf(range, sizeof range, "E.AnvDate BETWEEN '%04d-01-01' AND '%04d-12-31'", y, y);
        else
            std::snprintf(range, sizeof range, "E.AnvDate BETWEEN '%04d-%02d-01' AND '%04d-%02d-31'", y, month, y,
                          month);
        sql += (years > 5 ? " OR " : "") + std::string(range);
    }
    return sql + ") ORDER BY E.Name";
}

long long viaCApi(sqlite3* h, const std::string& sql)
{
    sqlite3_stmt* s = nullptr;
    check(sqlite3_prepare_v2(h, sql.c_str(), -1, &s, nullptr), h);
    sqlite3_bind_text(s, 1, "T1", 2, SQLITE_STATIC);
    long long rows = 0, bytes = 0;
    int rc;
    const int columns = sqlite3_column_count(s);
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        ++rows;
        for (int i = 0; i < columns; ++i) {
            sqlite3_column_text(s, i);
            bytes += sqlite3_column_bytes(s, i);
        }
    }
    check(rc, h);
    sqlite3_finalize(s);
    return rows + (bytes == 0);
}

double rawWrite(const QString& path, const QByteArray& bytes)
{
    return orvanta::bench::rawWrite(QFile::encodeName(path).constData(), bytes.constData(), size_t(bytes.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1)
        kEmployees = std::atoi(argv[1]);
    QTemporaryDir dir;
    try {
        populate(dir.path());
        TDataModule2 dm(dir.path());
        sqlite3* h = nullptr;
        check(sqlite3_open_v2(QDir(dir.path()).filePath(Database::kFileName).toLocal8Bit().constData(), &h,
                              SQLITE_OPEN_READONLY, nullptr), h);

        std::printf("bench/selection: %d employees, %d departments, %d location types; award year %d, type T1\n",
                    kEmployees, kDepartments, kLocationTypes, kAwardYear);
        const struct {
            const char* label;
            QString month;
            int number;
        } selections[] = {{"whole year", QStringLiteral("Whole Year"), 0}, {"one month (March)", QStringLiteral("March"), kMonth}};
        for (const auto& s : selections) {
            long long engineRows = 0, directRows = 0;
            const std::string sql = directSql(s.number);
            const double direct = best([&] { directRows = viaCApi(h, sql); });
            const double engine = best([&] { engineRows = viaEngine(dm, s.month); });
            if (engineRows != directRows) {
                std::fprintf(stderr, "%s: engine selected %lld rows, direct SQL %lld\n", s.label, engineRows,
                             directRows);
                return 1;
            }
            std::printf("%s: %lld employees selected\n", s.label, engineRows);
            printFigure("  direct SQLite SQL, date ranges", direct * 1000, "ms");
            printFigure("  engine layer, EmployeeQuery", engine * 1000, "ms");
            printRatio("  ratio engine / direct", engine / direct, 1.5, true);
        }

        // The mail merge file of the whole-year selection. ExportFile reads the
        // open selection and writes the file; the writer alone is timed on the
        // same records already read, against one buffered write of its bytes.
        const QString mergePath = QDir(dir.path()).filePath("merge.csv");
        const QString rawPath = QDir(dir.path()).filePath("raw.csv");
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const AwardPeriod whole = benchPeriod(QStringLiteral("Whole Year"));
        long long records = 0;
        const double request = best([&] {
            const int year = openMailMergeSelection(whole, dm);
            records = writeMailMergeFile(dm.EmployeeQuery, year, mergePath, us);
        });
        double exportFile = 1e100;
        for (int i = 0; i < kRuns; ++i) {
            openMailMergeSelection(whole, dm);
            Stopwatch sw;
            writeMailMergeFile(dm.EmployeeQuery, kAwardYear, mergePath, us);
            exportFile = std::min(exportFile, sw.seconds());
        }
        std::vector<MailMergeRecord> rows;
        openMailMergeSelection(whole, dm);
        for (Query& q = dm.EmployeeQuery; !q.eof(); q.next())
            rows.push_back({q.text(u"Name"), q.text(u"Description"), q.text(u"ShortDescription"),
                            q.text(u"CampusMail"), q.value(u"AnvDate").toDate(), q.text(u"Supervisor"),
                            q.text(u"SupervisorMail"), q.text(u"SSN"), q.text(u"EmployeeID"), q.text(u"Sex")});
        // The writer and the raw write take turns, so that both meet the same
        // state of the machine; each keeps its best time. Each creates its file
        // anew (the old one is removed beforehand, untimed), so that neither
        // pays for truncating what the file system holds of the last run.
        QFile written(mergePath);
        if (!written.open(QIODevice::ReadOnly))
            throw Error("the mail merge file was not written");
        const QByteArray bytes = written.readAll();
        written.close();
        double writer = 1e100, raw = 1e100;
        for (int i = 0; i < kRuns * 4; ++i) {
            QFile::remove(mergePath);
            QFile::remove(rawPath);
            Stopwatch sw;
            MailMergeWriter w(mergePath, kAwardYear, us);
            for (const MailMergeRecord& r : rows)
                w.write(r);
            w.close();
            writer = std::min(writer, sw.seconds());
            raw = std::min(raw, rawWrite(rawPath, bytes));
        }
        std::printf("mail merge file: %lld records, %lld bytes\n", records, (long long)bytes.size());
        printFigure("  selection opened, file written", request * 1000, "ms");
        printFigure("  ExportFile (reads the open selection)", exportFile * 1000, "ms");
        printFigure("  file written from the records", writer * 1000, "ms");
        printFigure("  one buffered write of the same bytes", raw * 1000, "ms");
        printRatio("  speed of the file / raw write", raw / writer, 0.5, false);
        std::printf("  (ExportFile / raw write, reading the selection included: %.2f)\n", raw / exportFile);
        sqlite3_close(h);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
