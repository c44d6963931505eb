#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace orvanta {

// The program's pictures, drawn rather than loaded so that the program needs
// no image files: the service award medal (program icon, splash, about box)
// and the banner of the about box.
QPixmap medalPicture(int size);
QPixmap bannerPicture(int width, int height);

// A small moving picture in place of the platform's file-copy and delete-file
// animations: a sheet flies from a folder to a folder, or into a bin. It moves
// on a timer while running, and step() moves it on by one frame, so that a
// long loop on the user-interface thread can keep it moving while it repaints.
class MovingPicture : public QWidget {
    Q_OBJECT
public:
    enum class Kind { FileCopy, FileDelete };

    MovingPicture(Kind kind, int stopFrame, QWidget* parent = nullptr);

    void start();
    void stop();
    void step();
    bool active() const { return active_; }
    int frame() const { return frame_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind kind_;
    int stopFrame_;
    int frame_ = 0;
    bool active_ = false;
    QTimer timer_;
};

}  // namespace orvanta
