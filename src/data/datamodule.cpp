#include "data/datamodule.h"

#include "data/error.h"

namespace orvanta {

QString upperAscii(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    return out;
}

TDataModule2::TDataModule2(const QString& databaseDirectory, QObject* parent)
    : TDataModule2(databaseDirectory, Database::Options(), parent)
{
}

TDataModule2::TDataModule2(const QString& databaseDirectory, const Database::Options& options, QObject* parent)
    : QObject(parent),
      AwardTable(MasterDatabase, QStringLiteral("award.db")),
      LocationTable(MasterDatabase, QStringLiteral("Location.db")),
      DepartmentTable(MasterDatabase, QStringLiteral("Depart.db")),
      SettingsTable(MasterDatabase, QStringLiteral("settings.db")),
      EmployeeTable(MasterDatabase, QStringLiteral("Employee.DB")),
      EmpAwardTable(MasterDatabase, QStringLiteral("EmpAward.db")),
      BillingTable(MasterDatabase, QStringLiteral("billing.db")),
      AwardSource(&AwardTable),
      LocationSource(&LocationTable),
      DepartmentSource(&DepartmentTable),
      SettingsSource(&SettingsTable),
      EmployeeSource(&EmployeeTable),
      EmpAwardSource(&EmpAwardTable),
      BillingSource(&BillingTable),
      EmployeeQuery(MasterDatabase),
      DepartmentQuery(MasterDatabase),
      AwardQuery(MasterDatabase),
      LocationQuery(MasterDatabase)
{
    EmployeeQuery.add(QStringLiteral("Select * from \"employee.db\""));
    DataModule2Create(databaseDirectory, options);
}

TDataModule2::~TDataModule2() = default;

void TDataModule2::DataModule2Create(const QString& databaseDirectory, const Database::Options& options)
{
    MasterDatabase.passwordCallback = [this] { return Password(); };

    AwardTable.setIndexFieldNames(QStringLiteral("AwardCode"));
    LocationTable.setIndexName(QStringLiteral("LDescription"));
    LocationTable.setOnFilterRecord([this](const Record& r) { return LocationTableFilterRecord(r); });
    LocationTable.afterInsert = [this](Table& t) { LocationTableAfterInsert(t); };
    DepartmentTable.setIndexName(QStringLiteral("DDescription"));
    DepartmentTable.setOnFilterRecord([this](const Record& r) { return DepartmentTableFilterRecord(r); });
    DepartmentTable.afterInsert = [this](Table& t) { DepartmentTableAfterInsert(t); };
    EmployeeTable.setIndexFieldNames(QStringLiteral("EmployeeID"));
    EmployeeTable.setOnFilterRecord([this](const Record& r) { return EmployeeTableFilterRecord(r); });
    EmpAwardTable.setIndexFieldNames(QStringLiteral("EmployeeID"));
    EmpAwardTable.setMasterLink(&EmployeeTable, QStringLiteral("EmployeeID"), QStringLiteral("EmployeeID"));
    BillingTable.setIndexName(QStringLiteral("CodeDescription"));

    MasterDatabase.open(databaseDirectory, options);
    for (Table* t : {&AwardTable, &LocationTable, &DepartmentTable, &SettingsTable, &EmployeeTable,
                     &EmpAwardTable, &BillingTable})
        t->open();

    EmployeeNameFilter.clear();
    DepartmentFilterByCode = false;
    DepartmentFilter = QStringLiteral("Test");
    LocationFilter.clear();
    LocationTable.setFiltered(false);
}

void TDataModule2::LoadDefaults()
{
    DefaultWorkLocCodeID = -1;
    DefaultBillingLocCodeID = -1;
    DefaultAdministrativeCode.clear();
    DefaultCustomerCode.clear();
    if (SettingsTable.state() == Table::State::Browse)
        SettingsTable.markStale();
    const Record& s = SettingsTable.current();
    if (!s.isNull(u"BillingLocCodeID"))
        DefaultBillingLocCodeID = s.value(u"BillingLocCodeID").toInt();
    if (!s.isNull(u"WorkLocCodeID"))
        DefaultWorkLocCodeID = s.value(u"WorkLocCodeID").toInt();
    if (!s.isNull(u"AdministrativeCode"))
        DefaultAdministrativeCode = s.text(u"AdministrativeCode");
    if (!s.isNull(u"CustomerCode"))
        DefaultCustomerCode = s.text(u"CustomerCode");
}

bool TDataModule2::Password()
{
    return false;
}

bool TDataModule2::EmployeeTableFilterRecord(const Record& record) const
{
    if (EmployeeNameFilter.isEmpty())
        return true;
    if (record.isNull(u"Name"))
        return false;
    return upperAscii(record.text(u"Name")).contains(upperAscii(EmployeeNameFilter));
}

bool TDataModule2::DepartmentTableFilterRecord(const Record& record) const
{
    if (DepartmentFilter.isEmpty())
        return true;
    const QStringView field = DepartmentFilterByCode ? u"LocationCode" : u"LocationType";
    if (record.isNull(field))
        return false;
    return record.text(field) == DepartmentFilter;
}

bool TDataModule2::LocationTableFilterRecord(const Record& record) const
{
    if (LocationFilter.isEmpty())
        return true;
    return !record.isNull(u"LocationType") && record.text(u"LocationType") == LocationFilter;
}

void TDataModule2::LocationTableAfterInsert(Table& table)
{
    if (DefaultWorkLocCodeID != -1)
        table.setValue(u"WorkLocCodeID", DefaultWorkLocCodeID);
    if (DefaultBillingLocCodeID != -1)
        table.setValue(u"BillingLocCodeID", DefaultBillingLocCodeID);
}

void TDataModule2::DepartmentTableAfterInsert(Table& table)
{
    LocationTableAfterInsert(table);
}

}  // namespace orvanta
