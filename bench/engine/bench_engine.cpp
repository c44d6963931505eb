// Writes 100,000 employee rows twice: as the program's own dialect statements
// through the engine layer (translation, statement cache, bound values), and
// as prepared statements straight through the SQLite C API. Each path inserts
// every row and then updates each row by EmployeeID, in one transaction, on a
// database file of its own. Prints both times and their ratio.

#include "bench/support/benchutil.h"
#include "data/database.h"
#include "data/error.h"
#include "data/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace orvanta;
using namespace orvanta::bench;

namespace {

int kRows = 100000;

QString dialectValue(const QString& v)
{
    QString q = v;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

struct Row {
    QString id, name, date, dept, city;
};

Row makeRow(int i, bool updated)
{
    const int year = 1960 + i % 60, month = 1 + i % 12, day = 1 + i % 28;
    return {QString::number(100000 + i),
            QStringLiteral("Employee %1, %2").arg(i).arg(updated ? "Updated" : "New"),
            QStringLiteral("%1/%2/%3").arg(month, 2, 10, QChar('0')).arg(day, 2, 10, QChar('0')).arg(year),
            QStringLiteral("D%1").arg(i % 1000), updated ? QStringLiteral("Springfield") : QStringLiteral("Shelbyville")};
}

double viaEngine(const QString& dir)
{
    Database db;
    db.open(dir);
    Stopwatch sw;
    db.beginTransaction();
    for (int i = 0; i < kRows; ++i) {
        const Row r = makeRow(i, false);
        db.execute(QStringLiteral("Insert into \"Employee.db\" (EmployeeID, Name, AnvDate, LocationCode, EmpCity) "
                                  "values (%1, %2, %3, %4, %5)")
                       .arg(dialectValue(r.id), dialectValue(r.name), dialectValue(r.date), dialectValue(r.dept),
                            dialectValue(r.city)));
    }
    for (int i = 0; i < kRows; ++i) {
        const Row r = makeRow(i, true);
        db.execute(QStringLiteral("Update \"Employee.db\" Set Name = %1, AnvDate = %2, LocationCode = %3, "
                                  "EmpCity = %4 where EmployeeID = %5")
                       .arg(dialectValue(r.name), dialectValue(r.date), dialectValue(r.dept), dialectValue(r.city),
                            dialectValue(r.id)));
    }
    db.commit();
    return sw.seconds();
}

void check(int rc, sqlite3* h)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(h));
        std::exit(1);
    }
}

std::string isoDate(const QString& mdy)
{
    const QStringList p = mdy.split(u'/');
    return (p[2] + u'-' + p[0] + u'-' + p[1]).toStdString();
}

double viaCApi(const QString& dir)
{
    {
        Database db;  // same schema, created the same way
        db.open(dir);
    }
    sqlite3* h = nullptr;
    check(sqlite3_open(QDir(dir).filePath("awards.sqlite3").toLocal8Bit().constData(), &h), h);
    check(sqlite3_exec(h, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr), h);
    sqlite3_stmt* ins = nullptr;
    sqlite3_stmt* upd = nullptr;
    Stopwatch sw;
    check(sqlite3_prepare_v2(h, "INSERT INTO Employee (EmployeeID, Name, AnvDate, LocationCode, EmpCity) "
                                "VALUES (?, ?, ?, ?, ?)", -1, &ins, nullptr), h);
    check(sqlite3_prepare_v2(h, "UPDATE Employee SET Name = ?, AnvDate = ?, LocationCode = ?, EmpCity = ? "
                                "WHERE EmployeeID = ?", -1, &upd, nullptr), h);
    check(sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr), h);
    auto bind = [](sqlite3_stmt* s, int i, const std::string& v) {
        sqlite3_bind_text(s, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
    };
    for (int i = 0; i < kRows; ++i) {
        const Row r = makeRow(i, false);
        bind(ins, 1, r.id.toStdString());
        bind(ins, 2, r.name.toStdString());
        bind(ins, 3, isoDate(r.date));
        bind(ins, 4, r.dept.toStdString());
        bind(ins, 5, r.city.toStdString());
        check(sqlite3_step(ins), h);
        sqlite3_reset(ins);
    }
    for (int i = 0; i < kRows; ++i) {
        const Row r = makeRow(i, true);
        bind(upd, 1, r.name.toStdString());
        bind(upd, 2, isoDate(r.date));
        bind(upd, 3, r.dept.toStdString());
        bind(upd, 4, r.city.toStdString());
        bind(upd, 5, r.id.toStdString());
        check(sqlite3_step(upd), h);
        sqlite3_reset(upd);
    }
    check(sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr), h);
    const double t = sw.seconds();
    sqlite3_finalize(ins);
    sqlite3_finalize(upd);
    sqlite3_close(h);
    return t;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1)
        kRows = std::atoi(argv[1]);  // a smaller run for profiling
    QTemporaryDir a, b;
    try {
        std::printf("bench/engine: %d employee rows inserted, then each updated by EmployeeID\n", kRows);
        const double base = viaCApi(b.path());
        const double engine = viaEngine(a.path());
        printFigure("SQLite C API, prepared statements", base, "s");
        printFigure("engine layer, dialect statements", engine, "s");
        printRatio("ratio engine / C API", engine / base, 2.0, true);
    } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
