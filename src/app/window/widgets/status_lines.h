#pragma once
// The main window's status bar: two lines of one height each, as wide as the client area: the
// line and the device above, the job below. A longer text is cut short, never wrapped, so the
// window keeps its size.
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "widgets/elided_label.h"

namespace zelmar {

class StatusLines : public QWidget {
  public:
    // `width` pixels across; the Stop button calls `stop`.
    StatusLines(int width, std::function<void()> stop, QWidget* parent);

    // The line and the device.
    void ShowPort(const QString& text);
    // The job: its text; while it is busy the Stop button, and a bar of `done` of `total` while
    // there is a total to count.
    void ShowJob(const QString& text, bool busy, int done, int total);

  private:
    ElidedLabel* port_;  // the port, its device and state, and whether the device is heard
    QProgressBar* progress_;
    QPushButton* stop_;
    ElidedLabel* job_;
};

}  // namespace zelmar
