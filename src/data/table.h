#pragma once

#include "data/schema.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>
#include <vector>

namespace orvanta {

class Database;

// One row of a table in the form the database stores it: texts as QString,
// integers as qlonglong, dates as ISO text, blanks as null. Field access is by
// name without regard to case; value() hands dates out as QDate.
class Record {
public:
    Record() = default;
    explicit Record(const TableDef* def);

    const TableDef* def() const { return def_; }
    int indexOf(QStringView field) const;         // throws for an unknown field
    QVariant value(QStringView field) const;
    QVariant valueAt(int index) const;
    bool isNull(QStringView field) const;
    // The field as the user sees it: dates as mm/dd/yyyy, null as empty.
    QString text(QStringView field) const;

    QVector<QVariant> values;  // storage form, schema order

private:
    const TableDef* def_ = nullptr;
};

// A dataset over one table, in the spirit of a desktop database's table
// component: opened by table name in an order (index fields or a named
// index), with a current record, browse/edit/insert states, an optional
// per-record filter, an after-insert event and an optional master link.
//
// Rows are held as a list of rowids in order, read when first needed after a
// change (statements on the database that change this table mark it stale), and
// the current record is fetched by rowid. Bulk writers such as the imports that
// only insert therefore never make it read the whole table.
//
// Invariants:
//  - In Edit and Insert state the buffer holds the record being edited;
//    moving to another record first stores a changed buffer (post) or drops
//    an unchanged one (cancel).
//  - A detail table stores its pending change before its master moves, and
//    shows only the rows whose detail field equals the master's field.
class Table : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    using FilterFn = std::function<bool(const Record&)>;

    Table(Database& db, const QString& tableName, QObject* parent = nullptr);
    ~Table() override;

    QString tableName() const { return def_->name; }
    const TableDef& def() const { return *def_; }
    Database& database() const { return db_; }

    // Order: "EmployeeID" or "Name;EmployeeID" ...
    void setIndexFieldNames(const QString& fields);
    // ... or the fields of a named index such as "DDescription".
    void setIndexName(const QString& indexName);

    void setOnFilterRecord(FilterFn fn);
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }

    void setMasterLink(Table* master, const QString& masterField, const QString& detailField);

    // Runs after insert() or append() has started a new record, before any
    // value is put in.
    std::function<void(Table&)> afterInsert;

    void open();
    void close();
    bool active() const { return state_ != State::Inactive; }
    void refresh();      // read the rows again on next use
    void markStale();    // the table was changed behind this dataset's back

    // Navigation. eof() is true after next() ran past the last record or on
    // an empty dataset; bof() likewise before the first.
    void first();
    void last();
    void next();
    void prior();
    bool moveTo(int index);    // 0-based
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool isEmpty();
    int recordCount();
    int recNo();               // 0-based index of the current record, -1 when none
    bool locate(QStringView field, const QVariant& value);

    // The current record (the edit buffer in Edit and Insert state).
    const Record& current();
    QVariant value(QStringView field) { return current().value(field); }
    bool isNull(QStringView field) { return current().isNull(field); }
    QString text(QStringView field) { return current().text(field); }

    // Writes a field of the current record; in Browse state this starts
    // editing. Empty texts become null; texts for date and integer fields are
    // read strictly ("'%s' is not a valid date", "... integer value").
    void setValue(QStringView field, const QVariant& value);
    // The same by field position (schema order), for loops that write many rows.
    void setValueAt(int index, const QVariant& value);
    int fieldIndex(QStringView field) const;  // throws for an unknown field

    void insert();
    void append();
    void edit();     // on an empty dataset: starts a new record
    void post();
    void cancel();
    void remove();   // error on an empty dataset
    State state() const { return state_; }
    bool modified() const { return modified_; }

    // A row by position without moving the current record (for grids).
    Record rowAt(int index);

signals:
    void dataChanged();      // rows may have been added, removed or changed
    void currentChanged();   // the current record moved
    void stateChanged();
    void fieldChanged(const QString& field);

private:
    void requireActive() const;
    void ensureLoaded();
    Record fetch(qint64 rowid) const;
    QString orderClause() const;
    void beforeMove();       // post or drop pending edits, also of details
    void afterMove();
    void startRecord();
    void setState(State s);
    QVariant masterValue() const;  // the master's link field, null without a master row
    QVariant toStorage(const FieldDef& f, const QVariant& v) const;
    [[noreturn]] void throwPostError(const QString& engineText) const;

    Database& db_;
    const TableDef* def_;
    QStringList order_;
    FilterFn filter_;
    bool filtered_ = false;

    Table* master_ = nullptr;
    QString masterField_;
    QString detailField_;
    std::vector<Table*> details_;

    State state_ = State::Inactive;
    bool loaded_ = false;
    std::vector<qint64> rowids_;
    int cur_ = -1;
    qint64 curRowid_ = 0;
    bool eof_ = true;
    bool bof_ = true;

    Record buffer_;
    bool bufferValid_ = false;
    bool modified_ = false;

    struct Statements {
        QString columns;  // every field, quoted, in schema order
        QString fetch, insert, update;
    } sql_;
};

}  // namespace orvanta
