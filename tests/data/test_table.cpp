#include "data/database.h"
#include "data/error.h"
#include "data/table.h"
#include "support/tempdb.h"

#include <gtest/gtest.h>

using namespace orvanta;
using orvanta::test::TempDb;

namespace {

class TableTest : public ::testing::Test {
protected:
    void SetUp() override { db.open(tmp.path()); }

    static QString column(Table& t, QStringView field)
    {
        QStringList out;
        for (t.first(); !t.eof(); t.next())
            out << t.text(field);
        return out.join(u',');
    }

    TempDb tmp;
    Database db;
};

TEST_F(TableTest, OrdersByIndexFieldsOrNamedIndex)
{
    db.execute(R"(Insert into "Depart.db" (LocationCode, Description) values ("B", "Zoology"))");
    db.execute(R"(Insert into "Depart.db" (LocationCode, Description) values ("C", "Art"))");
    db.execute(R"(Insert into "Depart.db" (LocationCode, Description) values ("A", "Music"))");
    Table t(db, QStringLiteral("Depart.db"));
    t.setIndexFieldNames(QStringLiteral("LocationCode"));
    t.open();
    EXPECT_EQ(column(t, u"LocationCode"), QString("A,B,C"));
    t.setIndexName(QStringLiteral("DDescription"));
    EXPECT_EQ(column(t, u"Description"), QString("Art,Music,Zoology"));
    EXPECT_THROW(t.setIndexName(QStringLiteral("NoSuchIndex")), Error);
}

TEST_F(TableTest, FilterCallbackSwitchesOnAndOff)
{
    for (const char* code : {"1", "2", "3", "4"})
        db.execute(QStringLiteral("Insert into \"award.db\" (AwardCode) values (\"%1\")").arg(QLatin1String(code)));
    Table t(db, QStringLiteral("award.db"));
    t.setIndexFieldNames(QStringLiteral("AwardCode"));
    t.setOnFilterRecord([](const Record& r) { return r.text(u"AwardCode").toInt() % 2 == 0; });
    t.open();
    EXPECT_EQ(t.recordCount(), 4);
    t.setFiltered(true);
    EXPECT_EQ(column(t, u"AwardCode"), QString("2,4"));
    t.setFiltered(false);
    EXPECT_EQ(t.recordCount(), 4);
}

TEST_F(TableTest, ChangedRecordIsPostedBeforeMovingUnchangedOneDropped)
{
    db.execute(R"(Insert into "award.db" (AwardCode, AwardDesc) values ("A", "old"))");
    db.execute(R"(Insert into "award.db" (AwardCode, AwardDesc) values ("B", "old"))");
    Table t(db, QStringLiteral("award.db"));
    t.setIndexFieldNames(QStringLiteral("AwardCode"));
    t.open();
    t.setValue(u"AwardDesc", QStringLiteral("new"));   // starts editing A
    EXPECT_EQ(t.state(), Table::State::Edit);
    t.next();                                           // posts A
    EXPECT_EQ(t.state(), Table::State::Browse);
    t.edit();                                           // B, nothing typed
    t.prior();
    EXPECT_EQ(column(t, u"AwardDesc"), QString("new,old"));
}

TEST_F(TableTest, InsertAppendCancelDelete)
{
    Table t(db, QStringLiteral("award.db"));
    t.setIndexFieldNames(QStringLiteral("AwardCode"));
    int afterInsertRuns = 0;
    t.afterInsert = [&](Table& table) {
        ++afterInsertRuns;
        EXPECT_EQ(table.state(), Table::State::Insert);
        EXPECT_TRUE(table.isNull(u"AwardCode"));   // runs before any value is put in
    };
    t.open();
    EXPECT_THROW(t.remove(), Error);  // empty dataset

    t.edit();                          // editing an empty dataset starts a record
    EXPECT_EQ(t.state(), Table::State::Insert);
    t.setValue(u"AwardCode", QStringLiteral("B"));
    t.post();
    t.append();
    t.setValue(u"AwardCode", QStringLiteral("A"));
    t.post();
    t.insert();
    t.setValue(u"AwardCode", QStringLiteral("C"));
    t.cancel();
    EXPECT_EQ(afterInsertRuns, 3);
    EXPECT_EQ(column(t, u"AwardCode"), QString("A,B"));

    t.first();
    t.remove();
    EXPECT_EQ(column(t, u"AwardCode"), QString("B"));
}

TEST_F(TableTest, KeyViolationKeepsRecordInEditing)
{
    Table t(db, QStringLiteral("award.db"));
    t.open();
    t.append();
    t.setValue(u"AwardCode", QStringLiteral("A"));
    t.post();
    t.append();
    t.setValue(u"AwardCode", QStringLiteral("A"));
    try {
        t.post();
        FAIL() << "duplicate key stored";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("Key violation"), std::string::npos) << e.what();
    }
    EXPECT_EQ(t.state(), Table::State::Insert);
    t.cancel();
    EXPECT_EQ(t.recordCount(), 1);
}

TEST_F(TableTest, BlankTextIsNullAndTypedFieldsReadStrictly)
{
    Table t(db, QStringLiteral("Employee.db"));
    t.open();
    t.append();
    t.setValue(u"EmployeeID", QStringLiteral("1"));
    t.setValue(u"Name", QString());
    t.setValue(u"AnvDate", QStringLiteral("05/14/2001"));
    EXPECT_THROW(t.setValue(u"AnvDate", QStringLiteral("14/05/2001")), Error);
    t.post();
    EXPECT_TRUE(t.isNull(u"Name"));
    EXPECT_EQ(t.value(u"AnvDate").toDate(), QDate(2001, 5, 14));
    EXPECT_EQ(t.text(u"anvdate"), QString("05/14/2001"));

    Table d(db, QStringLiteral("Depart.db"));
    d.open();
    d.append();
    EXPECT_THROW(d.setValue(u"WorkLocCodeID", QStringLiteral("12x")), Error);
}

TEST_F(TableTest, AutoNumberedKeyIsFilledOnPost)
{
    Table t(db, QStringLiteral("billing.db"));
    t.open();
    QList<qlonglong> ids;
    for (const char* code : {"HQ", "-", "North"}) {
        t.append();
        EXPECT_TRUE(t.isNull(u"WorkLocCodeID"));
        t.setValue(u"WorkLocCode", QLatin1String(code));
        t.post();
        ids << t.value(u"WorkLocCodeID").toLongLong();
    }
    EXPECT_EQ(ids, (QList<qlonglong>{1, 2, 3}));
    EXPECT_THROW(t.setValue(u"WorkLocCodeID", 7), Error);
}

TEST_F(TableTest, DetailFollowsMasterAndPostsFirst)
{
    for (const char* id : {"1", "2"}) {
        db.execute(QStringLiteral("Insert into \"Employee.db\" (EmployeeID) values (\"%1\")").arg(QLatin1String(id)));
        db.execute(QStringLiteral("Insert into \"EmpAward.db\" (EmployeeID, AwardCode) values (\"%1\", \"A%1\")")
                       .arg(QLatin1String(id)));
    }
    Table emp(db, QStringLiteral("Employee.db"));
    emp.setIndexFieldNames(QStringLiteral("EmployeeID"));
    Table award(db, QStringLiteral("EmpAward.db"));
    award.setMasterLink(&emp, QStringLiteral("EmployeeID"), QStringLiteral("EmployeeID"));
    emp.open();
    award.open();
    EXPECT_EQ(award.recordCount(), 1);
    EXPECT_EQ(award.text(u"AwardCode"), QString("A1"));

    award.setValue(u"Comments", QStringLiteral("framed"));
    emp.next();                                   // the detail's change is stored first
    EXPECT_EQ(award.state(), Table::State::Browse);
    EXPECT_EQ(award.text(u"AwardCode"), QString("A2"));
    emp.first();
    EXPECT_EQ(award.text(u"Comments"), QString("framed"));

    // A new detail row takes the master's key.
    db.execute(R"(Insert into "Employee.db" (EmployeeID) values ("3"))");
    emp.last();
    EXPECT_TRUE(award.isEmpty());
    award.append();
    EXPECT_EQ(award.text(u"EmployeeID"), QString("3"));
}

TEST_F(TableTest, StatementOnTheTableRefreshesOpenDataset)
{
    Table t(db, QStringLiteral("award.db"));
    t.open();
    EXPECT_TRUE(t.isEmpty());
    db.execute(R"(Insert into "award.db" (AwardCode, AwardDesc) values ("A", "Pin"))");
    EXPECT_EQ(t.recordCount(), 1);
    EXPECT_EQ(t.text(u"AwardDesc"), QString("Pin"));
    db.execute(R"(Update "award.db" Set AwardDesc = "Watch" where AwardCode = "A")");
    EXPECT_EQ(t.text(u"AwardDesc"), QString("Watch"));
    db.execute(R"(Delete from "award.db")");
    EXPECT_TRUE(t.isEmpty());
}

}  // namespace
