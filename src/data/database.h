#pragma once

#include "data/localsql.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace orvanta {

class Table;

// The alias registry: names a database directory by an alias. Kept in
// QSettings("Orvanta", "engine"), group "Aliases"; a relative path resolves
// against the working directory.
class AliasRegistry {
public:
    AliasRegistry();                                  // the user's registry
    explicit AliasRegistry(const QString& iniFile);   // a registry file of its own (tests)

    bool contains(const QString& alias) const;
    QString path(const QString& alias) const;          // as stored; empty when unknown
    void add(const QString& alias, const QString& path);
    QString resolve(const QString& alias) const;       // absolute directory of the alias

private:
    QString iniFile_;
};

// The result columns of a prepared statement, worked out once: their names
// (the second of two equal names gets "_1", the third "_2", ...) and which of
// them come straight from a date field.
struct ResultColumns {
    std::vector<QString> names;
    std::vector<bool> isDate;
    int indexOf(QStringView name) const;   // without regard to case; -1 when absent
};

// A prepared SQLite statement on the connection of the Qt SQLite driver. The
// statement cache keeps these by their SQL text and lends them out; values
// are bound and read straight through the SQLite C API, texts as UTF-8.
class Statement {
public:
    Statement(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds the values and runs the statement up to its first row (or to its
    // end). Throws orvanta::Error with the engine's text on failure.
    void execute(const QVariantList& params);
    bool next();                       // moves to the next row; false at the end
    QVariant value(int column) const;  // of the current row
    // The value of a column of the current row as UTF-8 text, without a copy;
    // valid until the statement moves on. Null gives a null view.
    QByteArrayView utf8(int column) const;
    int columnCount() const;
    const ResultColumns& columns();
    int numRowsAffected() const { return changes_; }
    qint64 lastInsertId() const { return lastInsertId_; }
    void finish();                     // resets, so that the statement holds no lock

private:
    bool step();

    sqlite3* db_;
    sqlite3_stmt* stmt_;
    bool pendingRow_ = false;
    bool hasRow_ = false;
    int changes_ = 0;
    qint64 lastInsertId_ = 0;
    std::unique_ptr<ResultColumns> columns_;
    std::vector<QByteArray> texts_;  // bound texts, kept until the next run
};

// A statement lent out by the statement cache; returned when the lease ends.
class StatementLease {
public:
    StatementLease() = default;
    StatementLease(StatementLease&&) noexcept;
    StatementLease& operator=(StatementLease&&) noexcept;
    ~StatementLease();

    Statement* get() const { return stmt_; }
    Statement* operator->() const { return stmt_; }
    explicit operator bool() const { return stmt_ != nullptr; }
    void reset();

private:
    friend class Database;
    struct Slot;
    StatementLease(Slot* slot, Statement* s) : slot_(slot), stmt_(s) {}
    Slot* slot_ = nullptr;
    Statement* stmt_ = nullptr;
};

// The connection to the award database: the SQLite file awards.sqlite3 in one
// directory, created with every table when it is new. Statements in the
// program's own dialect are translated (localsql.h), prepared once per shape
// and cached. Tables opened on the database are told when a statement changes
// their table.
class Database : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kFileName = "awards.sqlite3";

    struct Options {
        int busyTimeoutMs = 5000;
        bool createIfMissing = true;
    };

    explicit Database(QObject* parent = nullptr);
    ~Database() override;

    // Whether the SQLite engine can be loaded at all.
    static bool probeEngine(QString* version = nullptr);

    // Opens (and when new, creates) the database in a directory. Throws
    // orvanta::Error with a sentence for the user when the directory is
    // missing or not writable, the file is not a database, the database is
    // locked by another program, or its tables are missing. Nothing on disk
    // is changed by a failed open.
    void open(const QString& directory);
    void open(const QString& directory, const Options& options);
    void close();
    bool isOpen() const { return open_; }
    QString filePath() const { return filePath_; }
    QString directory() const { return directory_; }

    // The password hook of a protected database: asked once when the file
    // cannot be read; answers whether to try the open again.
    std::function<bool()> passwordCallback;

    // Runs one statement of the program's dialect that returns no rows and
    // reports the number of rows it changed.
    int execute(const QString& statement);

    // Runs a statement already in SQLite's own SQL, with bound values.
    int executeNative(const QString& sql, const QVariantList& params = {});

    // A prepared statement for SQLite SQL, from the cache; values bound, executed.
    StatementLease run(const QString& sql, const QVariantList& params);
    StatementLease prepare(const QString& sql);

    // Transactions nest: only the outermost begin and commit reach SQLite.
    void beginTransaction();
    void commit();
    void rollback();
    bool inTransaction() const { return transactionDepth_ > 0; }

    // Tables observe the database for changes made by statements.
    void attach(Table* table);
    void detach(Table* table);
    void tableChanged(const QString& tableName, const Table* source);
    void allTablesChanged();

    QSqlDatabase& connection() { return db_; }
    sqlite3* handle() const { return handle_; }

    // The message of a failed SQLite call, as the engine words it.
    static QString engineText(const class QSqlError& error);

private:
    void configure(const Options& options, bool isNew);
    void createSchema();
    void checkSchema();

    QString connectionName_;
    QSqlDatabase db_;
    sqlite3* handle_ = nullptr;
    bool open_ = false;
    QString filePath_;
    QString directory_;
    int transactionDepth_ = 0;
    bool rollbackOnly_ = false;

    std::vector<Table*> tables_;
    std::unordered_map<QString, std::vector<std::unique_ptr<StatementLease::Slot>>> cache_;
};

// A savepoint inside the current transaction: release() keeps what was done
// since it was set; without release() it is undone when the object ends.
// Open datasets read their rows again after an undo.
class Savepoint {
public:
    explicit Savepoint(Database& db);
    ~Savepoint();
    void release();
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;

private:
    Database& db_;
    bool active_ = true;
};

// RAII transaction: commits when commit() is called, rolls back otherwise.
class Transaction {
public:
    explicit Transaction(Database& db) : db_(db) { db_.beginTransaction(); }
    ~Transaction()
    {
        if (active_)
            try { db_.rollback(); } catch (...) {}
    }
    void commit()
    {
        active_ = false;
        db_.commit();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Database& db_;
    bool active_ = true;
};

}  // namespace orvanta
