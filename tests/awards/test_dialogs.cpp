#include "app/mainscreen.h"
#include "app/messages.h"
#include "app/pictures.h"
#include "app/startup.h"
#include "awards/deleteform.h"
#include "awards/mailform.h"
#include "awards/periodcontrols.h"
#include "awardsdb.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <limits>

using namespace orvanta;
using namespace orvanta::test;

namespace {

// The dialog becomes active again within one showing (its message box closed).
void reactivate(QWidget& w)
{
    QEvent e(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&w, &e);
}

// The dialog is opened and becomes the active window.
void activate(QWidget& w)
{
    QShowEvent shown;
    QCoreApplication::sendEvent(&w, &shown);
    reactivate(w);
}

QString thisYear()
{
    return QString::number(QDate::currentDate().year());
}

// Chooses a row of the location type box as a user does.
void chooseLocation(LookupComboBox* box, const QString& description)
{
    const int i = box->findText(description);
    ASSERT_GE(i, 0) << description.toStdString();
    box->setCurrentIndex(i);
    emit box->activated(i);
}

TEST(TextSpinEdit, HoldsAnyTextAndStepsFromTheNumber)
{
    TextSpinEdit box;
    EXPECT_EQ(box.text(), QString("1999"));
    box.setText("");
    EXPECT_EQ(box.text(), QString(""));          // an empty box stays empty
    EXPECT_FALSE(box.value().has_value());
    box.stepBy(1);                               // steps from the last number it held
    EXPECT_EQ(box.text(), QString("2000"));
    box.setText("-7");
    box.stepBy(-3);
    EXPECT_EQ(box.text(), QString("-10"));
    box.setValue(std::numeric_limits<int>::max() - 1);
    box.stepBy(5);
    EXPECT_EQ(box.text(), QString::number(std::numeric_limits<int>::max()));

    // Typing: digits, sign and spaces are taken, letters are not.
    QLineEdit* edit = box.findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->clear();
    QTest::keyClicks(edit, "19a9");
    EXPECT_EQ(box.text(), QString("199"));
    QTest::keyClick(&box, Qt::Key_Up);
    EXPECT_EQ(box.text(), QString("200"));
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.locationType("B", "Beta");
        db.locationType("A", "Alpha");
        db.department("D1", "A", "Accounting", "ACCT");
        db.employee({"1001", "Smith, Jane", QDate(1979, 3, 15), "D1", "", "", "", "", "F"});
        db.awardRecord("1001");
    }

    void setMailExport(const QString& path)
    {
        db.sql(QStringLiteral("Delete from \"settings.db\""));
        db.sql(QStringLiteral("Insert into \"settings.db\" (MailExport) values (%1)").arg(quotedText(path)));
    }

    AwardsDb db;
    RecordingMessageService messages;
};

TEST_F(DialogTest, PeriodControlsStartAsTheDialogsNeedThem)
{
    TMailForm form(*db.dm);
    PeriodControls& p = *form.Period;
    QStringList months;
    for (int i = 0; i < p.ComboBox1->count(); ++i)
        months << p.ComboBox1->itemText(i);
    EXPECT_EQ(months, monthTexts());
    EXPECT_TRUE(p.ComboBox1->isEditable());
    EXPECT_EQ(p.ComboBox1->currentText(), QString("Whole Year"));
    EXPECT_EQ(p.SpinEdit1->text(), QString("1999"));
    // Location types by description, nothing chosen.
    EXPECT_EQ(p.DBLookupComboBox1->count(), 2);
    EXPECT_EQ(p.DBLookupComboBox1->itemText(0), QString("Alpha"));
    EXPECT_TRUE(p.DBLookupComboBox1->keyValue().isNull());
    EXPECT_EQ(p.DBLookupComboBox1->currentIndex(), -1);
    EXPECT_TRUE(p.RadioButton1->isChecked());
    EXPECT_EQ(p.SortBy->title(), QString("Sort By"));
    EXPECT_EQ(p.Label3->text(), QString("Location Type To Export:"));

    // A typed month is read as typed.
    p.ComboBox1->setEditText("february");
    p.RadioButton2->setChecked(true);
    chooseLocation(p.DBLookupComboBox1, "Beta");
    const AwardPeriod read = p.period();
    EXPECT_EQ(read.monthText, QString("february"));
    EXPECT_EQ(read.locationType, std::optional<QString>("B"));
    EXPECT_EQ(read.locationDescription, QString("Beta"));
    EXPECT_EQ(read.sort, SortChoice::YearsOfService);

    // The list follows the table: a new location type appears, the chosen one
    // kept; when the chosen row goes, so does the choice.
    db.locationType("C", "Central");
    EXPECT_EQ(p.DBLookupComboBox1->count(), 3);
    EXPECT_EQ(p.DBLookupComboBox1->currentText(), QString("Beta"));
    db.sql(R"(Delete from "Location.db" where LocationType = "B")");
    EXPECT_EQ(p.DBLookupComboBox1->count(), 2);
    EXPECT_FALSE(p.locationChosen());
}

TEST_F(DialogTest, MailFormActivationSetsTheYearAndShowsEveryLocationType)
{
    TMailForm form(*db.dm);
    EXPECT_EQ(form.windowTitle(), QString("Print Mail Merge File"));
    EXPECT_EQ(form.GroupBox1->title(), QString("Mail Merge Options"));
    db.dm->LocationFilter = "B";
    db.dm->LocationTable.setFiltered(true);
    form.Period->DBLookupComboBox1->reload();
    EXPECT_EQ(form.Period->DBLookupComboBox1->count(), 1);
    form.Period->SpinEdit1->setText("1888");
    activate(form);
    EXPECT_FALSE(db.dm->LocationTable.filtered());
    EXPECT_EQ(form.Period->DBLookupComboBox1->count(), 2);
    EXPECT_EQ(form.Period->SpinEdit1->text(), thisYear());
}

TEST_F(DialogTest, ReturningFromAMessageBoxKeepsTheTypedYear)
{
    TMailForm form(*db.dm);
    activate(form);
    EXPECT_EQ(form.Period->SpinEdit1->text(), thisYear());
    form.Period->SpinEdit1->setText("1999");
    form.ExportB->click();  // no location type: the message box comes and goes
    reactivate(form);
    EXPECT_EQ(form.Period->SpinEdit1->text(), QString("1999"));
    activate(form);  // opened again: the current year once more
    EXPECT_EQ(form.Period->SpinEdit1->text(), thisYear());
}

TEST_F(DialogTest, MailFormNeedsALocationType)
{
    setMailExport(db.tmp.file("merge.csv"));
    TMailForm form(*db.dm);
    form.show();
    form.Period->SpinEdit1->setText("");  // not even read: the check comes first
    form.ExportB->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QString("Location Type To Export Not Selected"));
    EXPECT_EQ(messages.shown[0].title, QString("Error"));
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Error);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.Label4->isVisible());
    EXPECT_FALSE(QFile::exists(db.tmp.file("merge.csv")));
}

TEST_F(DialogTest, MailFormExportsAndCloses)
{
    setMailExport(db.tmp.file("merge.csv"));
    TMailForm form(*db.dm);
    form.show();
    chooseLocation(form.Period->DBLookupComboBox1, "Alpha");
    form.Period->SpinEdit1->setText("1999");
    // "Exporting Data" is up while the request runs.
    struct ShowRecorder : QObject {
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Show)
                ++shows;
            return false;
        }
        int shows = 0;
    } recorder;
    form.Label4->installEventFilter(&recorder);
    form.ExportB->click();
    EXPECT_EQ(recorder.shows, 1);
    EXPECT_EQ(messages.shown.size(), 0u);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.Label4->isVisible());
    EXPECT_EQ(form.AwardYear, 1999);
    QFile f(db.tmp.file("merge.csv"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count('\n'), 2);

    // The choice stays for the next opening.
    form.show();
    EXPECT_EQ(form.Period->DBLookupComboBox1->keyValue().toString(), QString("A"));
    EXPECT_EQ(form.Period->DBLookupComboBox1->currentText(), QString("Alpha"));
}

TEST_F(DialogTest, MailFormStaysOpenOnErrors)
{
    QDir(db.tmp.path()).mkdir("folder");
    const struct {
        const char* month;
        const char* year;
        QString file;
        const char* message;  // start of the message shown
    } cases[] = {
        {"Whole Year", "", db.tmp.file("merge.csv"), "'' is not a valid integer value"},
        {"january", "1999", db.tmp.file("merge.csv"), "near \")\": syntax error"},
        {"Whole Year", "1999", db.tmp.file("folder"), "File access denied"},
        {"Whole Year", "1999", db.tmp.file("missing/merge.csv"), "Invalid filename"},
    };
    TMailForm form(*db.dm);
    chooseLocation(form.Period->DBLookupComboBox1, "Alpha");
    for (const auto& c : cases) {
        setMailExport(c.file);
        messages.shown.clear();
        form.show();
        form.Period->ComboBox1->setEditText(c.month);
        form.Period->SpinEdit1->setText(c.year);
        form.ExportB->click();
        ASSERT_EQ(messages.shown.size(), 1u) << c.message;
        EXPECT_TRUE(messages.shown[0].text.startsWith(c.message)) << messages.shown[0].text.toStdString();
        EXPECT_EQ(messages.shown[0].title, QString("Orvanta"));
        EXPECT_TRUE(form.isVisible()) << c.message;
        EXPECT_FALSE(form.Label4->isVisible()) << c.message;
        EXPECT_FALSE(QFile::exists(db.tmp.file("merge.csv"))) << c.message;
    }
}

TEST_F(DialogTest, MailFormWithoutFileNameClosesWithoutWriting)
{
    TMailForm form(*db.dm);
    form.show();
    chooseLocation(form.Period->DBLookupComboBox1, "Alpha");
    form.ExportB->click();
    EXPECT_EQ(messages.shown.size(), 0u);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(DialogTest, DeleteFormDeletesAndCloses)
{
    TDeleteForm form(*db.dm);
    EXPECT_EQ(form.windowTitle(), QString("Delete Orvanta Data"));
    EXPECT_EQ(form.Period->Label1->text(), QString("Orvanta Month to Delete:"));
    EXPECT_EQ(form.Period->Label2->text(), QString("Orvanta Year To Delete:"));
    EXPECT_EQ(form.Period->DBLookupComboBox1, nullptr);
    EXPECT_EQ(form.Period->SortBy, nullptr);
    EXPECT_EQ(form.CheckBox1->text(), QString("Delete All Data"));
    EXPECT_FALSE(form.CheckBox1->isChecked());
    EXPECT_FALSE(form.Animate1->isVisible());
    EXPECT_FALSE(form.Animate1->active());

    // Activation sets the year only; the location filter is left alone.
    db.dm->LocationFilter = "B";
    db.dm->LocationTable.setFiltered(true);
    form.Period->SpinEdit1->setText("");
    activate(form);
    EXPECT_EQ(form.Period->SpinEdit1->text(), thisYear());
    EXPECT_TRUE(db.dm->LocationTable.filtered());

    form.show();
    form.Period->SpinEdit1->setText("1999");
    form.Period->ComboBox1->setCurrentText("March");
    form.DeleteB->click();
    EXPECT_EQ(messages.shown.size(), 0u);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.Animate1->isVisible());
    EXPECT_FALSE(form.Animate1->active());
    EXPECT_EQ(db.employeeIds(), QStringList());
    EXPECT_EQ(db.awardIds(), QStringList());
}

TEST_F(DialogTest, EnterInTheDeleteFormCancels)
{
    // No question comes before a delete, so Enter in a box does not start one.
    TDeleteForm form(*db.dm);
    form.show();
    form.Period->SpinEdit1->setText("1999");
    QTest::keyClick(form.Period->SpinEdit1, Qt::Key_Return);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(db.employeeIds(), QStringList{"1001"});
}

TEST_F(DialogTest, DeleteFormStaysOpenOnErrorsAndKeepsItsTick)
{
    db.awardRecord("Orphan");
    TDeleteForm form(*db.dm);
    form.show();
    form.CheckBox1->setChecked(true);
    form.Period->SpinEdit1->setText("");
    form.DeleteB->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QString("'' is not a valid integer value"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.Animate1->isVisible());
    EXPECT_EQ(db.awardIds().size(), 2);

    form.Period->SpinEdit1->setText("1999");
    form.DeleteB->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(db.awardIds(), QStringList());  // the orphan goes only with all data

    form.show();
    EXPECT_TRUE(form.CheckBox1->isChecked());  // the tick is still there at the next opening
}

TEST(ProgramWindows, CreatesAndWiresThePeriodDialogs)
{
    RecordingMessageService messages;
    QTemporaryDir dir;
    auto w = createProgramWindows(dir.path());
    const qsizetype del = w->creationOrder.indexOf("TDeleteForm");
    const qsizetype mail = w->creationOrder.indexOf("TMailForm");
    EXPECT_GT(del, w->creationOrder.indexOf("TDataModule2"));
    EXPECT_GT(mail, del);
    for (const char* item : {"MergeFile1", "Delete1"}) {
        QAction* action = w->MainScreen->action(item);
        ASSERT_TRUE(action->isEnabled()) << item;
        QWidget* opened = nullptr;
        QTimer::singleShot(0, [&] {
            opened = QApplication::activeModalWidget();
            if (opened)
                static_cast<QDialog*>(opened)->reject();
        });
        action->trigger();
        EXPECT_EQ(opened, item == std::string("MergeFile1") ? static_cast<QWidget*>(w->MailForm.get())
                                                            : static_cast<QWidget*>(w->DeleteForm.get()))
            << item;
    }
}

}  // namespace
