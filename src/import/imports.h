#pragma once

#include "import/fields.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QString>
#include <array>
#include <vector>

namespace orvanta {

class RequestProgress;
struct EmployeeTexts;
class TDataModule2;

// The employee data import: every record of the personnel system's employee
// file updates the employee of the same EmployeeID or adds a new one (with its
// award record), then updates or adds the employee's department.
//
// The run writes in transactions that are committed every few thousand
// records, at the end, and before an error is reported: a failing record
// leaves nothing behind and every record before it is stored. A run that is
// killed leaves a prefix of the records.
class EmployeeImport {
public:
    explicit EmployeeImport(TDataModule2& dm) : dm_(dm) {}

    // The whole run (reads the settings record, then the file). Returns
    // whether the file was there; a missing file changes nothing. Throws
    // orvanta::Error at the first record that fails.
    bool run(RequestProgress* progress = nullptr);

    // Upsert of one employee by the fields of one line.
    void ImportEmployee(const EmployeeFields& f);
    // Upsert of one department.
    void ImportDepartment(const QString& departmentId, const QString& description, const QString& shortDescription);

    bool NewDepartmentsAdded = false;
    long long recordsImported = 0;

    // Rewrites a service date as the update path reads it: "-" becomes "/",
    // and a leading four-digit year moves to the end (2001-05-14 -> 05/14/2001).
    static QString normaliseServiceDate(const QString& text);

private:
    void loadKnownEmployees();
    void importEmployee(const EmployeeTexts& f);
    void updateEmployee(const EmployeeTexts& f, const QString& id, const QDate& anvDate);
    void insertEmployee(const EmployeeTexts& f, const QString& id, const QDate& anvDate);

    TDataModule2& dm_;
    QString defaultLocation_;
    QSet<QString> knownIds_;               // EmployeeIDs in the table
    std::vector<QString> addedThisBatch_;  // added by the open transaction
    std::array<int, 20> fieldIndex_{};     // Employee.db fields, in the order rows are filled
    std::array<int, 20> selectIndex_{};    // the same fields in the look-up's result
    // Departments this run has already written, with the descriptions it
    // wrote: the same department with the same texts needs no statement.
    QHash<QString, std::pair<QString, QString>> departmentsWritten_;
};

// The award catalogue import: deletes the whole catalogue, then adds the
// records of the award file. Returns whether the file was there.
class AwardImport {
public:
    explicit AwardImport(TDataModule2& dm) : dm_(dm) {}
    bool run(RequestProgress* progress = nullptr);
    long long recordsImported = 0;

private:
    TDataModule2& dm_;
};


}  // namespace orvanta
