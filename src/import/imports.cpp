#include "import/imports.h"

#include "data/convert.h"
#include "data/datamodule.h"
#include "data/error.h"
#include "data/localsql.h"
#include "data/progress.h"
#include "import/linereader.h"

#include <QFile>
#include <exception>
#include <vector>

namespace orvanta {

namespace {

// Records per transaction: large enough that commits cost little, small
// enough that a killed run loses little.
constexpr long long kCommitEvery = 5000;
// A batch is also closed when its lines pass this size, so that a file of very
// long lines does not make the run hold many of them.
constexpr size_t kBatchBytes = 8 * 1024 * 1024;

std::string toStd(const QString& s) { return s.toStdString(); }

// Settings values that an import cannot run without.
int settingsInteger(const Record& settings, const char* field)
{
    const QString name = QString::fromLatin1(field);
    if (settings.isNull(name))
        throw Error(toStd(QStringLiteral("'' is not a valid integer value (settings field %1 is blank)").arg(name)));
    return int(settings.value(name).toLongLong());
}

QString settingsFileName(const Record& settings, const char* field)
{
    const QString name = QString::fromLatin1(field);
    if (settings.isNull(name))
        throw Error(toStd(QStringLiteral("The settings field %1 is blank: there is no file to import").arg(name)));
    return settings.text(name);
}

FieldPos settingsPos(const Record& settings, const FieldPosNames& names)
{
    return {settingsInteger(settings, names.start), settingsInteger(settings, names.length)};
}

const Record& currentSettings(TDataModule2& dm)
{
    Table& s = dm.SettingsTable;
    if (s.state() == Table::State::Browse)
        s.markStale();  // read what is stored now, not what was read before
    s.first();
    return s.current();
}

// Groups the writes of a run into transactions of up to kCommitEvery records
// (or kBatchBytes of lines). When a record fails, the open transaction is
// rolled back, the records before it in the batch are done once more (they
// give the same result) and committed, and then the failure goes on to the
// caller: exactly the records before the failing one are stored, and no part
// of the failing one. This costs nothing while records succeed, unlike a
// savepoint around every record. `save` and `restore` keep and put back what
// the caller tracks across records, for the replay.
template <typename PerRecord, typename Save, typename Restore>
void inBatches(Database& db, ImportFileReader& reader, ProgressScope& progress, long long& count,
               PerRecord perRecord, Save save, Restore restore)
{
    std::vector<std::string> batch;
    std::string line;
    bool more = true;
    while (more) {
        batch.clear();
        size_t bytes = 0;
        save();
        db.beginTransaction();
        bool inRecord = false;
        try {
            while (batch.size() < size_t(kCommitEvery) && bytes < kBatchBytes && (more = reader.ReadLine(line))) {
                ++count;
                if (progress.active())
                    progress.progressed(QStringLiteral("Records Imported = %1").arg(count), count);
                bytes += line.size();
                batch.push_back(line);
                inRecord = true;
                perRecord(batch.back());
                inRecord = false;
            }
        } catch (...) {
            const std::exception_ptr failure = std::current_exception();
            db.rollback();
            restore();
            if (inRecord)
                batch.pop_back();
            db.beginTransaction();
            try {
                for (const std::string& done : batch)
                    perRecord(done);
            } catch (...) {
                db.rollback();
                throw;
            }
            db.commit();
            std::rethrow_exception(failure);
        }
        db.commit();
    }
}


}  // namespace

// The values of one employee line as texts, each byte one character.
struct EmployeeTexts {
    explicit EmployeeTexts(const EmployeeFields& f)
    {
        for (size_t i = 0; i < kEmployeeFieldCount; ++i)
            value[i] = fromBytes(f.value[i]);
    }
    const QString& operator[](EmployeeField which) const { return value[static_cast<size_t>(which)]; }
    std::array<QString, kEmployeeFieldCount> value;
};

QString EmployeeImport::normaliseServiceDate(const QString& text)
{
    QString s = text;
    s.replace(u'-', u'/');
    if (s.indexOf(u'/') == 4)
        s = s.mid(5) + u'/' + s.left(4);
    return s;
}

bool EmployeeImport::run(RequestProgress* progressSink)
{
    NewDepartmentsAdded = false;
    recordsImported = 0;
    departmentsWritten_.clear();
    ProgressScope progress(progressSink, QStringLiteral("Records Imported = 0"));

    const Record& s = currentSettings(dm_);
    EmployeeLayout layout;
    for (size_t i = 0; i < kEmployeeFieldCount; ++i)
        layout.pos[i] = settingsPos(s, kEmployeeFields[i].settings);
    const int skip = settingsInteger(s, "EmpLines");
    const QString fileName = settingsFileName(s, "EmpFileName");
    defaultLocation_ = s.text(u"DefaultLocation");

    const std::string path = QFile::encodeName(fileName).toStdString();
    if (!ImportFileExists(path))
        return false;
    ImportFileReader reader(path);
    reader.SkipLines(skip);
    loadKnownEmployees();
    bool savedNewDepartments = false;
    QHash<QString, std::pair<QString, QString>> savedWritten;
    inBatches(
        dm_.MasterDatabase, reader, progress, recordsImported,
        [&](const std::string& line) {
            const EmployeeFields f = ExtractEmployeeFields(line, layout);
            const EmployeeTexts t(f);
            importEmployee(t);
            ImportDepartment(t[EmployeeField::DepartmentId], t[EmployeeField::DepartmentDescription],
                             t[EmployeeField::ShortDescription]);
        },
        [&] {
            savedNewDepartments = NewDepartmentsAdded;
            savedWritten = departmentsWritten_;
            addedThisBatch_.clear();
        },
        [&] {
            NewDepartmentsAdded = savedNewDepartments;
            departmentsWritten_ = savedWritten;
            for (const QString& id : addedThisBatch_)
                knownIds_.remove(id);
            addedThisBatch_.clear();
        });
    return true;
}

namespace {

// The imported employee fields: where each comes from in the line and which
// field of Employee.db it is stored in, in the order a new row is filled.
struct ImportedField {
    EmployeeField from;
    const char16_t* field;
};

constexpr ImportedField kImported[] = {
    {EmployeeField::EmployeeId, u"EmployeeID"},
    {EmployeeField::Name, u"Name"},
    {EmployeeField::EmployeeEMail, u"EmployeeEMail"},
    {EmployeeField::Gender, u"Sex"},
    {EmployeeField::Ssn, u"SSN"},
    {EmployeeField::ServiceDate, u"AnvDate"},
    {EmployeeField::DepartmentId, u"LocationCode"},
    {EmployeeField::DepartmentAddress, u"CampusMail"},
    {EmployeeField::Supervisor, u"Supervisor"},
    {EmployeeField::SupervisorMail, u"SupervisorMail"},
    {EmployeeField::SupervisorEMail, u"SupervisorEMail"},
    {EmployeeField::Address1, u"EmpAddress1"},
    {EmployeeField::Address2, u"EmpAddress2"},
    {EmployeeField::Street, u"EmpStreet"},
    {EmployeeField::City, u"EmpCity"},
    {EmployeeField::State, u"EmpState"},
    {EmployeeField::Zip, u"EmpZip"},
    {EmployeeField::Country, u"EmpCountry"},
    {EmployeeField::Label1, u"EmpLabel1"},
    {EmployeeField::Label2, u"EmpLabel2"},
};

}  // namespace

void EmployeeImport::loadKnownEmployees()
{
    knownIds_.clear();
    addedThisBatch_.clear();
    Query& q = dm_.EmployeeQuery;
    q.close();
    q.clear();
    q.add(QStringLiteral("Select EmployeeID from \"Employee.db\""));
    q.open();
    for (; !q.eof(); q.next())
        knownIds_.insert(q.text(0));
    q.close();
    Table& e = dm_.EmployeeTable;
    for (size_t i = 0; i < std::size(kImported); ++i)
        fieldIndex_[i] = e.fieldIndex(QStringView(kImported[i].field));
    selectIndex_.fill(-1);
}

void EmployeeImport::ImportEmployee(const EmployeeFields& f)
{
    importEmployee(EmployeeTexts(f));
}

void EmployeeImport::importEmployee(const EmployeeTexts& f)
{
    using F = EmployeeField;
    const QString& id = f[F::EmployeeId];

    // The service date is read the same way for existing and new employees.
    const QString serviceDate = normaliseServiceDate(f[F::ServiceDate]);
    const QDate anvDate = readAppDate(serviceDate);

    // Employees of the database are known from the start of the run, and
    // those this run adds are remembered, so a new employee needs no look-up
    // and a later record with the same ID updates the row an earlier one added.
    if (knownIds_.contains(id)) {
        Query& q = dm_.EmployeeQuery;
        q.close();
        q.clear();
        q.add(QStringLiteral("Select * from \"Employee.db\" where EmployeeID = ") + quotedText(id));
        q.open();
        if (!q.eof()) {
            if (selectIndex_[0] < 0)  // the result's columns are the same for every record
                for (size_t i = 0; i < std::size(kImported); ++i)
                    selectIndex_[i] = q.fieldIndex(QStringView(kImported[i].field));
            // A record that changes nothing writes nothing.
            bool same = true;
            for (size_t i = 1; same && i < std::size(kImported); ++i)
                same = kImported[i].from == F::ServiceDate ? q.value(selectIndex_[i]).toDate() == anvDate
                                                           : q.text(selectIndex_[i]) == f[kImported[i].from];
            q.close();
            if (same)
                return;
            updateEmployee(f, id, anvDate);
            return;
        }
        q.close();
    }
    insertEmployee(f, id, anvDate);
}

void EmployeeImport::updateEmployee(const EmployeeTexts& f, const QString& id, const QDate& anvDate)
{
    using F = EmployeeField;
    auto v = [&](F which) { return quotedText(f[which]); };
    Query& q = dm_.EmployeeQuery;
    q.close();
    q.clear();
    q.add(QStringLiteral("Update \"Employee.db\" Set Name = ") + v(F::Name) + QStringLiteral(", SSN = ") + v(F::Ssn));
    q.add(QStringLiteral(", EmployeeEMail = ") + v(F::EmployeeEMail));
    q.add(QStringLiteral(", Sex = ") + v(F::Gender) + QStringLiteral(", AnvDate = ") + quotedText(formatAppDate(anvDate)));
    q.add(QStringLiteral(", LocationCode = ") + v(F::DepartmentId) + QStringLiteral(", CampusMail = ")
          + v(F::DepartmentAddress));
    q.add(QStringLiteral(", Supervisor = ") + v(F::Supervisor) + QStringLiteral(", SupervisorMail = ")
          + v(F::SupervisorMail));
    q.add(QStringLiteral(", SupervisorEMail = ") + v(F::SupervisorEMail));
    q.add(QStringLiteral(", EmpAddress1 = ") + v(F::Address1));
    q.add(QStringLiteral(", EmpAddress2 = ") + v(F::Address2));
    q.add(QStringLiteral(", EmpStreet = ") + v(F::Street));
    q.add(QStringLiteral(", EmpCity = ") + v(F::City));
    q.add(QStringLiteral(", EmpState = ") + v(F::State));
    q.add(QStringLiteral(", EmpZip = ") + v(F::Zip));
    q.add(QStringLiteral(", EmpCountry = ") + v(F::Country));
    q.add(QStringLiteral(", EmpLabel1 = ") + v(F::Label1));
    q.add(QStringLiteral(", EmpLabel2 = ") + v(F::Label2));
    q.add(QStringLiteral("where EmployeeID = ") + quotedText(id));
    q.execSQL();
}

void EmployeeImport::insertEmployee(const EmployeeTexts& f, const QString& id, const QDate& anvDate)
{
    Table& e = dm_.EmployeeTable;
    e.insert();
    try {
        for (size_t i = 0; i < std::size(kImported); ++i) {
            if (kImported[i].from == EmployeeField::ServiceDate)
                e.setValueAt(fieldIndex_[i], anvDate);
            else
                e.setValueAt(fieldIndex_[i], f[kImported[i].from]);
        }
        e.post();
    } catch (...) {
        e.cancel();  // the row begun for a failing record is not stored
        throw;
    }

    Table& a = dm_.EmpAwardTable;
    a.insert();
    try {
        a.setValue(u"EmployeeID", id);
        a.post();
    } catch (...) {
        a.cancel();
        throw;
    }
    knownIds_.insert(id);
    addedThisBatch_.push_back(id);
}

void EmployeeImport::ImportDepartment(const QString& departmentId, const QString& description,
                                      const QString& shortDescription)
{
    // A record without a department ID names no department: there is none
    // to find or create (a department with a blank code could never be
    // selected again).
    if (departmentId.isEmpty())
        return;
    const auto written = departmentsWritten_.constFind(departmentId);
    if (written != departmentsWritten_.constEnd() && written->first == description
        && written->second == shortDescription)
        return;

    Query& q = dm_.DepartmentQuery;
    q.close();
    q.clear();
    q.add(QStringLiteral("Select * from \"Depart.db\" where LocationCode = ") + quotedText(departmentId));
    q.open();
    const bool exists = !q.eof();
    q.close();
    if (exists) {
        q.clear();
        q.add(QStringLiteral("Update \"Depart.db\" Set Description = ") + quotedText(description)
              + QStringLiteral(", ShortDescription = ") + quotedText(shortDescription)
              + QStringLiteral(" where LocationCode = ") + quotedText(departmentId));
        q.execSQL();
    } else {
        Table& d = dm_.DepartmentTable;
        d.append();  // its after-insert handler fills the default address codes
        try {
            d.setValue(u"LocationCode", departmentId);
            d.setValue(u"Description", description);
            d.setValue(u"ShortDescription", shortDescription);
            d.setValue(u"LocationType", defaultLocation_);
            d.post();
        } catch (...) {
            d.cancel();
            throw;
        }
        NewDepartmentsAdded = true;
    }
    departmentsWritten_.insert(departmentId, {description, shortDescription});
}

bool AwardImport::run(RequestProgress* progressSink)
{
    recordsImported = 0;
    ProgressScope progress(progressSink, QStringLiteral("Deleting Old Award Information"));

    const Record& s = currentSettings(dm_);
    const AwardLayout layout{settingsPos(s, kAwardCodePosNames), settingsPos(s, kAwardDescPosNames)};
    const int skip = settingsInteger(s, "AwardsLines");
    const QString fileName = settingsFileName(s, "AwardFileName");

    const std::string path = QFile::encodeName(fileName).toStdString();
    if (!ImportFileExists(path))
        return false;
    ImportFileReader reader(path);
    reader.SkipLines(skip);

    Database& db = dm_.MasterDatabase;
    db.beginTransaction();
    try {
        Query& q = dm_.AwardQuery;
        q.close();
        q.clear();
        q.add(QStringLiteral("Delete from \"award.db\""));
        q.execSQL();
    } catch (...) {
        db.rollback();
        throw;
    }
    db.commit();

    Table& awards = dm_.AwardTable;
    awards.open();
    dm_.AwardSource.setEnabled(true);
    inBatches(
        db, reader, progress, recordsImported,
        [&](const std::string& line) {
            const AwardFields f = ExtractAwardFields(line, layout);
            awards.append();
            try {
                awards.setValue(u"AwardCode", fromBytes(f.code));
                awards.setValue(u"AwardDesc", fromBytes(f.description));
                awards.post();
            } catch (...) {
                awards.cancel();
                throw;
            }
        },
        [] {}, [] {});
    return true;
}

}  // namespace orvanta
