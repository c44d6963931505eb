#include "app/startup.h"

#include "app/aboutbox.h"
#include "app/mainscreen.h"
#include "app/messages.h"
#include "app/pictures.h"
#include "app/splashform.h"
#include "awards/deleteform.h"
#include "awards/exportform.h"
#include "awards/mailform.h"
#include "data/convert.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/error.h"

#include <QApplication>
#include <QIcon>

namespace orvanta {

ProgramWindows::ProgramWindows() = default;

ProgramWindows::~ProgramWindows()
{
    // Dialogs first, then the data module they are bound to, the main window last.
    ExportForm.reset();
    MailForm.reset();
    DeleteForm.reset();
    AboutBox.reset();
    DataModule2.reset();
    MainScreen.reset();
}

std::unique_ptr<ProgramWindows> createProgramWindows(const QString& databaseDirectory)
{
    auto w = std::make_unique<ProgramWindows>();
    w->MainScreen = std::make_unique<TMainScreen>();
    w->creationOrder << QStringLiteral("TMainScreen");

    const QString dir = databaseDirectory.isEmpty() ? AliasRegistry().resolve(QStringLiteral("Awards"))
                                                    : databaseDirectory;
    w->DataModule2 = std::make_unique<TDataModule2>(dir);
    w->creationOrder << QStringLiteral("TDataModule2");
    w->MainScreen->setDataModule(w->DataModule2.get());

    w->AboutBox = std::make_unique<TAboutBox>(w->MainScreen.get());
    w->creationOrder << QStringLiteral("TAboutBox");
    // The period dialogs, in their places of the start-up order (the delete
    // dialog before the mail merge dialog).
    w->DeleteForm = std::make_unique<TDeleteForm>(*w->DataModule2, w->MainScreen.get());
    w->creationOrder << QStringLiteral("TDeleteForm");
    w->MailForm = std::make_unique<TMailForm>(*w->DataModule2, w->MainScreen.get());
    w->creationOrder << QStringLiteral("TMailForm");
    w->ExportForm = std::make_unique<TExportForm>(*w->DataModule2, w->MainScreen.get());
    w->creationOrder << QStringLiteral("TExportForm");

    TMainScreen* main = w->MainScreen.get();
    TAboutBox* about = w->AboutBox.get();
    main->wire(QStringLiteral("About1"), [about] { about->exec(); });
    TMailForm* mail = w->MailForm.get();
    main->wire(QStringLiteral("MergeFile1"), [mail] { mail->exec(); });
    TDeleteForm* remove = w->DeleteForm.get();
    main->wire(QStringLiteral("Delete1"), [remove] { remove->exec(); });
    TExportForm* exporter = w->ExportForm.get();
    main->wire(QStringLiteral("Export1"), [exporter] { exporter->exec(); });
    return w;
}

int runProgram(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The short date format is month/day/year for the whole program: every
    // date shown or read goes through the helpers of data/convert.h, which use
    // kAppDateFormat whatever the platform's own date order is.

    TSplashForm splash;
    splash.show();
    splash.repaint();
    QApplication::processEvents();

    QApplication::setApplicationName(QStringLiteral("Orvanta"));
    QApplication::setWindowIcon(QIcon(medalPicture(64)));

    if (!Database::probeEngine()) {
        showMessage(nullptr, QStringLiteral("Access Denied: This Product Requires The Database Engine To Be Loaded"),
                    QStringLiteral("Orvanta Ruzedor"), MsgIcon::Error);
        return 1;
    }

    std::unique_ptr<ProgramWindows> windows;
    try {
        windows = createProgramWindows();
    } catch (const std::exception& e) {
        splash.hide();
        showMessage(nullptr, QString::fromUtf8(e.what()), QStringLiteral("Orvanta"), MsgIcon::Error);
        return 1;
    }
    splash.hide();
    windows->MainScreen->show();
    return app.exec();
}

}  // namespace orvanta
