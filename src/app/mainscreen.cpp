#include "app/mainscreen.h"

#include "app/messages.h"
#include "app/pictures.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/progress.h"
#include "import/imports.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

namespace orvanta {

const std::vector<MenuEntry>& mainMenuTree()
{
    static const std::vector<MenuEntry> tree = {
        {"File1", "&File",
         {{"Settings1", "&Settings", {}},
          {"N2", "-", {}},
          {"Print1", "&Print",
           {{"AwardsList1", "&Awards List", {}},
            {"MergeFile1", "&Merge File", {}},
            {"DepartmentList1", "&Department List", {}}}},
          {"PrinterSetup1", "P&rinter Setup", {}},
          {"N3", "-", {}},
          {"Import1", "&Import", {{"Awards1", "&Awards List", {}}, {"EmployeeData1", "&Employee Data", {}}}},
          {"Export1", "E&xport", {}},
          {"N1", "-", {}},
          {"Delete1", "&Delete", {}},
          {"N4", "-", {}},
          {"Exit1", "&Exit", {}}}},
        {"Department1", "&Update",
         {{"Update1", "&Departments", {}},
          {"Awards3", "&Awards", {}},
          {"Employees1", "&Employees", {}},
          {"location1", "&Location", {}},
          {"Billing1", "&Billing", {}}}},
        {"Awards2", "&Help", {{"About1", "&About", {}}}},
    };
    return tree;
}

TMainScreen::TMainScreen(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainScreen"));
    setWindowTitle(QStringLiteral("Orvanta"));
    setWindowIcon(QIcon(medalPicture(64)));
    resize(696, 480);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    buildMenu(menuBar(), mainMenuTree());

    auto* centre = new QWidget(this);
    auto* layout = new QVBoxLayout(centre);
    layout->addStretch(1);
    Animate1 = new MovingPicture(MovingPicture::Kind::FileCopy, 34, centre);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->setFixedSize(272, 60);
    Animate1->hide();
    layout->addWidget(Animate1, 0, Qt::AlignHCenter);
    Label1 = new QLabel(centre);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFixedWidth(273);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->hide();
    layout->addWidget(Label1, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    setCentralWidget(centre);

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1Text = new QLabel(QStringLiteral("Orvanta - service award records"), this);
    statusBar()->addWidget(StatusBar1Text, 1);

    wire(QStringLiteral("Exit1"), [this] { close(); });
    wire(QStringLiteral("EmployeeData1"), [this] { EmployeeData1Click(); });
    wire(QStringLiteral("Awards1"), [this] { Awards1Click(); });
    FormCreate();
}

void TMainScreen::buildMenu(QWidget* parentMenu, const std::vector<MenuEntry>& entries)
{
    for (const MenuEntry& e : entries) {
        if (e.caption == u"-") {
            QAction* sep = nullptr;
            if (auto* m = qobject_cast<QMenu*>(parentMenu))
                sep = m->addSeparator();
            sep->setObjectName(e.name);
            actions_.emplace_back(e.name, sep);
            continue;
        }
        if (!e.items.empty()) {
            QMenu* sub = nullptr;
            if (auto* bar = qobject_cast<QMenuBar*>(parentMenu))
                sub = bar->addMenu(e.caption);
            else
                sub = qobject_cast<QMenu*>(parentMenu)->addMenu(e.caption);
            sub->setObjectName(e.name);
            sub->menuAction()->setObjectName(e.name);
            menus_.emplace_back(e.name, sub);
            actions_.emplace_back(e.name, sub->menuAction());
            buildMenu(sub, e.items);
            continue;
        }
        auto* a = new QAction(e.caption, this);
        a->setObjectName(e.name);
        a->setEnabled(false);  // until its handler is wired
        qobject_cast<QWidget*>(parentMenu)->addAction(a);
        actions_.emplace_back(e.name, a);
    }
}

QAction* TMainScreen::action(const QString& itemName) const
{
    for (const auto& [name, a] : actions_)
        if (name == itemName)
            return a;
    return nullptr;
}

QMenu* TMainScreen::menu(const QString& itemName) const
{
    for (const auto& [name, m] : menus_)
        if (name == itemName)
            return m;
    return nullptr;
}

void TMainScreen::wire(const QString& itemName, std::function<void()> handler)
{
    QAction* a = action(itemName);
    if (!a)
        return;
    a->setEnabled(true);
    connect(a, &QAction::triggered, this, [this, handler = std::move(handler)] { guarded(this, handler); });
}

void TMainScreen::FormCreate()
{
    // The database directory is found through the alias Awards; without one,
    // it is the directory the program was started in.
    AliasRegistry aliases;
    if (!aliases.contains(QStringLiteral("Awards")))
        aliases.add(QStringLiteral("Awards"), QStringLiteral("."));
    // The engine's private files (SQLite's temporary files) go to the system's
    // temporary directory.
    qputenv("SQLITE_TMPDIR", QDir::tempPath().toLocal8Bit());
}

void TMainScreen::FormActivate()
{
    if (dm_)
        guarded(this, [this] { dm_->LoadDefaults(); });
}

void TMainScreen::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

namespace {

// The main window's progress display as the imports' progress sink. The label
// takes every record's number; it is repainted at once, though at most every
// 40 ms, so that painting does not slow a run of a hundred thousand records.
class MainScreenProgress : public RequestProgress {
public:
    explicit MainScreenProgress(TMainScreen& w) : w_(w) {}
    void started(const QString& text) override
    {
        w_.ShowProgress(text);
        sincePaint_.start();
    }
    void progressed(const QString& text, long long) override
    {
        w_.Label1->setText(text);
        if (sincePaint_.elapsed() >= 40) {
            w_.SetProgressText(text);
            sincePaint_.restart();
        }
    }
    void finished() override { w_.HideProgress(); }

private:
    TMainScreen& w_;
    QElapsedTimer sincePaint_;
};

}  // namespace

void TMainScreen::EmployeeData1Click()
{
    if (!dm_)
        return;
    NewDepartmentsAdded = false;
    MainScreenProgress progress(*this);
    EmployeeImport run(*dm_);
    try {
        run.run(&progress);
    } catch (...) {
        NewDepartmentsAdded = run.NewDepartmentsAdded;
        throw;
    }
    NewDepartmentsAdded = run.NewDepartmentsAdded;
    if (NewDepartmentsAdded)
        showMessage(this, QStringLiteral("New Departments Added"), QStringLiteral("Warning"), MsgIcon::Warning);
}

void TMainScreen::Awards1Click()
{
    if (!dm_)
        return;
    MainScreenProgress progress(*this);
    AwardImport(*dm_).run(&progress);
}

void TMainScreen::ShowProgress(const QString& text)
{
    Label1->setText(text);
    Label1->show();
    Animate1->show();
    Animate1->start();
    // The whole window, once: the menu that started the run has just closed
    // over it, and no event is handled again until the run ends.
    repaint();
}

void TMainScreen::SetProgressText(const QString& text)
{
    Label1->setText(text);
    Animate1->step();
    Label1->repaint();
    Animate1->repaint();
}

void TMainScreen::HideProgress()
{
    Label1->hide();
    Animate1->hide();
    Animate1->stop();
}

}  // namespace orvanta
