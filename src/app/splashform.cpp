#include "app/splashform.h"

#include "app/pictures.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace orvanta {

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SplashForm"));
    setWindowTitle(QStringLiteral("Orvanta Ruzedor"));
    setFixedSize(421, 318);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setLineWidth(2);

    auto* icon = new QLabel(panel);
    icon->setPixmap(medalPicture(64));
    auto* product = new QLabel(QStringLiteral("Orvanta Ruzedor"), panel);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont f = product->font();
    f.setBold(true);
    f.setPixelSize(19);
    product->setFont(f);
    auto* version = new QLabel(QStringLiteral("Version 2.1"), panel);
    version->setObjectName(QStringLiteral("Version"));
    auto* picture = new QLabel(panel);
    picture->setPixmap(bannerPicture(340, 80));
    picture->setAlignment(Qt::AlignCenter);

    auto* head = new QHBoxLayout;
    head->addWidget(icon);
    auto* names = new QVBoxLayout;
    names->addWidget(product);
    names->addWidget(version);
    head->addLayout(names, 1);
    auto* inner = new QVBoxLayout(panel);
    inner->addLayout(head);
    inner->addWidget(picture, 1);

    auto* loading = new QLabel(QStringLiteral("Loading......."), this);
    loading->setObjectName(QStringLiteral("Label1"));

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(panel, 1);
    outer->addWidget(loading);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

}  // namespace orvanta
