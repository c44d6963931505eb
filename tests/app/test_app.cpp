#include "app/aboutbox.h"
#include "app/mainscreen.h"
#include "app/messages.h"
#include "app/pictures.h"
#include "app/startup.h"
#include "data/datamodule.h"
#include "data/error.h"
#include "import/importfixture.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvanta;

namespace {

// The menu as the user sees it: "name caption" per item, submenus indented.
void walk(const QList<QAction*>& actions, int depth, QStringList& out)
{
    for (QAction* a : actions) {
        const QString caption = a->isSeparator() ? QStringLiteral("-") : a->text();
        out << QString(depth * 2, u' ') + a->objectName() + u' ' + caption;
        if (a->menu())
            walk(a->menu()->actions(), depth + 1, out);
    }
}

TEST(MainScreen, MenuTreeCaptionsAndOrder)
{
    TMainScreen w;
    QStringList got;
    walk(w.menuBar()->actions(), 0, got);
    const QStringList expected = {
        "File1 &File",
        "  Settings1 &Settings",
        "  N2 -",
        "  Print1 &Print",
        "    AwardsList1 &Awards List",
        "    MergeFile1 &Merge File",
        "    DepartmentList1 &Department List",
        "  PrinterSetup1 P&rinter Setup",
        "  N3 -",
        "  Import1 &Import",
        "    Awards1 &Awards List",
        "    EmployeeData1 &Employee Data",
        "  Export1 E&xport",
        "  N1 -",
        "  Delete1 &Delete",
        "  N4 -",
        "  Exit1 &Exit",
        "Department1 &Update",
        "  Update1 &Departments",
        "  Awards3 &Awards",
        "  Employees1 &Employees",
        "  location1 &Location",
        "  Billing1 &Billing",
        "Awards2 &Help",
        "  About1 &About",
    };
    EXPECT_EQ(got.join(u'\n').toStdString(), expected.join(u'\n').toStdString());
}

TEST(MainScreen, WindowAndProgressDisplayAtStart)
{
    TMainScreen w;
    EXPECT_EQ(w.windowTitle(), QString("Orvanta"));
    EXPECT_EQ(w.size(), QSize(696, 480));
    EXPECT_TRUE(w.Label1->isHidden());
    EXPECT_EQ(w.Label1->width(), 273);
    EXPECT_TRUE(w.Animate1->isHidden());
    EXPECT_FALSE(w.Animate1->active());
    EXPECT_FALSE(w.NewDepartmentsAdded);

    w.ShowProgress(QStringLiteral("Records Imported = 1"));
    EXPECT_FALSE(w.Label1->isHidden());
    EXPECT_TRUE(w.Animate1->active());
    w.SetProgressText(QStringLiteral("Records Imported = 2"));
    EXPECT_EQ(w.Label1->text(), QString("Records Imported = 2"));
    w.HideProgress();
    EXPECT_TRUE(w.Label1->isHidden());
    EXPECT_FALSE(w.Animate1->active());
}

TEST(MainScreen, ItemsStayDisabledUntilWired)
{
    TMainScreen w;
    EXPECT_TRUE(w.action("Exit1")->isEnabled());
    EXPECT_FALSE(w.action("Settings1")->isEnabled());
    int runs = 0;
    w.wire("Settings1", [&] { ++runs; });
    ASSERT_TRUE(w.action("Settings1")->isEnabled());
    w.action("Settings1")->trigger();
    EXPECT_EQ(runs, 1);
}

TEST(MainScreen, CreatesTheAwardsAliasWhenMissing)
{
    QSettings s(QStringLiteral("Orvanta"), QStringLiteral("engine"));
    s.remove(QStringLiteral("Aliases"));
    s.sync();
    TMainScreen w;
    EXPECT_EQ(AliasRegistry().path(QStringLiteral("Awards")), QString("."));
    AliasRegistry().add(QStringLiteral("Awards"), QStringLiteral("/somewhere"));
    TMainScreen again;  // an existing alias is kept
    EXPECT_EQ(AliasRegistry().path(QStringLiteral("Awards")), QString("/somewhere"));
    s.remove(QStringLiteral("Aliases"));
}

TEST(GeneralErrorHandler, ShowsTheErrorTextAndStopsTheRequest)
{
    RecordingMessageService boxes;
    bool after = false;
    EXPECT_FALSE(guarded(nullptr, [&] {
        throw Error("'x' is not a valid integer value");
        after = true;
    }));
    EXPECT_FALSE(after);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QString("'x' is not a valid integer value"));
    EXPECT_EQ(boxes.shown[0].title, QString("Orvanta"));
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Error);
    EXPECT_TRUE(guarded(nullptr, [] {}));
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST(StartUp, WindowsInOrderAndActivationLoadsDefaults)
{
    QTemporaryDir dir;
    auto w = createProgramWindows(dir.path());
    EXPECT_EQ(w->creationOrder.mid(0, 3), (QStringList{"TMainScreen", "TDataModule2", "TAboutBox"}));
    EXPECT_EQ(w->DataModule2->MasterDatabase.directory(), QDir(dir.path()).absolutePath());
    EXPECT_TRUE(w->MainScreen->action("About1")->isEnabled());

    w->DataModule2->MasterDatabase.execute(R"(Insert into "settings.db" (WorkLocCodeID) values (3))");
    EXPECT_EQ(w->DataModule2->DefaultWorkLocCodeID, -1);
    w->MainScreen->FormActivate();
    EXPECT_EQ(w->DataModule2->DefaultWorkLocCodeID, 3);
}

TEST(MainScreen, EmployeeImportWarnsOfNewDepartmentsAndShowsErrors)
{
    orvanta::test::ImportFixture fx;
    TMainScreen w;
    w.setDataModule(fx.dm.get());
    RecordingMessageService boxes;
    bool progressShownDuringRun = false;
    boxes.onShow = [&](const MessageRequest&) { progressShownDuringRun = !w.Label1->isHidden(); };

    fx.write(fx.employeeFile, {fx.line("E1", "A", "01/01/1990", "NEW")});
    w.action("EmployeeData1")->trigger();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QString("New Departments Added"));
    EXPECT_EQ(boxes.shown[0].title, QString("Warning"));
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Warning);
    EXPECT_FALSE(progressShownDuringRun);  // the display is hidden before the warning
    EXPECT_TRUE(w.NewDepartmentsAdded);
    EXPECT_EQ(w.Label1->text(), QString("Records Imported = 1"));

    w.action("EmployeeData1")->trigger();  // nothing new: no box
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(w.NewDepartmentsAdded);

    fx.write(fx.employeeFile, {fx.line("E2", "B", "31/12/1990", "NEW")});
    w.action("EmployeeData1")->trigger();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, QString("'31/12/1990' is not a valid date"));
    EXPECT_EQ(boxes.shown[1].title, QString("Orvanta"));
    EXPECT_TRUE(w.Label1->isHidden());
    EXPECT_FALSE(w.Animate1->active());

    fx.write(fx.awardFile, {"P5\tPin"});
    w.action("Awards1")->trigger();
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(fx.count("award.db"), 1);
}

TEST(AboutBox, NamesProductAndVersion)
{
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), QString("Orvanta"));
    EXPECT_EQ(box.ProductName->text(), QString("Orvanta"));
    EXPECT_EQ(box.ProductName->font().family(), QString("Times New Roman"));
    EXPECT_TRUE(box.ProductName->font().bold());
    EXPECT_EQ(box.ProductName->font().pointSize(), 18);
    EXPECT_EQ(box.Version->text(), QString("Version 2.1"));
    EXPECT_EQ(box.size(), QSize(432, 317));
}

}  // namespace
