// The employee import on a generated fixed-width file of 100,000 records over
// 1,000 departments: once into an empty database (every record new), then a
// second file of the same employees whose every record changes some fields
// (every record an update), then that file again (every record found
// unchanged, which writes nothing). The baseline, in the same run, inserts the
// same 100,000 rows with prepared statements straight through the SQLite C API
// in one transaction. Prints records per second, peak memory, and each run's
// ratio to the baseline.

#include "bench/support/benchutil.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/error.h"
#include "import/imports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace orvanta;
using namespace orvanta::bench;

namespace {

int kRecords = 100000;
constexpr int kDepartments = 1000;

// Columns of the generated file: start (1-based) and width.
struct Column {
    const char* startField;
    const char* lengthField;
    int start;
    int width;
};

const Column kColumns[] = {
    {"EmployeeIDS", "EmployeeIDL", 1, 9},        {"EmployeeNameS", "EmployeeNameL", 10, 30},
    {"EmpEMailS", "EmpEMailL", 40, 30},          {"ServiceDateS", "ServiceDateL", 70, 10},
    {"GenderS", "GenderL", 80, 1},               {"SSNS", "SSNL", 81, 11},
    {"DepartmentIDS", "DepartmentIDL", 92, 6},   {"DescriptionS", "DescriptionL", 98, 30},
    {"AddressS", "AddressL", 128, 10},           {"ShortS", "ShortL", 138, 8},
    {"SupervisorS", "SupervisorL", 146, 25},     {"SupervisorMailS", "SupervisorMailL", 171, 10},
    {"SupervisorEMailS", "SupervisorEMailL", 181, 30}, {"EmpAddress1S", "EmpAddress1L", 211, 30},
    {"EmpAddress2S", "EmpAddress2L", 241, 30},   {"EmpStreetS", "EmpStreetL", 271, 30},
    {"EmpCityS", "EmpCityL", 301, 20},           {"EmpStateS", "EmpStateL", 321, 2},
    {"EmpZipS", "EmpZipL", 323, 10},             {"EmpCountryS", "EmpCountryL", 333, 3},
    {"EmpLabel1S", "EmpLabel1L", 336, 20},       {"EmpLabel2S", "EmpLabel2L", 356, 20},
};
constexpr int kLineWidth = 375;

std::vector<std::string> recordValues(int i, int generation = 0)
{
    char date[16];
    std::snprintf(date, sizeof date, "%02d/%02d/%04d", 1 + i % 12, 1 + i % 28, 1960 + i % 60);
    const int dept = i % kDepartments;
    return {std::to_string(100000 + i), "Employee " + std::to_string(i) + ", Pat", "pat" + std::to_string(i) + "@example.org",
            date, i % 2 ? "F" : "M", "123-45-" + std::to_string(1000 + i % 9000), "D" + std::to_string(dept),
            "Department " + std::to_string(dept), "MS " + std::to_string(dept), "DEP" + std::to_string(dept),
            "Supervisor " + std::to_string(dept + generation), "MS " + std::to_string(dept),
            "boss" + std::to_string(dept) + "@example.org", "Apt " + std::to_string(i % 300), "",
            std::to_string(i % 9999) + " Main Street", generation ? "Shelbyville" : "Springfield", "IL",
            "62701", "USA", "Label one", "Label two"};
}

void writeFile(const QString& path, int generation)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        std::exit(1);
    std::string line;
    for (int i = 0; i < kRecords; ++i) {
        line.assign(kLineWidth, ' ');
        const auto v = recordValues(i, generation);
        for (size_t c = 0; c < std::size(kColumns); ++c)
            line.replace(size_t(kColumns[c].start - 1), std::min<size_t>(v[c].size(), size_t(kColumns[c].width)),
                         v[c].substr(0, size_t(kColumns[c].width)));
        line += "\r\n";
        f.write(line.data(), qint64(line.size()));
    }
}

void configure(TDataModule2& dm, const QString& file)
{
    QString sql = QStringLiteral("Insert into \"settings.db\" (EmpFileName, EmpLines, DefaultLocation");
    QString values = QStringLiteral(") values (\"%1\", 0, \"MAIN\"").arg(file);
    for (const Column& c : kColumns) {
        sql += QStringLiteral(", %1, %2").arg(QLatin1String(c.startField), QLatin1String(c.lengthField));
        values += QStringLiteral(", %1, %2").arg(c.start).arg(c.width);
    }
    dm.MasterDatabase.execute(sql + values + u')');
}

double importRun(TDataModule2& dm, const QString& file)
{
    dm.MasterDatabase.execute(QStringLiteral("Update \"settings.db\" Set EmpFileName = \"%1\"").arg(file));
    Stopwatch sw;
    EmployeeImport run(dm);
    run.run();
    return sw.seconds();
}

double baseline(const QString& dir)
{
    {
        Database db;
        db.open(dir);
    }
    sqlite3* h = nullptr;
    sqlite3_open(QDir(dir).filePath("awards.sqlite3").toLocal8Bit().constData(), &h);
    sqlite3_exec(h, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
    Stopwatch sw;
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(h,
                       "INSERT INTO Employee (EmployeeID, Name, EmployeeEMail, AnvDate, Sex, SSN, LocationCode, "
                       "CampusMail, Supervisor, SupervisorMail, SupervisorEMail, EmpAddress1, EmpAddress2, EmpStreet, "
                       "EmpCity, EmpState, EmpZip, EmpCountry, EmpLabel1, EmpLabel2) "
                       "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                       -1, &ins, nullptr);
    sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
    const int columns[] = {0, 1, 2, 3, 4, 5, 6, 8, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21};
    for (int i = 0; i < kRecords; ++i) {
        const auto v = recordValues(i);
        for (int k = 0; k < 20; ++k) {
            const std::string& s = v[size_t(columns[k])];
            sqlite3_bind_text(ins, k + 1, s.data(), int(s.size()), SQLITE_TRANSIENT);
        }
        if (sqlite3_step(ins) != SQLITE_DONE) {
            std::fprintf(stderr, "baseline: %s\n", sqlite3_errmsg(h));
            std::exit(1);
        }
        sqlite3_reset(ins);
    }
    sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
    const double t = sw.seconds();
    sqlite3_finalize(ins);
    sqlite3_close(h);
    return t;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1)
        kRecords = std::atoi(argv[1]);
    QTemporaryDir dir, baseDir;
    const QString file = QDir(dir.path()).filePath("employees.txt");
    const QString changed = QDir(dir.path()).filePath("employees-changed.txt");
    writeFile(file, 0);
    writeFile(changed, 1);
    try {
        std::printf("bench/import: %d fixed-width employee records over %d departments\n", kRecords, kDepartments);
        const double base = baseline(baseDir.path());
        TDataModule2 dm(dir.path());
        configure(dm, file);
        dm.LoadDefaults();
        resetPeakMemory();
        const double first = importRun(dm, file);
        const long long peakFirst = peakMemoryBytes();
        const double second = importRun(dm, changed);
        const double third = importRun(dm, changed);
        const long long peak = peakMemoryBytes();
        printFigure("baseline: C API inserts, one transaction", kRecords / base, "records/s");
        printFigure("import into an empty database", kRecords / first, "records/s");
        printFigure("import again (every record an update)", kRecords / second, "records/s");
        printFigure("import again (every record unchanged)", kRecords / third, "records/s");
        printFigure("peak memory, first run", peakFirst / 1048576.0, "MiB");
        printFigure("peak memory, all runs", peak / 1048576.0, "MiB");
        printRatio("first run: time / baseline", first / base, 5.0, true);
        printRatio("second run: time / baseline", second / base, 5.0, true);
        printRatio("first run: records/s (thousands)", kRecords / first / 1000.0, 50.0, false);
        printRatio("second run: records/s (thousands)", kRecords / second / 1000.0, 50.0, false);
    } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
