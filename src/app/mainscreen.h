#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <vector>

class QAction;
class QLabel;
class QMenu;

namespace orvanta {

class MovingPicture;
class TDataModule2;

// One entry of the main menu: object name, caption as stored ("&" marks the
// accelerator, "-" is a separator) and the entries of its submenu.
struct MenuEntry {
    QString name;
    QString caption;
    std::vector<MenuEntry> items;
};

// The main menu of the program, in order.
const std::vector<MenuEntry>& mainMenuTree();

// The main window: the menu that leads to every function, the progress
// display of the imports (a label and a moving picture) and a status bar.
// Handlers are wired with wire(); an item whose function is not wired stays
// disabled.
class TMainScreen : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainScreen(QWidget* parent = nullptr);

    void setDataModule(TDataModule2* dm) { dm_ = dm; }
    TDataModule2* dataModule() const { return dm_; }

    QAction* action(const QString& itemName) const;
    QMenu* menu(const QString& itemName) const;
    // Connects a menu item to its handler (run inside the general error
    // handler) and enables it.
    void wire(const QString& itemName, std::function<void()> handler);

    // Progress display of a long run on the user-interface thread.
    void ShowProgress(const QString& text);
    void SetProgressText(const QString& text);
    void HideProgress();

    bool NewDepartmentsAdded = false;

    QLabel* Label1 = nullptr;
    MovingPicture* Animate1 = nullptr;
    QLabel* StatusBar1Text = nullptr;

    // Each time the window becomes active (also when a modal dialog closes).
    void FormActivate();

    // File, Import, "&Employee Data" and "&Awards List".
    void EmployeeData1Click();
    void Awards1Click();

protected:
    void changeEvent(QEvent* event) override;

private:
    void FormCreate();
    void buildMenu(QWidget* parentMenu, const std::vector<MenuEntry>& entries);

    TDataModule2* dm_ = nullptr;
    std::vector<std::pair<QString, QAction*>> actions_;
    std::vector<std::pair<QString, QMenu*>> menus_;
};

}  // namespace orvanta
