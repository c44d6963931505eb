#include "data/schema.h"

namespace orvanta {

int TableDef::fieldIndex(QStringView fieldName) const
{
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name.size() == fieldName.size() && fields[i].name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

const FieldDef* TableDef::field(QStringView fieldName) const
{
    const int i = fieldIndex(fieldName);
    return i < 0 ? nullptr : &fields[size_t(i)];
}

namespace schema {
namespace {

std::vector<FieldDef> textFields(std::initializer_list<const char*> names)
{
    std::vector<FieldDef> out;
    for (const char* n : names)
        out.push_back({QString::fromLatin1(n), FieldType::Text});
    return out;
}

std::vector<TableDef> buildTables()
{
    using F = FieldType;
    std::vector<TableDef> t;

    TableDef employee{QStringLiteral("Employee"), {}, QStringLiteral("EmployeeID"), {}};
    employee.fields = textFields({"EmployeeID", "Name", "SSN", "Sex"});
    employee.fields.push_back({QStringLiteral("AnvDate"), F::Date});
    for (auto& f : textFields({"LocationCode", "CampusMail", "Supervisor", "SupervisorMail",
                               "SupervisorEMail", "EmployeeEMail", "EmpAddress1", "EmpAddress2",
                               "EmpStreet", "EmpCity", "EmpState", "EmpZip", "EmpCountry",
                               "EmpLabel1", "EmpLabel2"}))
        employee.fields.push_back(f);
    t.push_back(employee);

    TableDef empAward{QStringLiteral("EmpAward"), {}, QStringLiteral("EmployeeID"), {}};
    empAward.fields = textFields({"EmployeeID", "AwardCode", "AwardRec", "AwardSent"});
    empAward.fields.push_back({QStringLiteral("Comments"), F::Memo});
    empAward.fields.push_back({QStringLiteral("DateEntered"), F::Date});
    t.push_back(empAward);

    TableDef depart{QStringLiteral("Depart"), {}, QStringLiteral("LocationCode"),
                    {{QStringLiteral("DDescription"), {QStringLiteral("Description")}}}};
    depart.fields = textFields({"LocationCode", "Description", "ShortDescription", "LocationType"});
    depart.fields.push_back({QStringLiteral("WorkLocCodeID"), F::Integer});
    depart.fields.push_back({QStringLiteral("BillingLocCodeID"), F::Integer});
    t.push_back(depart);

    TableDef location{QStringLiteral("Location"), {}, QStringLiteral("LocationType"),
                      {{QStringLiteral("LDescription"), {QStringLiteral("Description")}}}};
    location.fields = textFields({"LocationType", "Description"});
    location.fields.push_back({QStringLiteral("WorkLocCodeID"), F::Integer});
    location.fields.push_back({QStringLiteral("BillingLocCodeID"), F::Integer});
    t.push_back(location);

    TableDef award{QStringLiteral("award"), textFields({"AwardCode", "AwardDesc"}),
                   QStringLiteral("AwardCode"), {}};
    t.push_back(award);

    TableDef billing{QStringLiteral("billing"), {}, QStringLiteral("WorkLocCodeID"),
                     {{QStringLiteral("CodeDescription"), {QStringLiteral("WorkLocCode")}}}};
    billing.fields.push_back({QStringLiteral("WorkLocCodeID"), F::AutoInc});
    for (auto& f : textFields({"WorkLocCode", "WorkLocCompany", "WorkLocAttn", "WorkLocAddress1",
                               "WorkLocAddress2", "WorkLocStreet", "WorkLocCity", "WorkLocState",
                               "WorkLocZip", "WorkLocCountry", "WorkLocPhone", "WorkLocFax",
                               "WorkLocEMail", "Label1", "Label2"}))
        billing.fields.push_back(f);
    t.push_back(billing);

    TableDef settings{QStringLiteral("settings"), {}, QString(), {}};
    settings.fields.push_back({QStringLiteral("EmpFileName"), F::Text});
    settings.fields.push_back({QStringLiteral("EmpLines"), F::Integer});
    for (const char* pair : {"EmployeeID", "EmployeeName", "EmpEMail", "ServiceDate", "Gender",
                             "SSN", "DepartmentID", "Description", "Address", "Short", "Supervisor",
                             "SupervisorMail", "SupervisorEMail", "EmpAddress1", "EmpAddress2",
                             "EmpStreet", "EmpCity", "EmpState", "EmpZip", "EmpCountry",
                             "EmpLabel1", "EmpLabel2"}) {
        settings.fields.push_back({QString::fromLatin1(pair) + u'S', F::Integer});
        settings.fields.push_back({QString::fromLatin1(pair) + u'L', F::Integer});
    }
    settings.fields.push_back({QStringLiteral("AwardFileName"), F::Text});
    settings.fields.push_back({QStringLiteral("AwardsLines"), F::Integer});
    for (const char* n : {"AwardCodeS", "AwardCodeL", "AwardDescS", "AwardDescL"})
        settings.fields.push_back({QString::fromLatin1(n), F::Integer});
    for (const char* n : {"DefaultLocation", "MailExport", "CustomerCode", "AdministrativeCode"})
        settings.fields.push_back({QString::fromLatin1(n), F::Text});
    settings.fields.push_back({QStringLiteral("BillingLocCodeID"), F::Integer});
    settings.fields.push_back({QStringLiteral("WorkLocCodeID"), F::Integer});
    t.push_back(settings);

    return t;
}

QString columnType(FieldType type)
{
    switch (type) {
    case FieldType::Text:
    case FieldType::Memo: return QStringLiteral("TEXT");
    case FieldType::Integer: return QStringLiteral("INTEGER");
    case FieldType::Date: return QStringLiteral("DATE");
    case FieldType::AutoInc: return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    }
    return QStringLiteral("TEXT");
}

}  // namespace

const std::vector<TableDef>& tables()
{
    static const std::vector<TableDef> all = buildTables();
    return all;
}

QString stripDbExtension(QStringView name)
{
    if (name.endsWith(u".db", Qt::CaseInsensitive))
        name.chop(3);
    return name.toString();
}

const TableDef* findTable(QStringView name)
{
    if (name.endsWith(u".db", Qt::CaseInsensitive))
        name.chop(3);
    for (const TableDef& t : tables())
        if (t.name.size() == name.size() && t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

bool isDateField(QStringView fieldName)
{
    // Asked for every literal of every statement, so the names are gathered once.
    static const QStringList dateFields = [] {
        QStringList names;
        for (const TableDef& t : tables())
            for (const FieldDef& f : t.fields)
                if (f.type == FieldType::Date)
                    names << f.name;
        return names;
    }();
    for (const QString& name : dateFields)
        if (name.size() == fieldName.size() && name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

const TableDef& settingsTable()
{
    return *findTable(u"settings");
}

QStringList createStatements()
{
    QStringList out;
    for (const TableDef& t : tables()) {
        QStringList cols;
        for (const FieldDef& f : t.fields) {
            QString col = QStringLiteral("\"%1\" %2").arg(f.name, columnType(f.type));
            // Text keys may not be blank: a row without its key could never be
            // found again by the statements that select by key.
            if (f.name == t.key && f.type != FieldType::AutoInc)
                col += QStringLiteral(" NOT NULL PRIMARY KEY");
            cols << col;
        }
        out << QStringLiteral("CREATE TABLE \"%1\" (%2)").arg(t.name, cols.join(QStringLiteral(", ")));
        for (const IndexDef& idx : t.indexes)
            out << QStringLiteral("CREATE INDEX \"%1_%2\" ON \"%1\" (%3)")
                       .arg(t.name, idx.name, idx.fields.join(QStringLiteral(", ")));
    }
    // Indexes for the award period selections: employees by department and by
    // the year of their service date (the selections compare that year with the
    // milestone years), departments by location type.
    out << QStringLiteral("CREATE INDEX \"Employee_LocationCode\" ON \"Employee\" (LocationCode)");
    out << QStringLiteral("CREATE INDEX \"Employee_AnvYear\" ON \"Employee\" "
                          "(CAST(strftime('%Y', AnvDate) AS INTEGER))");
    out << QStringLiteral("CREATE INDEX \"Depart_LocationType\" ON \"Depart\" (LocationType)");
    return out;
}

}  // namespace schema
}  // namespace orvanta
