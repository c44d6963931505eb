#pragma once

#include <QDialog>

class QLabel;

namespace orvanta {

// Names the application and its version.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;

private:
    void FormCreate();
};

}  // namespace orvanta
