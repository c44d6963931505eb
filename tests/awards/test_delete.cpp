#include "awards/deleteperiod.h"
#include "awardsdb.h"
#include "data/error.h"
#include "data/progress.h"

#include <gtest/gtest.h>

using namespace orvanta;
using namespace orvanta::test;

namespace {

TEST(DeleteStatements, TheThreePairs)
{
    const QString years = MilestoneYears(1999);
    DeleteStatements all = deleteStatements(true, years, "");
    EXPECT_EQ(all.awardRecords, (QStringList{"DELETE", R"(FROM "EmpAward.db")"}));
    EXPECT_EQ(all.employees, (QStringList{"DELETE", R"(FROM "Employee.db")"}));

    DeleteStatements whole = deleteStatements(false, years, "0");
    EXPECT_EQ(whole.awardRecords,
              (QStringList{"DELETE", R"(FROM "EmpAward.db" A)",
                           R"(WHERE EmployeeID IN(Select EmployeeID from "Employee.db" E)", "WHERE",
                           "(Extract(YEAR FROM E.AnvDate) IN (1994,1989,1984,1979,1974,1969,1964,1959)))"}));
    EXPECT_EQ(whole.employees, (QStringList{"DELETE", R"(FROM "Employee.db")", "WHERE",
                                            "(Extract(YEAR FROM AnvDate) IN (1994,1989,1984,1979,1974,1969,1964,1959))"}));

    DeleteStatements march = deleteStatements(false, years, "3");
    EXPECT_EQ(march.awardRecords.mid(4),
              (QStringList{"(Extract(YEAR FROM E.AnvDate) IN (1994,1989,1984,1979,1974,1969,1964,1959)) And",
                           "(Extract(MONTH FROM E.AnvDate) = 3))"}));
    EXPECT_EQ(march.employees.mid(3),
              (QStringList{"(Extract(YEAR FROM AnvDate) IN (1994,1989,1984,1979,1974,1969,1964,1959)) And",
                           "(Extract(MONTH FROM AnvDate) = 3)"}));
}

// Milestone years of 1999 in both location types, March and other months; years
// that are no milestones and an employee without a date; an award record for
// every employee and one without an employee.
std::unique_ptr<AwardsDb> deleteFixture()
{
    auto db = std::make_unique<AwardsDb>();
    db->locationType("A", "Alpha");
    db->locationType("B", "Beta");
    db->department("D1", "A");
    db->department("D2", "B");
    db->employee("E1994Mar", QDate(1994, 3, 1), "D1");
    db->employee("E1959Mar", QDate(1959, 3, 31), "D2");
    db->employee("E1979Jun", QDate(1979, 6, 15), "D1");
    db->employee("E1964Dec", QDate(1964, 12, 31), "D2");
    db->employee("E1997Mar", QDate(1997, 3, 1), "D1");
    db->employee("E1954Mar", QDate(1954, 3, 1), "D1");
    db->employee("ENoDate", QDate(), "D1");
    for (const QString& id : db->employeeIds())
        db->awardRecord(id);
    db->awardRecord("Orphan");
    return db;
}

DeleteResult run(AwardsDb& db, const QString& month, const QString& year, bool all = false,
                 RequestProgress* p = nullptr)
{
    DeleteRequest r;
    r.monthText = month;
    r.awardYearText = year;
    r.deleteAllData = all;
    return runDelete(r, *db.dm, p);
}

class DeleteTest : public ::testing::Test {
protected:
    DeleteResult run(const QString& month, const QString& year, bool all = false, RequestProgress* p = nullptr)
    {
        return ::run(*fixture, month, year, all, p);
    }

    std::unique_ptr<AwardsDb> fixture = deleteFixture();
    AwardsDb& db = *fixture;
};

TEST(DeletePeriod, RemovesTheEmployeesWithTheirAwardRecords)
{
    const struct {
        const char* month;
        const char* remaining;  // employees and award records alike, plus the orphan award record
        int removed;
    } cases[] = {
        {"Whole Year", "E1954Mar E1997Mar ENoDate", 4},
        {"March", "E1954Mar E1964Dec E1979Jun E1997Mar ENoDate", 2},
        {"December", "E1954Mar E1959Mar E1979Jun E1994Mar E1997Mar ENoDate", 1},
        {"January", "E1954Mar E1959Mar E1964Dec E1979Jun E1994Mar E1997Mar ENoDate", 0},
    };
    for (const auto& c : cases) {
        auto db = deleteFixture();
        const DeleteResult r = run(*db, QString::fromLatin1(c.month), "1999");
        EXPECT_EQ(db->employeeIds().join(u' '), QString::fromLatin1(c.remaining)) << c.month;
        EXPECT_EQ(db->awardIds().join(u' '), QString::fromLatin1(c.remaining) + " Orphan") << c.month;
        EXPECT_EQ(r.employees, c.removed) << c.month;
        EXPECT_EQ(r.awardRecords, c.removed) << c.month;
        EXPECT_FALSE(db->dm->EmployeeQuery.isOpen());
    }
}

TEST_F(DeleteTest, DeleteAllDataEmptiesBothTablesWhateverTheMonth)
{
    const DeleteResult r = run("not a month", "1999", true);
    EXPECT_EQ(db.employeeIds(), QStringList());
    EXPECT_EQ(db.awardIds(), QStringList());
    EXPECT_EQ(r.employees, 7);
    EXPECT_EQ(r.awardRecords, 8);
}

TEST_F(DeleteTest, BadInputDeletesNothing)
{
    const QStringList employees = db.employeeIds();
    const QStringList awards = db.awardIds();
    const struct {
        const char* month;
        const char* year;
        bool all;
        const char* message;  // start of the error text
    } cases[] = {
        {"Whole Year", "", true, "'' is not a valid integer value"},  // the year is read also for all data
        {"Whole Year", "abc", false, "'abc' is not a valid integer value"},
        {"February", "1999", false, "near \")\": syntax error"},
    };
    for (const auto& c : cases) {
        struct Recorder : RequestProgress {
            void started(const QString&) override { ++starts; }
            void finished() override { ++ends; }
            int starts = 0, ends = 0;
        } progress;
        try {
            run(QString::fromLatin1(c.month), QString::fromLatin1(c.year), c.all, &progress);
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
        }
        EXPECT_EQ(db.employeeIds(), employees) << c.message;
        EXPECT_EQ(db.awardIds(), awards) << c.message;
        // A bad year stops before the animation; an engine error after it, which ends it again.
        EXPECT_EQ(progress.starts, progress.ends);
    }
}

TEST_F(DeleteTest, FailingEmployeeDeleteRestoresTheAwardRecords)
{
    // The employee table refuses deletes, so the second statement fails after
    // the first removed the award records.
    db.dm->MasterDatabase.executeNative(
        "CREATE TRIGGER keep BEFORE DELETE ON Employee BEGIN SELECT RAISE(ABORT, 'employees are locked'); END");
    const QStringList awards = db.awardIds();
    for (bool all : {false, true}) {
        try {
            run("Whole Year", "1999", all);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "employees are locked");
        }
        EXPECT_EQ(db.awardIds(), awards) << all;
        EXPECT_EQ(db.employeeIds().size(), 7) << all;
        EXPECT_FALSE(db.dm->MasterDatabase.inTransaction());
    }
    // The tables' datasets see the restored rows.
    db.dm->EmpAwardTable.setMasterLink(nullptr, QString(), QString());
    EXPECT_EQ(db.dm->EmpAwardTable.recordCount(), 8);
}

}  // namespace
