#include "data/database.h"
#include "data/error.h"
#include "data/query.h"
#include "support/tempdb.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace orvanta;
using orvanta::test::TempDb;

namespace {

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override { db.open(tmp.path()); }

    QString one(const QString& select)
    {
        Query q(db);
        q.add(select);
        q.open();
        return q.eof() ? QStringLiteral("<none>") : q.text(0);
    }

    TempDb tmp;
    Database db;
};

TEST_F(DatabaseTest, TableFileNamesInAnyCaseReachOneTable)
{
    db.execute(R"(Insert into "Employee.db" (EmployeeID, Name) values ("1", "Smith, Jane"))");
    db.execute(R"(Insert into "employee.DB" (EmployeeID, Name) values ("2", "Jones, Amy"))");
    EXPECT_EQ(one(R"(Select count(*) from "EMPLOYEE.db")"), QString("2"));
    Table t(db, QStringLiteral("Employee.DB"));
    t.open();
    EXPECT_EQ(t.recordCount(), 2);
}

TEST_F(DatabaseTest, HostileValuesRoundTripUnchanged)
{
    const QStringList values = {QStringLiteral("He said \"hi\""), QStringLiteral("it's"),
                                QStringLiteral("a;b"), QStringLiteral("x -- y"),
                                QStringLiteral("\"); Delete from \"Employee.db\"; --")};
    int id = 0;
    for (const QString& v : values) {
        QString quotedValue = v;
        quotedValue.replace(u'"', QStringLiteral("\"\""));
        db.execute(QStringLiteral("Insert into \"Employee.db\" (EmployeeID, Name) values (\"%1\", \"%2\")")
                       .arg(++id)
                       .arg(quotedValue));
    }
    Query q(db);
    q.add(QStringLiteral("Select EmployeeID, Name from \"Employee.db\" order by EmployeeID"));
    q.open();
    for (const QString& v : values) {
        ASSERT_FALSE(q.eof());
        EXPECT_EQ(q.text(u"Name"), v);
        q.next();
    }
    EXPECT_TRUE(q.eof());
}

TEST_F(DatabaseTest, ExtractWithAsNamesAndOrderByThem)
{
    db.execute(R"(Insert into "Employee.db" (EmployeeID, Name, AnvDate) values ("1", "B", "03/15/1979"))");
    db.execute(R"(Insert into "Employee.db" (EmployeeID, Name, AnvDate) values ("2", "A", "11/01/1959"))");
    db.execute(R"(Insert into "Employee.db" (EmployeeID, Name, AnvDate) values ("3", "C", "1/10/1959"))");
    Query q(db);
    q.add(QStringLiteral("Select E.Name, Extract(YEAR from E.Anvdate) As YY, Extract(MONTH FROM E.AnvDate) As MM"));
    q.add(QStringLiteral("FROM \"Employee.db\" E"));
    q.add(QStringLiteral("ORDER BY YY, E.Name"));
    q.open();
    QStringList got;
    for (; !q.eof(); q.next())
        got << q.text(u"Name") + u':' + q.text(u"YY") + u'/' + q.text(u"mm");
    EXPECT_EQ(got.join(u' ').toStdString(), "A:1959/11 C:1959/1 B:1979/3");
}

TEST_F(DatabaseTest, InListsInSubselectsAndIsNull)
{
    db.execute(R"(Insert into "Employee.db" (EmployeeID, AnvDate) values ("1", "06/01/1994"))");
    db.execute(R"(Insert into "Employee.db" (EmployeeID, AnvDate) values ("2", "06/01/1997"))");
    db.execute(R"(Insert into "Employee.db" (EmployeeID) values ("3"))");
    for (const char* id : {"1", "2", "3", "orphan"})
        db.execute(QStringLiteral("Insert into \"EmpAward.db\" (EmployeeID) values (\"%1\")").arg(QLatin1String(id)));

    EXPECT_EQ(one(R"(Select count(*) from "Employee.db" where EmployeeID IN ("1", "3"))"), QString("2"));
    EXPECT_EQ(one(R"(Select EmployeeID from "Employee.db" where AnvDate IS NULL)"), QString("3"));
    const int removed = db.execute(
        "DELETE\nFROM \"EmpAward.db\" A\nWHERE EmployeeID IN(Select EmployeeID from \"Employee.db\" E\nWHERE\n"
        "(Extract(YEAR FROM E.AnvDate) IN (1994,1989)))");
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(db.execute(R"(DELETE FROM "Employee.db" WHERE (Extract(YEAR FROM AnvDate) IN (1997)))"), 1);
    EXPECT_EQ(db.execute("DELETE\nFROM \"EmpAward.db\""), 3);
    EXPECT_EQ(one(R"(Select count(*) from "EmpAward.db")"), QString("0"));
}

TEST_F(DatabaseTest, RepeatedResultNamesGetSuffix)
{
    db.execute(R"(Insert into "Employee.db" (EmployeeID, LocationCode) values ("1", "D1"))");
    db.execute(R"(Insert into "Depart.db" (LocationCode, Description) values ("D1", "Accounting"))");
    Query q(db);
    q.add(QStringLiteral("Select E.*, D.*"));
    q.add(QStringLiteral("FROM \"Employee.db\" E, \"Depart.db\" D"));
    q.add(QStringLiteral("WHERE (E.LocationCode = D.LocationCode)"));
    q.open();
    ASSERT_FALSE(q.eof());
    EXPECT_GE(q.fieldIndex(u"LocationCode_1"), 0);
    EXPECT_GT(q.fieldIndex(u"LocationCode_1"), q.fieldIndex(u"LocationCode"));
    EXPECT_EQ(q.text(u"locationcode_1"), QString("D1"));
    EXPECT_EQ(q.text(u"Description"), QString("Accounting"));
}

TEST_F(DatabaseTest, MonthDayYearLiteralsMeetDateFields)
{
    db.execute(R"(Insert into "Employee.db" (EmployeeID) values ("1"))");
    db.execute(R"(Update "Employee.db" Set AnvDate = "5/14/2001" where EmployeeID = "1")");
    Query q(db);
    q.add(QStringLiteral("Select AnvDate from \"Employee.db\" where AnvDate = \"05/14/2001\""));
    q.open();
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.value(u"AnvDate").toDate(), QDate(2001, 5, 14));
    EXPECT_EQ(q.text(u"AnvDate"), QString("05/14/2001"));
    EXPECT_EQ(one(R"(Select count(*) from "Employee.db" where AnvDate < "1/1/2002")"), QString("1"));
    EXPECT_EQ(one(R"(Select count(*) from "Employee.db" where AnvDate > "12/31/2001")"), QString("0"));
}

TEST_F(DatabaseTest, StatementThatDoesNotParseFailsWithEngineText)
{
    Query q(db);
    q.add(QStringLiteral("Select * FROM \"Employee.db\" E WHERE"));
    q.add(QStringLiteral("(Extract(MONTH FROM E.AnvDate) = )"));
    try {
        q.open();
        FAIL() << "statement accepted";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("syntax error"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(q.isOpen());
}

TEST_F(DatabaseTest, EmptyTextIsStoredAsNull)
{
    db.execute(R"(Insert into "Employee.db" (EmployeeID, Name) values ("1", ""))");
    EXPECT_EQ(one(R"(Select count(*) from "Employee.db" where Name IS NULL)"), QString("1"));
}

TEST_F(DatabaseTest, StatementsOfOneShapeReuseTheirPreparedStatement)
{
    // A changing value must not change the prepared text: run the same shape
    // many times and check that the results follow the values.
    for (int i = 0; i < 50; ++i)
        db.execute(QStringLiteral("Insert into \"award.db\" (AwardCode, AwardDesc) values (\"%1\", \"d%1\")").arg(i));
    EXPECT_EQ(one(R"(Select AwardDesc from "award.db" where AwardCode = "37")"), QString("d37"));
    EXPECT_EQ(one(R"(Select count(*) from "award.db")"), QString("50"));
}

TEST_F(DatabaseTest, NewDatabaseHasEveryTableAndItsVersion)
{
    Query q(db);
    for (const TableDef& t : schema::tables()) {
        q.close();
        q.clear();
        q.add(QStringLiteral("Select count(*) from \"%1\"").arg(t.fileName()));
        EXPECT_NO_THROW(q.open()) << t.name.toStdString();
    }
    StatementLease v = db.run(QStringLiteral("PRAGMA user_version"), {});
    ASSERT_TRUE(v->next());
    EXPECT_EQ(v->value(0).toInt(), schema::kVersion);
}

// ---------------------------------------------------------------- failed opens

std::string listing(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name).join(u' ').toStdString();
}

std::string openError(const QString& dir, int busyTimeoutMs = 5000)
{
    Database db;
    Database::Options o;
    o.busyTimeoutMs = busyTimeoutMs;
    try {
        db.open(dir, o);
    } catch (const Error& e) {
        return e.what();
    }
    return "<opened>";
}

TEST(DatabaseOpen, FileThatIsNotADatabaseIsLeftAlone)
{
    QTemporaryDir dir;
    const QString file = QDir(dir.path()).filePath(QString::fromLatin1(Database::kFileName));
    const QByteArray junk = QByteArray("This is a letter, not a database.\n").repeated(200);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(junk);
    }
    const std::string message = openError(dir.path());
    EXPECT_NE(message.find("not an Orvanta database"), std::string::npos) << message;
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), junk);
    EXPECT_EQ(listing(dir.path()), std::string(Database::kFileName));
}

TEST(DatabaseOpen, DirectoryThatCannotBeWrittenCreatesNothing)
{
    // /sys refuses new files even to root, so this holds on the CI machine too.
    const QString dir = QStringLiteral("/sys");
    if (QFile(QDir(dir).filePath(QStringLiteral("probe"))).open(QIODevice::WriteOnly))
        GTEST_SKIP() << "/sys is writable here";
    const std::string before = listing(dir);
    const std::string message = openError(dir);
    EXPECT_NE(message.find("not writable"), std::string::npos) << message;
    EXPECT_EQ(listing(dir), before);
}

TEST(DatabaseOpen, MissingDirectoryIsNamed)
{
    const std::string message = openError(QStringLiteral("/nonexistent/orvanta/db"));
    EXPECT_NE(message.find("does not exist"), std::string::npos) << message;
}

TEST(DatabaseOpen, DatabaseLockedByAnotherProcess)
{
    QTemporaryDir dir;
    {
        Database db;
        db.open(dir.path());
        db.execute(R"(Insert into "award.db" (AwardCode) values ("A"))");
    }
    const QByteArray file = QDir(dir.path()).filePath(QString::fromLatin1(Database::kFileName)).toLocal8Bit();

    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Another program that holds the database for itself.
        sqlite3* h = nullptr;
        char ok = 'n';
        if (sqlite3_open(file.constData(), &h) == SQLITE_OK
            && sqlite3_exec(h, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; "
                               "UPDATE award SET AwardDesc='x';", nullptr, nullptr, nullptr) == SQLITE_OK)
            ok = 'y';
        (void)!write(ready[1], &ok, 1);
        char c;
        (void)!read(done[0], &c, 1);
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    const std::string before = listing(dir.path());
    const std::string message = openError(dir.path(), 200);
    char c = 'x';
    (void)!write(done[1], &c, 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_NE(message.find("locked by another program"), std::string::npos) << message;
    EXPECT_EQ(listing(dir.path()), before);
}

}  // namespace
