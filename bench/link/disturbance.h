#pragma once
// What a technician does to a window while a job runs at the device's real pace: a file dialog
// opened and closed three times, and the window dragged about 200 times, one step at a time.
// The same schedule for the programmer and for the minimal program, so that the late answers
// of the two compare.
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace zelmar::bench {

class Disturbance {
  public:
    static constexpr int kDialogs = 3;
    static constexpr int kMoves = 200;

    // `openDialog` opens a modal file dialog and returns when it has been closed.
    Disturbance(QWidget& window, std::function<void()> openDialog)
        : window_(window), openDialog_(std::move(openDialog)) {}

    // Starts the schedule: a dialog every second, each open for half a second, and a move
    // every 10 ms, the moves going on while a dialog is open.
    void Start() {
        moves_.setInterval(10);
        QObject::connect(&moves_, &QTimer::timeout, [this] {
            const int step = moved_ % 40 < 20 ? 5 : -5;
            window_.move(window_.pos() + QPoint(step, step));
            if (++moved_ == kMoves) moves_.stop();
        });
        moves_.start();
        dialogs_.setInterval(1000);
        QObject::connect(&dialogs_, &QTimer::timeout, [this] {
            if (opened_ == kDialogs) return dialogs_.stop();
            ++opened_;
            QTimer::singleShot(500, [] {
                if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                    dialog->reject();
            });
            openDialog_();
        });
        dialogs_.start();
    }

    bool Over() const { return opened_ == kDialogs && moved_ == kMoves && !dialogs_.isActive(); }
    int Dialogs() const { return opened_; }
    int Moves() const { return moved_; }

  private:
    QWidget& window_;
    std::function<void()> openDialog_;
    QTimer moves_;
    QTimer dialogs_;
    int moved_ = 0;
    int opened_ = 0;
};

}  // namespace zelmar::bench
