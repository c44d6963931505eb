#pragma once

#include "data/database.h"

#include <QStringList>
#include <QVariant>
#include <vector>

namespace orvanta {

// A statement object in the manner of the original program: its text is held
// as lines (clear, add), then it is opened (a select) or executed (anything
// else). An open select is read forward from its first row; first() starts
// over. Result columns are found by name without regard to case; where two
// columns share a name, the second is named NAME_1 (the third NAME_2, ...).
// Columns that come straight from a date field hand out QDate values.
class Query {
public:
    explicit Query(Database& db) : db_(db) {}

    QStringList& sql() { return lines_; }
    void clear() { lines_.clear(); }
    void add(const QString& line) { lines_.append(line); }
    QString text() const { return lines_.join(u'\n'); }

    void open();       // runs a select; throws the engine's error text
    int execSQL();     // runs any other statement; returns the rows it changed
    void close();
    bool isOpen() const { return open_; }

    bool eof() const { return eof_; }
    bool isEmpty() const { return open_ && empty_; }
    void first();
    void next();
    int recordCount();      // counts the rows of the select (runs it once more)

    int fieldCount() const { return cols_ ? int(cols_->names.size()) : 0; }
    QString fieldName(int i) const { return cols_->names[size_t(i)]; }
    int fieldIndex(QStringView name) const;   // -1 when not in the result
    QVariant value(int i) const;
    QVariant value(QStringView name) const;   // throws for an unknown column
    bool isNull(QStringView name) const { return value(name).isNull(); }
    // The value as text: dates as mm/dd/yyyy, null as empty.
    QString text(QStringView name) const;
    QString text(int i) const;
    // A column of the current row as the UTF-8 text the database holds (dates
    // as ISO text), without converting it; valid until the query moves on.
    // Null (also past the last row) gives a null view.
    QByteArrayView utf8(int i) const;

private:
    void runSelect();
    void readRow();

    Database& db_;
    QStringList lines_;
    TranslatedSql translated_;
    StatementLease stmt_;
    bool open_ = false;
    bool eof_ = true;
    bool empty_ = true;
    bool atFirst_ = false;  // on the first row, nothing read past it
    const ResultColumns* cols_ = nullptr;  // of the open statement
};

}  // namespace orvanta
