#include "data/table.h"

#include "data/convert.h"
#include "data/database.h"
#include "data/error.h"

#include <QRegularExpression>
#include <algorithm>

namespace orvanta {

namespace {
std::string toStd(const QString& s) { return s.toStdString(); }

QString quoted(const QString& name)
{
    return u'"' + name + u'"';
}
}  // namespace

// ---------------------------------------------------------------- Record

Record::Record(const TableDef* def) : values(qsizetype(def->fields.size())), def_(def) {}

int Record::indexOf(QStringView field) const
{
    const int i = def_ ? def_->fieldIndex(field) : -1;
    if (i < 0)
        throw Error(toStd(QStringLiteral("Field '%1' not found").arg(field)));
    return i;
}

QVariant Record::valueAt(int index) const
{
    const QVariant& v = values[index];
    if (v.isNull())
        return QVariant();
    if (def_->fields[size_t(index)].type == FieldType::Date) {
        if (auto d = fromIsoDate(v.toString()))
            return *d;
        return QVariant();
    }
    return v;
}

QVariant Record::value(QStringView field) const
{
    return valueAt(indexOf(field));
}

bool Record::isNull(QStringView field) const
{
    return values[indexOf(field)].isNull();
}

QString Record::text(QStringView field) const
{
    const int i = indexOf(field);
    const QVariant v = valueAt(i);
    if (v.isNull())
        return QString();
    if (v.metaType().id() == QMetaType::QDate)
        return formatAppDate(v.toDate());
    return v.toString();
}

// ---------------------------------------------------------------- Table

Table::Table(Database& db, const QString& tableName, QObject* parent)
    : QObject(parent), db_(db), def_(schema::findTable(tableName))
{
    if (!def_)
        throw Error(toStd(QStringLiteral("Table %1 does not exist").arg(tableName)));
    // The statements a dataset writes and reads rows with; they depend only on
    // the table, so they are put together once.
    QStringList all, insertCols, marks, sets;
    for (const FieldDef& f : def_->fields) {
        all << quoted(f.name);
        if (f.type == FieldType::AutoInc)
            continue;
        insertCols << quoted(f.name);
        marks << QStringLiteral("?");
        sets << quoted(f.name) + QStringLiteral(" = ?");
    }
    const QString table = quoted(def_->name);
    sql_.columns = all.join(u", ");
    sql_.fetch = QStringLiteral("SELECT ") + sql_.columns + QStringLiteral(" FROM ") + table + QStringLiteral(" WHERE rowid = ?");
    sql_.insert = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") + insertCols.join(u", ")
                  + QStringLiteral(") VALUES (") + marks.join(u", ") + u')';
    sql_.update = QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + sets.join(u", ")
                  + QStringLiteral(" WHERE rowid = ?");
    db_.attach(this);
}

Table::~Table()
{
    if (master_)
        master_->details_.erase(std::remove(master_->details_.begin(), master_->details_.end(), this),
                                master_->details_.end());
    for (Table* d : details_)
        d->master_ = nullptr;
    db_.detach(this);
}

void Table::setIndexFieldNames(const QString& fields)
{
    order_.clear();
    for (const QString& f : fields.split(u';', Qt::SkipEmptyParts)) {
        const FieldDef* fd = def_->field(f.trimmed());
        if (!fd)
            throw Error(toStd(QStringLiteral("Field '%1' not found").arg(f.trimmed())));
        order_ << fd->name;
    }
    markStale();
}

void Table::setIndexName(const QString& indexName)
{
    for (const IndexDef& idx : def_->indexes)
        if (idx.name.compare(indexName, Qt::CaseInsensitive) == 0) {
            order_ = idx.fields;
            markStale();
            return;
        }
    throw Error(toStd(QStringLiteral("Index %1 not found in %2").arg(indexName, def_->fileName())));
}

void Table::setOnFilterRecord(FilterFn fn)
{
    filter_ = std::move(fn);
    if (filtered_)
        markStale();
}

void Table::setFiltered(bool on)
{
    if (on == filtered_)
        return;
    if (active())
        beforeMove();
    filtered_ = on;
    markStale();
    if (active())
        afterMove();
}

void Table::setMasterLink(Table* master, const QString& masterField, const QString& detailField)
{
    if (master_)
        master_->details_.erase(std::remove(master_->details_.begin(), master_->details_.end(), this),
                                master_->details_.end());
    master_ = master;
    masterField_ = masterField;
    detailField_ = detailField;
    if (master_)
        master_->details_.push_back(this);
    markStale();
}

void Table::requireActive() const
{
    if (state_ == State::Inactive)
        throw Error(toStd(QStringLiteral("Cannot perform this operation on a closed dataset (%1)").arg(def_->fileName())));
}

void Table::open()
{
    if (active())
        return;
    if (!db_.isOpen())
        throw Error("The database is not open");
    state_ = State::Browse;
    loaded_ = false;
    cur_ = -1;
    curRowid_ = 0;
    ensureLoaded();
    cur_ = rowids_.empty() ? -1 : 0;
    curRowid_ = cur_ >= 0 ? rowids_[0] : 0;
    eof_ = bof_ = rowids_.empty();
    bufferValid_ = false;
    emit stateChanged();
    emit dataChanged();
    emit currentChanged();
}

void Table::close()
{
    if (!active())
        return;
    state_ = State::Inactive;
    rowids_.clear();
    loaded_ = false;
    cur_ = -1;
    bufferValid_ = false;
    modified_ = false;
    emit stateChanged();
}

void Table::markStale()
{
    const bool wasLoaded = loaded_;
    loaded_ = false;
    if (state_ == State::Browse)
        bufferValid_ = false;
    if (wasLoaded)
        emit dataChanged();
}

void Table::refresh()
{
    requireActive();
    markStale();
    ensureLoaded();
    emit dataChanged();
    emit currentChanged();
}

QString Table::orderClause() const
{
    QStringList parts;
    for (const QString& f : order_)
        parts << quoted(f);
    parts << QStringLiteral("rowid");
    return QStringLiteral(" ORDER BY ") + parts.join(QStringLiteral(", "));
}

QVariant Table::masterValue() const
{
    if (!master_ || !master_->active())
        return QVariant();
    const Record& r = master_->current();
    return r.values[r.indexOf(masterField_)];
}

void Table::ensureLoaded()
{
    if (loaded_ || state_ == State::Inactive)
        return;
    const bool needRows = filtered_ && filter_;
    QString sql = QStringLiteral("SELECT rowid") + (needRows ? QStringLiteral(", ") + sql_.columns : QString())
                  + QStringLiteral(" FROM ") + quoted(def_->name);
    QVariantList params;
    if (master_) {
        sql += QStringLiteral(" WHERE ") + quoted(def_->field(detailField_)->name) + QStringLiteral(" = ?");
        params << masterValue();
    }
    sql += orderClause();

    std::vector<qint64> ids;
    {
        StatementLease q = db_.run(sql, params);
        Record rec(def_);
        while (q->next()) {
            if (needRows) {
                for (int i = 0; i < rec.values.size(); ++i)
                    rec.values[i] = q->value(i + 1);
                if (!filter_(rec))
                    continue;
            }
            ids.push_back(q->value(0).toLongLong());
        }
    }
    const int oldIndex = cur_;
    rowids_ = std::move(ids);
    loaded_ = true;
    // Stay on the same row when it is still there, else near where we were.
    auto it = std::find(rowids_.begin(), rowids_.end(), curRowid_);
    if (it != rowids_.end())
        cur_ = int(it - rowids_.begin());
    else if (rowids_.empty())
        cur_ = -1;
    else
        cur_ = std::clamp(oldIndex, 0, int(rowids_.size()) - 1);
    if (state_ == State::Browse) {
        const qint64 now = cur_ >= 0 ? rowids_[size_t(cur_)] : 0;
        if (now != curRowid_)
            bufferValid_ = false;
        curRowid_ = now;
    }
    if (rowids_.empty())
        eof_ = bof_ = true;
}

Record Table::fetch(qint64 rowid) const
{
    StatementLease q = db_.run(sql_.fetch, {rowid});
    Record rec(def_);
    if (q->next())
        for (int i = 0; i < rec.values.size(); ++i)
            rec.values[i] = q->value(i);
    return rec;
}

const Record& Table::current()
{
    requireActive();
    if (state_ == State::Edit || state_ == State::Insert || bufferValid_)
        return buffer_;
    ensureLoaded();
    if (!bufferValid_) {
        buffer_ = cur_ >= 0 ? fetch(rowids_[size_t(cur_)]) : Record(def_);
        bufferValid_ = true;
    }
    return buffer_;
}

Record Table::rowAt(int index)
{
    requireActive();
    ensureLoaded();
    if (index < 0 || index >= int(rowids_.size()))
        return Record(def_);
    if ((state_ == State::Edit) && index == cur_)
        return buffer_;
    return fetch(rowids_[size_t(index)]);
}

bool Table::isEmpty()
{
    requireActive();
    ensureLoaded();
    return rowids_.empty();
}

int Table::recordCount()
{
    requireActive();
    ensureLoaded();
    return int(rowids_.size());
}

int Table::recNo()
{
    requireActive();
    ensureLoaded();
    return cur_;
}

void Table::beforeMove()
{
    if (state_ == State::Edit || state_ == State::Insert) {
        if (modified_)
            post();
        else
            cancel();
    }
    for (Table* d : details_)
        if (d->active())
            d->beforeMove();
}

void Table::afterMove()
{
    bufferValid_ = false;
    for (Table* d : details_) {
        if (!d->active())
            continue;
        d->markStale();
        d->ensureLoaded();
        d->cur_ = d->rowids_.empty() ? -1 : 0;
        d->curRowid_ = d->cur_ >= 0 ? d->rowids_[0] : 0;
        d->eof_ = d->bof_ = d->rowids_.empty();
        d->afterMove();
        emit d->dataChanged();
        emit d->currentChanged();
    }
    emit currentChanged();
}

void Table::first()
{
    requireActive();
    beforeMove();
    ensureLoaded();
    cur_ = rowids_.empty() ? -1 : 0;
    curRowid_ = cur_ >= 0 ? rowids_[0] : 0;
    eof_ = bof_ = rowids_.empty();
    bof_ = true;
    afterMove();
}

void Table::last()
{
    requireActive();
    beforeMove();
    ensureLoaded();
    cur_ = int(rowids_.size()) - 1;
    curRowid_ = cur_ >= 0 ? rowids_[size_t(cur_)] : 0;
    eof_ = true;
    bof_ = rowids_.empty();
    afterMove();
}

void Table::next()
{
    requireActive();
    beforeMove();
    ensureLoaded();
    bof_ = false;
    if (cur_ + 1 < int(rowids_.size())) {
        ++cur_;
        curRowid_ = rowids_[size_t(cur_)];
        eof_ = false;
        afterMove();
    } else {
        eof_ = true;
    }
}

void Table::prior()
{
    requireActive();
    beforeMove();
    ensureLoaded();
    eof_ = false;
    if (cur_ > 0) {
        --cur_;
        curRowid_ = rowids_[size_t(cur_)];
        bof_ = false;
        afterMove();
    } else {
        bof_ = true;
    }
}

bool Table::moveTo(int index)
{
    requireActive();
    beforeMove();
    ensureLoaded();
    if (index < 0 || index >= int(rowids_.size()))
        return false;
    cur_ = index;
    curRowid_ = rowids_[size_t(cur_)];
    eof_ = bof_ = false;
    afterMove();
    return true;
}

bool Table::locate(QStringView field, const QVariant& value)
{
    requireActive();
    beforeMove();
    ensureLoaded();
    const FieldDef* f = def_->field(field);
    if (!f)
        throw Error(toStd(QStringLiteral("Field '%1' not found").arg(field)));
    const QVariant wanted = toStorage(*f, value);
    for (size_t i = 0; i < rowids_.size(); ++i) {
        const Record r = fetch(rowids_[i]);
        if (r.values[def_->fieldIndex(f->name)] == wanted) {
            cur_ = int(i);
            curRowid_ = rowids_[i];
            eof_ = bof_ = false;
            afterMove();
            return true;
        }
    }
    return false;
}

QVariant Table::toStorage(const FieldDef& f, const QVariant& v) const
{
    if (v.isNull() || !v.isValid())
        return QVariant();
    const int type = v.metaType().id();
    switch (f.type) {
    case FieldType::Text:
    case FieldType::Memo: {
        const QString s = v.toString();
        return s.isEmpty() ? QVariant() : QVariant(s);
    }
    case FieldType::Integer:
    case FieldType::AutoInc: {
        if (type == QMetaType::QString) {
            const QString s = v.toString();
            if (s.isEmpty())
                return QVariant();
            return QVariant(qlonglong(readInteger(s)));
        }
        bool ok = false;
        const qlonglong n = v.toLongLong(&ok);
        if (!ok)
            throw Error(toStd(QStringLiteral("'%1' is not a valid integer value").arg(v.toString())));
        return QVariant(n);
    }
    case FieldType::Date: {
        if (type == QMetaType::QDate || type == QMetaType::QDateTime) {
            const QDate d = v.toDate();
            return d.isValid() ? QVariant(toIsoDate(d)) : QVariant();
        }
        const QString s = v.toString();
        if (s.isEmpty())
            return QVariant();
        if (auto d = fromIsoDate(s))
            return QVariant(toIsoDate(*d));
        return QVariant(toIsoDate(readAppDate(s)));
    }
    }
    return v;
}

void Table::setValue(QStringView field, const QVariant& value)
{
    setValueAt(fieldIndex(field), value);
}

int Table::fieldIndex(QStringView field) const
{
    const int i = def_->fieldIndex(field);
    if (i < 0)
        throw Error(toStd(QStringLiteral("Field '%1' not found").arg(field)));
    return i;
}

void Table::setValueAt(int i, const QVariant& value)
{
    requireActive();
    if (state_ == State::Browse)
        edit();
    const FieldDef& f = def_->fields[size_t(i)];
    if (f.type == FieldType::AutoInc)
        throw Error(toStd(QStringLiteral("Field '%1' cannot be modified").arg(f.name)));
    buffer_.values[i] = toStorage(f, value);
    modified_ = true;
    emit fieldChanged(f.name);
}

void Table::setState(State s)
{
    if (state_ == s)
        return;
    state_ = s;
    emit stateChanged();
}

void Table::startRecord()
{
    requireActive();
    beforeMove();
    buffer_ = Record(def_);
    bufferValid_ = true;
    if (master_) {
        const int i = def_->fieldIndex(detailField_);
        buffer_.values[i] = masterValue();
    }
    modified_ = false;
    setState(State::Insert);
    if (afterInsert)
        afterInsert(*this);
    emit currentChanged();
}

void Table::insert() { startRecord(); }
void Table::append() { startRecord(); }

void Table::edit()
{
    requireActive();
    if (state_ == State::Edit || state_ == State::Insert)
        return;
    ensureLoaded();
    if (rowids_.empty()) {
        insert();
        return;
    }
    current();  // make sure the buffer holds the current row
    modified_ = false;
    setState(State::Edit);
}

void Table::throwPostError(const QString& text) const
{
    // Constraint messages of SQLite read "UNIQUE constraint failed: award.AwardCode".
    static const QRegularExpression unique(QStringLiteral("UNIQUE constraint failed: \\w+\\.(\\w+)"));
    static const QRegularExpression notNull(QStringLiteral("NOT NULL constraint failed: \\w+\\.(\\w+)"));
    if (auto m = unique.match(text); m.hasMatch()) {
        const QString field = m.captured(1);
        const int i = def_->fieldIndex(field);
        const QString value = i >= 0 ? buffer_.values[i].toString() : QString();
        throw Error(toStd(QStringLiteral("Key violation: %1 already holds a record with %2 \"%3\".")
                              .arg(def_->fileName(), field, value)));
    }
    if (auto m = notNull.match(text); m.hasMatch())
        throw Error(toStd(QStringLiteral("Field value required: %1 of %2 must not be blank.")
                              .arg(m.captured(1), def_->fileName())));
    throw Error(toStd(text));
}

void Table::post()
{
    requireActive();
    if (state_ != State::Edit && state_ != State::Insert)
        return;
    QVariantList params;
    params.reserve(qsizetype(def_->fields.size()) + 1);
    if (state_ == State::Insert) {
        // A new row is numbered by the database unless it already has a key.
        bool explicitAutoKey = false;
        for (size_t i = 0; i < def_->fields.size(); ++i) {
            if (def_->fields[i].type == FieldType::AutoInc) {
                explicitAutoKey = !buffer_.values[qsizetype(i)].isNull();
                continue;
            }
            params << buffer_.values[qsizetype(i)];
        }
        if (explicitAutoKey)
            throw Error(toStd(QStringLiteral("The key of %1 is numbered by the database").arg(def_->fileName())));
        qint64 rowid = 0;
        try {
            StatementLease q = db_.run(sql_.insert, params);
            rowid = q->lastInsertId();
        } catch (const Error& e) {
            throwPostError(QString::fromStdString(e.what()));
        }
        for (size_t i = 0; i < def_->fields.size(); ++i)
            if (def_->fields[i].type == FieldType::AutoInc)
                buffer_.values[qsizetype(i)] = rowid;
        curRowid_ = rowid;
    } else {
        for (size_t i = 0; i < def_->fields.size(); ++i)
            if (def_->fields[i].type != FieldType::AutoInc)
                params << buffer_.values[qsizetype(i)];
        params << curRowid_;
        int changed = 0;
        try {
            StatementLease q = db_.run(sql_.update, params);
            changed = q->numRowsAffected();
        } catch (const Error& e) {
            throwPostError(QString::fromStdString(e.what()));
        }
        if (changed == 0)
            throw Error(toStd(QStringLiteral("The record was deleted by another user (%1)").arg(def_->fileName())));
    }
    modified_ = false;
    // The stored row keeps its place in the buffer; the row list is read again
    // (in its order) only when someone next moves or counts.
    const bool wasLoaded = loaded_;
    loaded_ = false;
    bufferValid_ = true;
    setState(State::Browse);
    db_.tableChanged(def_->name, this);
    if (wasLoaded)
        emit dataChanged();
}

void Table::cancel()
{
    requireActive();
    if (state_ != State::Edit && state_ != State::Insert)
        return;
    modified_ = false;
    bufferValid_ = false;
    setState(State::Browse);
    emit currentChanged();
}

void Table::remove()
{
    requireActive();
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    if (state_ == State::Edit)
        cancel();
    ensureLoaded();
    if (rowids_.empty() || cur_ < 0)
        throw Error(toStd(QStringLiteral("Cannot perform this operation on an empty dataset (%1)").arg(def_->fileName())));
    for (Table* d : details_)
        if (d->active())
            d->beforeMove();
    db_.run(QStringLiteral("DELETE FROM ") + quoted(def_->name) + QStringLiteral(" WHERE rowid = ?"),
            {rowids_[size_t(cur_)]});
    rowids_.erase(rowids_.begin() + cur_);
    if (cur_ >= int(rowids_.size()))
        cur_ = int(rowids_.size()) - 1;
    curRowid_ = cur_ >= 0 ? rowids_[size_t(cur_)] : 0;
    eof_ = bof_ = rowids_.empty();
    bufferValid_ = false;
    db_.tableChanged(def_->name, this);
    emit dataChanged();
    afterMove();
}

}  // namespace orvanta
