#include "app/mainscreen.h"
#include "app/messages.h"
#include "app/startup.h"
#include "awards/exportform.h"
#include "awards/periodcontrols.h"
#include "awardsdb.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QDate>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace orvanta;
using namespace orvanta::test;

namespace {

void open(QWidget& w)
{
    QShowEvent shown;
    QCoreApplication::sendEvent(&w, &shown);
    QEvent active(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&w, &active);
}

class ExportFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.locationType("A", "Alpha");
        db.sql(R"(Insert into "billing.db" (WorkLocCode, WorkLocCompany) values ("BILL", "Billing"))");
        db.sql(R"(Insert into "Depart.db" (LocationCode, Description, LocationType, BillingLocCodeID, WorkLocCodeID)
                  values ("D1", "Accounting", "A", 1, 1))");
        db.employee("E1", QDate(1979, 3, 5), "D1");
        form.ExportFile->setText(db.tmp.file("out.prn"));
    }

    void choose(const QString& description)
    {
        LookupComboBox* box = form.Period->DBLookupComboBox1;
        const int i = box->findText(description);
        ASSERT_GE(i, 0);
        box->setCurrentIndex(i);
        emit box->activated(i);
    }

    AwardsDb db;
    RecordingMessageService messages;
    TExportForm form{*db.dm};
};

TEST_F(ExportFormTest, ControlsAsTheUserFindsThem)
{
    TExportForm fresh(*db.dm);
    EXPECT_EQ(fresh.windowTitle(), QString("Export Form"));
    EXPECT_EQ(fresh.GroupBox1->title(), QString("Export Options"));
    EXPECT_EQ(fresh.Period->Label3->text(), QString("Location Type To Export"));
    EXPECT_EQ(fresh.Period->SortBy, nullptr);
    EXPECT_EQ(fresh.Label4->text(), QString("Export To File:"));
    EXPECT_EQ(fresh.ExportFile->text(), TExportForm::initialFileName());
    EXPECT_TRUE(fresh.ExportFile->text().endsWith("/awards.xls"));
    EXPECT_EQ(fresh.AppendFile->text(), QString("Append to File"));
    EXPECT_FALSE(fresh.AppendFile->isChecked());
    EXPECT_EQ(fresh.ExportBtn->text(), QString("&Export"));
    EXPECT_TRUE(fresh.Label5->isHidden());
    EXPECT_EQ(fresh.Period->SpinEdit1->text(), QString("1999"));
}

TEST_F(ExportFormTest, ActivationRaisesAnEarlierYearOnly)
{
    const QString thisYear = QString::number(QDate::currentDate().year());
    db.dm->LocationFilter = "none";
    db.dm->LocationTable.setFiltered(true);
    open(form);
    EXPECT_FALSE(db.dm->LocationTable.filtered());
    EXPECT_EQ(form.Period->SpinEdit1->text(), thisYear);
    form.Period->SpinEdit1->setText("2099");
    open(form);
    EXPECT_EQ(form.Period->SpinEdit1->text(), QString("2099"));
}

TEST_F(ExportFormTest, FileButtonOffersTheNameAndKeepsItOnCancel)
{
    QString offered;
    QString answer = db.tmp.file("chosen.xls");
    form.SaveDialog1 = [&](QWidget*, const QString& initial) {
        offered = initial;
        return answer;
    };
    form.FileBtn->click();
    EXPECT_EQ(offered, db.tmp.file("out.prn"));
    EXPECT_EQ(form.ExportFile->text(), db.tmp.file("chosen.xls"));
    answer.clear();  // cancelled
    form.FileBtn->click();
    EXPECT_EQ(form.ExportFile->text(), db.tmp.file("chosen.xls"));
}

TEST_F(ExportFormTest, NoLocationTypeStopsBeforeAnything)
{
    form.show();
    form.ExportBtn->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QString("Location Type To Export Not Selected"));
    EXPECT_EQ(messages.shown[0].title, QString("Error"));
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Error);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(QFile::exists(db.tmp.file("out.prn")));
}

TEST_F(ExportFormTest, ExportsAndClosesOrStaysOpenWithTheError)
{
    form.show();
    choose("Alpha");
    form.Period->SpinEdit1->setText("1999");
    form.ExportBtn->click();
    EXPECT_TRUE(messages.shown.empty()) << messages.shown[0].text.toStdString();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(form.Label5->isHidden());
    QFile out(db.tmp.file("out.prn"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll().count('\t'), 41);

    form.show();
    form.ExportFile->setText(db.tmp.file("missing.prn"));
    form.AppendFile->setChecked(true);
    form.ExportBtn->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QString("File not found"));
    EXPECT_EQ(messages.shown[0].title, QString("Orvanta"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.Label5->isHidden());
}

TEST(ExportMenu, StartUpWiresTheExportDialog)
{
    QTemporaryDir dir;
    auto w = createProgramWindows(dir.path());
    EXPECT_TRUE(w->MainScreen->action("Export1")->isEnabled());
    ASSERT_NE(w->ExportForm, nullptr);
    const QStringList order = w->creationOrder;
    EXPECT_LT(order.indexOf("TMailForm"), order.indexOf("TExportForm"));
}

}  // namespace
