#pragma once

#include "data/database.h"
#include "data/datasource.h"
#include "data/query.h"
#include "data/table.h"

#include <QObject>
#include <QString>

namespace orvanta {

// The one shared data module: the connection, a dataset and a data source per
// table, the four statement objects, the filter values that restrict three of
// the tables, and the default codes read from the settings record. Created
// once at start (after the main window) and kept for the whole run; every
// form, report, import and request works on these objects.
class TDataModule2 : public QObject {
    Q_OBJECT
public:
    // DataModule2Create: connects to the database in `databaseDirectory` (the
    // directory of the alias Awards) and opens all seven tables. Throws
    // orvanta::Error with the reason when the database or a table can't be
    // opened; the caller reports it and ends the program.
    explicit TDataModule2(const QString& databaseDirectory, QObject* parent = nullptr);
    TDataModule2(const QString& databaseDirectory, const Database::Options& options, QObject* parent = nullptr);
    ~TDataModule2() override;

    // Reloads the four default values from the settings record.
    void LoadDefaults();

    // The engine's password callback. The database has no table passwords, so
    // there is none to hand over: answers "don't retry", and an unreadable or
    // encrypted file fails the open.
    bool Password();

    // Record filters (asked per record while the table is filtered).
    bool EmployeeTableFilterRecord(const Record& record) const;
    bool DepartmentTableFilterRecord(const Record& record) const;
    bool LocationTableFilterRecord(const Record& record) const;

    // After-insert handlers: a new department or location type starts with the
    // default address codes.
    void LocationTableAfterInsert(Table& table);
    void DepartmentTableAfterInsert(Table& table);

    Database MasterDatabase;

    Table AwardTable;
    Table LocationTable;
    Table DepartmentTable;
    Table SettingsTable;
    Table EmployeeTable;
    Table EmpAwardTable;
    Table BillingTable;

    DataSource AwardSource;
    DataSource LocationSource;
    DataSource DepartmentSource;
    DataSource SettingsSource;
    DataSource EmployeeSource;
    DataSource EmpAwardSource;
    DataSource BillingSource;

    Query EmployeeQuery;
    Query DepartmentQuery;
    Query AwardQuery;
    Query LocationQuery;

    QString EmployeeNameFilter;
    QString DepartmentFilter = QStringLiteral("Test");
    bool DepartmentFilterByCode = false;
    QString LocationFilter;
    int DefaultWorkLocCodeID = -1;
    int DefaultBillingLocCodeID = -1;
    QString DefaultAdministrativeCode;
    QString DefaultCustomerCode;

private:
    void DataModule2Create(const QString& databaseDirectory, const Database::Options& options);
};

// Letters a to z in capitals; every other character as it is.
QString upperAscii(const QString& text);

}  // namespace orvanta
