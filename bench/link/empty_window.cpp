// An empty Qt Widgets window: the start-up and the memory that any Widgets program pays before
// it draws anything of its own. Reports its first paint as programmer_probe does, and quits.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <string>

#include "probe_report.h"

namespace {

class FirstPaint : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            zelmar::bench::Say("painted " + std::to_string(zelmar::bench::MonotonicNs()) + " " +
                               std::to_string(zelmar::bench::ResidentKb()));
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool seen_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(640, 480);
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    return QApplication::exec();
}
