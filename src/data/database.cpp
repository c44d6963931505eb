#include "data/database.h"

#include "data/error.h"
#include "data/schema.h"
#include "data/table.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlDriver>
#include <QSqlRecord>
#include <algorithm>
#include <sqlite3.h>

namespace orvanta {

namespace {
const QString kAliasGroup = QStringLiteral("Aliases");

std::string toStd(const QString& s) { return s.toStdString(); }
}  // namespace

// ---------------------------------------------------------------- aliases

AliasRegistry::AliasRegistry() = default;
AliasRegistry::AliasRegistry(const QString& iniFile) : iniFile_(iniFile) {}

namespace {
std::unique_ptr<QSettings> openSettings(const QString& iniFile)
{
    if (iniFile.isEmpty())
        return std::make_unique<QSettings>(QStringLiteral("Orvanta"), QStringLiteral("engine"));
    return std::make_unique<QSettings>(iniFile, QSettings::IniFormat);
}
}  // namespace

bool AliasRegistry::contains(const QString& alias) const
{
    auto s = openSettings(iniFile_);
    s->beginGroup(kAliasGroup);
    return s->contains(alias);
}

QString AliasRegistry::path(const QString& alias) const
{
    auto s = openSettings(iniFile_);
    s->beginGroup(kAliasGroup);
    return s->value(alias).toString();
}

void AliasRegistry::add(const QString& alias, const QString& path)
{
    auto s = openSettings(iniFile_);
    s->beginGroup(kAliasGroup);
    s->setValue(alias, path);
    s->endGroup();
    s->sync();
}

QString AliasRegistry::resolve(const QString& alias) const
{
    const QString p = path(alias);
    return QDir(p.isEmpty() ? QStringLiteral(".") : p).absolutePath();
}

// ---------------------------------------------------------------- statements

Statement::~Statement()
{
    sqlite3_finalize(stmt_);
}

void Statement::execute(const QVariantList& params)
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    texts_.clear();  // only after the bindings that pointed into them are gone
    texts_.reserve(size_t(params.size()));
    pendingRow_ = hasRow_ = false;
    const int expected = sqlite3_bind_parameter_count(stmt_);
    if (expected != params.size())
        throw Error(toStd(QStringLiteral("The statement needs %1 values, %2 were given").arg(expected).arg(params.size())));
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params[i];
        int rc = SQLITE_OK;
        if (v.isNull()) {
            rc = sqlite3_bind_null(stmt_, i + 1);
        } else {
            switch (v.metaType().id()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Long:
            case QMetaType::Bool:
                rc = sqlite3_bind_int64(stmt_, i + 1, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(stmt_, i + 1, v.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray b = v.toByteArray();
                rc = sqlite3_bind_blob(stmt_, i + 1, b.constData(), int(b.size()), SQLITE_TRANSIENT);
                break;
            }
            default: {
                // The UTF-8 text stays with the statement until its next run,
                // so SQLite can read it in place instead of copying it.
                texts_.push_back(v.toString().toUtf8());
                const QByteArray& utf8 = texts_.back();
                rc = sqlite3_bind_text(stmt_, i + 1, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
                break;
            }
            }
        }
        if (rc != SQLITE_OK)
            throw Error(sqlite3_errmsg(db_));
    }
    pendingRow_ = step();
    changes_ = sqlite3_changes(db_);
    lastInsertId_ = sqlite3_last_insert_rowid(db_);
}

bool Statement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const std::string message = sqlite3_errmsg(db_);
    sqlite3_reset(stmt_);
    throw Error(message);
}

bool Statement::next()
{
    if (pendingRow_) {
        pendingRow_ = false;
        hasRow_ = true;
        return true;
    }
    if (!hasRow_)
        return false;
    hasRow_ = step();
    return hasRow_;
}

QVariant Statement::value(int column) const
{
    switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_INTEGER: return QVariant(qlonglong(sqlite3_column_int64(stmt_, column)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(stmt_, column));
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(stmt_, column)));
    }
    case SQLITE_BLOB: {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
        return QVariant(QByteArray(data, sqlite3_column_bytes(stmt_, column)));
    }
    default: return QVariant();
    }
}

QByteArrayView Statement::utf8(int column) const
{
    // sqlite3_column_text gives NULL exactly for a null value ("" for an empty
    // text), which spares asking for the column's type.
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!text)
        return QByteArrayView();
    return QByteArrayView(text, sqlite3_column_bytes(stmt_, column));
}

int Statement::columnCount() const
{
    return sqlite3_column_count(stmt_);
}

int ResultColumns::indexOf(QStringView name) const
{
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i].size() == name.size() && names[i].compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

const ResultColumns& Statement::columns()
{
    if (!columns_) {
        auto c = std::make_unique<ResultColumns>();
        const int n = sqlite3_column_count(stmt_);
        for (int i = 0; i < n; ++i) {
            const QString base = QString::fromUtf8(sqlite3_column_name(stmt_, i));
            QString name = base;
            for (int k = 1; c->indexOf(name) >= 0; ++k)
                name = base + u'_' + QString::number(k);
            c->names.push_back(name);
            const char* decl = sqlite3_column_decltype(stmt_, i);
            c->isDate.push_back(decl && qstricmp(decl, "DATE") == 0);
        }
        columns_ = std::move(c);
    }
    return *columns_;
}

void Statement::finish()
{
    sqlite3_reset(stmt_);
    pendingRow_ = hasRow_ = false;
}

// ---------------------------------------------------------------- statement cache

struct StatementLease::Slot {
    std::unique_ptr<Statement> stmt;
    bool inUse = false;
};

StatementLease::StatementLease(StatementLease&& other) noexcept
    : slot_(std::exchange(other.slot_, nullptr)), stmt_(std::exchange(other.stmt_, nullptr))
{
}

StatementLease& StatementLease::operator=(StatementLease&& other) noexcept
{
    if (this != &other) {
        reset();
        slot_ = std::exchange(other.slot_, nullptr);
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

StatementLease::~StatementLease() { reset(); }

void StatementLease::reset()
{
    if (slot_) {
        stmt_->finish();
        slot_->inUse = false;
    }
    slot_ = nullptr;
    stmt_ = nullptr;
}

// ---------------------------------------------------------------- database

Database::Database(QObject* parent) : QObject(parent)
{
    static QAtomicInt counter;
    connectionName_ = QStringLiteral("orvanta-%1").arg(counter.fetchAndAddRelaxed(1));
}

Database::~Database()
{
    close();
}

bool Database::probeEngine(QString* version)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return false;
    bool ok = false;
    {
        QSqlDatabase probe = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("orvanta-probe"));
        probe.setDatabaseName(QStringLiteral(":memory:"));
        if (probe.open()) {
            QSqlQuery q(probe);
            if (q.exec(QStringLiteral("select sqlite_version()")) && q.next()) {
                ok = true;
                if (version)
                    *version = q.value(0).toString();
            }
        }
        probe.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("orvanta-probe"));
    return ok;
}

QString Database::engineText(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    if (text.isEmpty())
        text = QStringLiteral("unknown database error");
    return text;
}

void Database::open(const QString& directory)
{
    open(directory, Options());
}

void Database::open(const QString& directory, const Options& options)
{
    close();
    const QFileInfo dirInfo(directory);
    const QString dir = dirInfo.absoluteFilePath();
    if (!dirInfo.exists())
        throw Error(toStd(QStringLiteral("The database directory %1 does not exist.").arg(dir)));
    if (!dirInfo.isDir())
        throw Error(toStd(QStringLiteral("%1 is not a directory: the database needs a directory.").arg(dir)));
    const QString file = QDir(dir).filePath(QString::fromLatin1(kFileName));
    const QFileInfo fileInfo(file);
    const bool isNew = !fileInfo.exists();
    if (isNew && !options.createIfMissing)
        throw Error(toStd(QStringLiteral("There is no database in %1.").arg(dir)));
    if (!isNew && !fileInfo.isFile())
        throw Error(toStd(QStringLiteral("%1 is not a database file.").arg(file)));
    if (isNew) {
        // Ask the file system rather than the permission bits, which say
        // nothing for the superuser or for read-only mounts.
        QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".orvanta-probe-XXXXXX")));
        if (!probe.open())
            throw Error(toStd(QStringLiteral("Cannot create the database in %1: the directory is not writable (%2).")
                                  .arg(dir, probe.errorString())));
    }

    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
    db_.setDatabaseName(file);
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(options.busyTimeoutMs));

    // Whatever fails from here on leaves the disk as it was: a file this call
    // created is removed again, an existing one has not been written to.
    auto fail = [&](const QString& message) {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName_);
        if (isNew) {
            QFile::remove(file);
            QFile::remove(file + QStringLiteral("-wal"));
            QFile::remove(file + QStringLiteral("-shm"));
            QFile::remove(file + QStringLiteral("-journal"));
        }
        throw Error(toStd(message));
    };

    if (!db_.open()) {
        const QString why = engineText(db_.lastError());
        if (isNew)
            fail(QStringLiteral("Cannot create the database %1: %2.").arg(file, why));
        fail(QStringLiteral("Cannot open the database %1: %2.").arg(file, why));
    }

    // Read before anything is written: a file that is not a database, is
    // encrypted, or is locked by another program stops the open here.
    for (int attempt = 0;; ++attempt) {
        QSqlQuery q(db_);
        if (q.exec(QStringLiteral("PRAGMA schema_version")) && q.next())
            break;
        const QString why = engineText(q.lastError());
        const bool notADatabase = why.contains(QStringLiteral("not a database"), Qt::CaseInsensitive)
                                  || why.contains(QStringLiteral("encrypted"), Qt::CaseInsensitive);
        if (notADatabase && attempt == 0 && passwordCallback && passwordCallback())
            continue;
        if (notADatabase)
            fail(QStringLiteral("Cannot open the database %1: the file is not an Orvanta database, "
                                "or it is encrypted or damaged (%2).")
                     .arg(file, why));
        if (why.contains(QStringLiteral("locked"), Qt::CaseInsensitive)
            || why.contains(QStringLiteral("busy"), Qt::CaseInsensitive))
            fail(QStringLiteral("Cannot open the database %1: it is locked by another program (%2). "
                                "Close the other program and try again.")
                     .arg(file, why));
        fail(QStringLiteral("Cannot open the database %1: %2.").arg(file, why));
    }

    try {
        configure(options, isNew);
        if (isNew)
            createSchema();
        checkSchema();
    } catch (const Error& e) {
        fail(QString::fromStdString(e.what()));
    }
    const QVariant h = db_.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        fail(QStringLiteral("Cannot open the database %1: the SQLite driver gives no connection handle.").arg(file));
    handle_ = *static_cast<sqlite3* const*>(h.constData());
    open_ = true;
    filePath_ = file;
    directory_ = dir;
}

void Database::configure(const Options& options, bool isNew)
{
    auto pragma = [&](const QString& sql) {
        QSqlQuery q(db_);
        if (!q.exec(sql)) {
            const QString why = engineText(q.lastError());
            if (why.contains(QStringLiteral("locked"), Qt::CaseInsensitive))
                throw Error(toStd(QStringLiteral("Cannot open the database %1: it is locked by another program (%2). "
                                                 "Close the other program and try again.")
                                      .arg(db_.databaseName(), why)));
            if (why.contains(QStringLiteral("readonly"), Qt::CaseInsensitive)
                || why.contains(QStringLiteral("read-only"), Qt::CaseInsensitive)
                || why.contains(QStringLiteral("unable to open"), Qt::CaseInsensitive))
                throw Error(toStd(QStringLiteral("Cannot open the database %1 for writing: the file or its directory "
                                                 "is not writable (%2).")
                                      .arg(db_.databaseName(), why)));
            throw Error(toStd(QStringLiteral("Cannot open the database %1: %2.").arg(db_.databaseName(), why)));
        }
        while (q.next()) {
        }
    };
    Q_UNUSED(options);
    Q_UNUSED(isNew);
    pragma(QStringLiteral("PRAGMA journal_mode=WAL"));
    pragma(QStringLiteral("PRAGMA synchronous=NORMAL"));
    pragma(QStringLiteral("PRAGMA foreign_keys=OFF"));
    // The imports commit every few thousand records; copying the log back into
    // the database after every 1,000 pages (SQLite's default) would cost them a
    // good part of their time. The log is trimmed back to 64 MB after that.
    pragma(QStringLiteral("PRAGMA wal_autocheckpoint=10000"));
    pragma(QStringLiteral("PRAGMA journal_size_limit=67108864"));
}

void Database::createSchema()
{
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        throw Error(toStd(QStringLiteral("Cannot create the tables: %1").arg(engineText(q.lastError()))));
    for (const QString& sql : schema::createStatements()) {
        if (!q.exec(sql)) {
            const QString why = engineText(q.lastError());
            q.exec(QStringLiteral("ROLLBACK"));
            throw Error(toStd(QStringLiteral("Cannot create the tables: %1").arg(why)));
        }
    }
    if (!q.exec(QStringLiteral("PRAGMA user_version=%1").arg(schema::kVersion)) || !q.exec(QStringLiteral("COMMIT"))) {
        const QString why = engineText(q.lastError());
        q.exec(QStringLiteral("ROLLBACK"));
        throw Error(toStd(QStringLiteral("Cannot create the tables: %1").arg(why)));
    }
}

void Database::checkSchema()
{
    QSqlQuery q(db_);
    for (const TableDef& t : schema::tables()) {
        q.prepare(QStringLiteral("select count(*) from sqlite_master where type='table' and name = ? collate nocase"));
        q.addBindValue(t.name);
        if (!q.exec() || !q.next())
            throw Error(toStd(QStringLiteral("Cannot read the tables: %1").arg(engineText(q.lastError()))));
        if (q.value(0).toInt() == 0)
            throw Error(toStd(QStringLiteral("The database has no table %1.").arg(t.fileName())));
    }
}

void Database::close()
{
    if (!db_.isValid())
        return;
    cache_.clear();  // finalizes every prepared statement before the connection closes
    handle_ = nullptr;
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName_);
    open_ = false;
    transactionDepth_ = 0;
}

StatementLease Database::prepare(const QString& sql)
{
    if (!open_)
        throw Error("The database is not open");
    auto& pool = cache_[sql];
    for (auto& slot : pool)
        if (!slot->inUse) {
            slot->inUse = true;
            return StatementLease(slot.get(), slot->stmt.get());
        }
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(handle_, utf8.constData(), int(utf8.size()), &raw, &tail) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(handle_);
        sqlite3_finalize(raw);
        throw Error(message);
    }
    if (!raw)
        throw Error("The statement is empty");
    if (tail && *tail && QByteArray(tail).trimmed().size() > 0) {
        sqlite3_finalize(raw);
        throw Error("Only one statement can be run at a time");
    }
    auto slot = std::make_unique<StatementLease::Slot>();
    slot->stmt = std::make_unique<Statement>(handle_, raw);
    slot->inUse = true;
    StatementLease lease(slot.get(), slot->stmt.get());
    pool.push_back(std::move(slot));
    return lease;
}

StatementLease Database::run(const QString& sql, const QVariantList& params)
{
    StatementLease lease = prepare(sql);
    lease->execute(params);
    return lease;
}

int Database::executeNative(const QString& sql, const QVariantList& params)
{
    StatementLease lease = run(sql, params);
    return lease->numRowsAffected();
}

int Database::execute(const QString& statement)
{
    const TranslatedSql t = translateLocalSql(statement);
    StatementLease lease = run(t.sql, t.params);
    const int changed = t.kind == TranslatedSql::Kind::Select ? 0 : lease->numRowsAffected();
    lease.reset();
    if (!t.targetTable.isEmpty())
        tableChanged(t.targetTable, nullptr);
    return changed;
}

void Database::beginTransaction()
{
    if (transactionDepth_ == 0) {
        executeNative(QStringLiteral("BEGIN IMMEDIATE"));
        rollbackOnly_ = false;
    }
    ++transactionDepth_;
}

void Database::commit()
{
    if (transactionDepth_ == 0)
        return;
    if (--transactionDepth_ > 0)
        return;
    if (rollbackOnly_) {
        executeNative(QStringLiteral("ROLLBACK"));
        allTablesChanged();
        throw Error("The changes were undone because a part of them failed");
    }
    try {
        executeNative(QStringLiteral("COMMIT"));
    } catch (...) {
        // A failed COMMIT (a full disk, say) leaves the transaction open;
        // undo it so that the database stays as it was before.
        sqlite3_exec(handle_, "ROLLBACK", nullptr, nullptr, nullptr);
        allTablesChanged();
        throw;
    }
}

void Database::rollback()
{
    if (transactionDepth_ == 0)
        return;
    if (--transactionDepth_ > 0) {
        rollbackOnly_ = true;
        return;
    }
    sqlite3_exec(handle_, "ROLLBACK", nullptr, nullptr, nullptr);
    allTablesChanged();
}

Savepoint::Savepoint(Database& db) : db_(db)
{
    db_.executeNative(QStringLiteral("SAVEPOINT record"));
}

Savepoint::~Savepoint()
{
    if (!active_)
        return;
    sqlite3_exec(db_.handle(), "ROLLBACK TO record; RELEASE record", nullptr, nullptr, nullptr);
    db_.allTablesChanged();
}

void Savepoint::release()
{
    active_ = false;
    db_.executeNative(QStringLiteral("RELEASE record"));
}

void Database::allTablesChanged()
{
    for (Table* t : tables_)
        t->markStale();
}

void Database::attach(Table* table)
{
    tables_.push_back(table);
}

void Database::detach(Table* table)
{
    tables_.erase(std::remove(tables_.begin(), tables_.end(), table), tables_.end());
}

void Database::tableChanged(const QString& tableName, const Table* source)
{
    for (Table* t : tables_)
        if (t != source && t->tableName().compare(tableName, Qt::CaseInsensitive) == 0)
            t->markStale();
}

}  // namespace orvanta
