#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace orvanta {

// The seven tables of the award database, defined once. Every other part of the
// program names tables and fields as they are written here; names match without
// regard to case, and table names may carry the ".db" extension of the
// original table files ("Employee.db", "employee.DB").

enum class FieldType {
    Text,     // TEXT
    Memo,     // long TEXT
    Integer,  // INTEGER
    Date,     // TEXT holding an ISO date YYYY-MM-DD
    AutoInc,  // INTEGER PRIMARY KEY AUTOINCREMENT, numbered when first stored
};

struct FieldDef {
    QString name;
    FieldType type;
};

// A named index: the order a dataset browses in when it is opened by index name.
struct IndexDef {
    QString name;
    QStringList fields;
};

struct TableDef {
    QString name;                 // SQLite table name, e.g. "Employee"
    std::vector<FieldDef> fields; // in schema order
    QString key;                  // key field; empty for the settings table
    std::vector<IndexDef> indexes;

    int fieldIndex(QStringView fieldName) const;  // -1 when unknown
    const FieldDef* field(QStringView fieldName) const;
    QString fileName() const { return name + QStringLiteral(".db"); }
};

namespace schema {

constexpr int kVersion = 1;  // PRAGMA user_version of a database this build created

const std::vector<TableDef>& tables();

// Finds a table by its name with or without the ".db" extension, in any case.
const TableDef* findTable(QStringView name);

// Strips a trailing ".db" (any case) from a table file name.
QString stripDbExtension(QStringView name);

// True when some table has a date field of this name (any case).
bool isDateField(QStringView fieldName);

// The statements that create every table and index of a new database.
QStringList createStatements();

// The settings table's fields in their defined order (for listing the settings).
const TableDef& settingsTable();

}  // namespace schema
}  // namespace orvanta
