#include "data/datamodule.h"
#include "data/error.h"
#include "support/tempdb.h"

#include <gtest/gtest.h>

using namespace orvanta;
using orvanta::test::TempDb;

namespace {

class DataModuleTest : public ::testing::Test {
protected:
    void SetUp() override { dm = tmp.module(); }

    QStringList visible(Table& t, QStringView field)
    {
        QStringList out;
        for (t.first(); !t.eof(); t.next())
            out << t.text(field);
        return out;
    }

    void sql(const QString& s) { dm->MasterDatabase.execute(s); }

    TempDb tmp;
    std::unique_ptr<TDataModule2> dm;
};

TEST_F(DataModuleTest, StartsWithItsValuesAndNoFilter)
{
    EXPECT_EQ(dm->DepartmentFilter, QString("Test"));
    EXPECT_FALSE(dm->DepartmentFilterByCode);
    EXPECT_TRUE(dm->EmployeeNameFilter.isEmpty());
    EXPECT_TRUE(dm->LocationFilter.isEmpty());
    EXPECT_EQ(dm->DefaultWorkLocCodeID, -1);
    EXPECT_EQ(dm->DefaultBillingLocCodeID, -1);
    for (Table* t : {&dm->AwardTable, &dm->LocationTable, &dm->DepartmentTable, &dm->SettingsTable,
                     &dm->EmployeeTable, &dm->EmpAwardTable, &dm->BillingTable}) {
        EXPECT_TRUE(t->active());
        EXPECT_FALSE(t->filtered());
    }
    EXPECT_EQ(dm->EmployeeQuery.text(), QString("Select * from \"employee.db\""));
}

TEST_F(DataModuleTest, EmployeeNameFilterIsCaseBlindSubstring)
{
    int id = 0;
    for (const char* name : {"Smith, John", "Mitchell, Ann", "Jones, Amy", "SMIT\xc3\xa9, Zo\xc3\xab"})
        sql(QStringLiteral("Insert into \"Employee.db\" (EmployeeID, Name) values (\"%1\", \"%2\")")
                .arg(++id)
                .arg(QString::fromUtf8(name)));
    sql(R"(Insert into "Employee.db" (EmployeeID) values ("9"))");  // blank name
    dm->EmployeeNameFilter = QStringLiteral("mit");
    dm->EmployeeTable.setFiltered(true);
    EXPECT_EQ(visible(dm->EmployeeTable, u"Name").join(u'|'),
              QString::fromUtf8("Smith, John|Mitchell, Ann|SMIT\xc3\xa9, Zo\xc3\xab"));
    // Only a to z are folded: an accented capital does not match its small letter.
    dm->EmployeeNameFilter = QString::fromUtf8("\xc3\x89");
    dm->EmployeeTable.setFiltered(false);
    dm->EmployeeTable.setFiltered(true);
    EXPECT_TRUE(visible(dm->EmployeeTable, u"Name").isEmpty());
    dm->EmployeeNameFilter.clear();
    dm->EmployeeTable.refresh();
    EXPECT_EQ(dm->EmployeeTable.recordCount(), 5);
}

TEST_F(DataModuleTest, DepartmentFilterComparesTypeOrCodeExactly)
{
    sql(R"(Insert into "Depart.db" (LocationCode, Description, LocationType) values ("D1", "A", "Test"))");
    sql(R"(Insert into "Depart.db" (LocationCode, Description, LocationType) values ("D2", "B", "test"))");
    sql(R"(Insert into "Depart.db" (LocationCode, Description, LocationType) values ("D3", "C", "Testing"))");
    sql(R"(Insert into "Depart.db" (LocationCode, Description) values ("Test", "D"))");
    dm->DepartmentTable.setFiltered(true);
    EXPECT_EQ(visible(dm->DepartmentTable, u"LocationCode"), QStringList{"D1"});
    dm->DepartmentFilterByCode = true;
    dm->DepartmentTable.refresh();
    EXPECT_EQ(visible(dm->DepartmentTable, u"LocationCode"), QStringList{"Test"});
    dm->DepartmentFilter.clear();
    dm->DepartmentTable.refresh();
    EXPECT_EQ(dm->DepartmentTable.recordCount(), 4);
}

TEST_F(DataModuleTest, LocationFilterEmptyShowsAll)
{
    sql(R"(Insert into "Location.db" (LocationType, Description) values ("A", "Campus"))");
    sql(R"(Insert into "Location.db" (LocationType, Description) values ("B", "Hospital"))");
    dm->LocationTable.setFiltered(true);
    EXPECT_EQ(dm->LocationTable.recordCount(), 2);
    dm->LocationFilter = QStringLiteral("B");
    dm->LocationTable.refresh();
    EXPECT_EQ(visible(dm->LocationTable, u"Description"), QStringList{"Hospital"});
}

TEST_F(DataModuleTest, NewRowsTakeTheDefaultsOfTheLastLoad)
{
    dm->LoadDefaults();  // no settings record: nothing set
    EXPECT_EQ(dm->DefaultBillingLocCodeID, -1);
    sql(R"(Insert into "settings.db" (BillingLocCodeID, CustomerCode) values (4, "CUST"))");
    dm->LoadDefaults();
    EXPECT_EQ(dm->DefaultBillingLocCodeID, 4);
    EXPECT_EQ(dm->DefaultWorkLocCodeID, -1);
    EXPECT_EQ(dm->DefaultCustomerCode, QString("CUST"));
    EXPECT_TRUE(dm->DefaultAdministrativeCode.isEmpty());

    Table& d = dm->DepartmentTable;
    d.append();
    EXPECT_TRUE(d.isNull(u"WorkLocCodeID"));            // blank setting: none given
    EXPECT_EQ(d.value(u"BillingLocCodeID").toInt(), 4);
    d.setValue(u"LocationCode", QStringLiteral("D1"));
    d.post();

    sql(R"(Update "settings.db" Set BillingLocCodeID = 9, WorkLocCodeID = 2)");
    dm->LoadDefaults();
    for (Table* t : {&dm->DepartmentTable, &dm->LocationTable}) {
        t->insert();
        EXPECT_EQ(t->value(u"BillingLocCodeID").toInt(), 9);
        EXPECT_EQ(t->value(u"WorkLocCodeID").toInt(), 2);
        t->cancel();
    }
}

TEST(DataModuleCreate, UnopenableDatabaseFailsWithReason)
{
    try {
        TDataModule2 dm(QStringLiteral("/nonexistent/dir"));
        FAIL() << "opened";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/dir"), std::string::npos) << e.what();
    }
}

}  // namespace
