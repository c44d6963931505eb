#pragma once

#include <QString>
#include <QVariantList>

namespace orvanta {

// The program writes its statements in the dialect of the desktop database it
// was first built for: table file names in double quotes ("Employee.db"),
// double-quoted text literals, EXTRACT(YEAR FROM x), month/day/year date
// literals. translateLocalSql turns one such statement into SQLite SQL:
//
//  - a quoted name in a table position (after FROM, JOIN, UPDATE, INTO, or a
//    comma of a FROM list) is the table, found without regard to case and with
//    or without its ".db" extension;
//  - every other quoted text and every number becomes a bound parameter (a
//    doubled quote inside is one quote), so no value can change what the
//    statement does, and statements of one shape share one prepared statement;
//    numbers of an ORDER BY or GROUP BY list stay literal, since there they
//    name result columns;
//  - an empty text literal binds NULL: blank fields are stored as NULL;
//  - EXTRACT(YEAR|MONTH|DAY FROM x) becomes an integer strftime;
//  - a text literal compared with or assigned to a date field becomes the ISO
//    date the database stores; one that is not a month/day/year date fails
//    with "'%s' is not a valid date";
//  - DELETE FROM "t" A gets the AS that SQLite needs before the alias.
//
// The result names are not changed here; the query layer names the second of
// two equal result names NAME_1.
struct TranslatedSql {
    enum class Kind { Select, Insert, Update, Delete, Other };

    QString sql;            // SQLite text with ? placeholders
    QVariantList params;    // one value per placeholder, in order
    Kind kind = Kind::Other;
    QString targetTable;    // the table an INSERT, UPDATE or DELETE writes
};

// A text value as the program's statements embed it: between double quotes,
// an embedded double quote doubled (read back as one quote), so the value
// can't end its literal early.
QString quotedText(const QString& value);

// Throws orvanta::Error for an unterminated literal, a second statement after
// ";" or a date literal that is not a date. Anything else is left for SQLite to
// accept or reject.
TranslatedSql translateLocalSql(const QString& statement);

}  // namespace orvanta
