#include "app/aboutbox.h"

#include "app/pictures.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvanta {

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setFixedSize(432, 317);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);

    auto* programIcon = new QLabel(panel);
    programIcon->setObjectName(QStringLiteral("ProgramIcon"));
    programIcon->setFixedSize(113, 113);
    programIcon->setScaledContents(true);
    programIcon->setPixmap(medalPicture(113));

    ProductName = new QLabel(panel);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont nameFont(QStringLiteral("Times New Roman"), 18);
    nameFont.setBold(true);
    ProductName->setFont(nameFont);

    Version = new QLabel(panel);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setFont(QFont(QStringLiteral("MS Sans Serif"), 10));

    auto* banner = new QLabel(panel);
    banner->setObjectName(QStringLiteral("Image1"));
    banner->setFixedSize(273, 65);
    banner->setAlignment(Qt::AlignCenter);
    banner->setPixmap(bannerPicture(273, 65));  // drawn on a transparent ground

    auto* grid = new QGridLayout(panel);
    grid->addWidget(programIcon, 0, 0, 2, 1, Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(ProductName, 0, 1, Qt::AlignBottom);
    grid->addWidget(Version, 1, 1, Qt::AlignTop);
    grid->addWidget(banner, 2, 0, 1, 2, Qt::AlignCenter);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel, 1);
    layout->addWidget(ok, 0, Qt::AlignHCenter);

    FormCreate();
}

void TAboutBox::FormCreate()
{
    setWindowTitle(QStringLiteral("Orvanta"));
    ProductName->setText(QStringLiteral("Orvanta"));
    Version->setText(QStringLiteral("Version 2.1"));
}

}  // namespace orvanta
