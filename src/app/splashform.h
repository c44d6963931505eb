#pragma once

#include <QWidget>

namespace orvanta {

// The window shown while the program starts: product name, version and
// "Loading.......". No title-bar buttons.
class TSplashForm : public QWidget {
    Q_OBJECT
public:
    explicit TSplashForm(QWidget* parent = nullptr);
};

}  // namespace orvanta
