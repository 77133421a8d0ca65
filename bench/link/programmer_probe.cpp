// The programmer as the device driver of link_bench meets it. Two ways to run:
//
//   programmer_probe startup   builds exactly what the program's entry builds, shows it, and
//                              at the window's first paint reports the moment and the resident
//                              memory, then quits.
//   programmer_probe latency   the same composition, except that message boxes are recorded
//   programmer_probe read      instead of shown (offscreen nobody could close one): it opens
//                              COM 1 and starts a read of the whole table, 0 to 8191. "read"
//                              reports the memory and the table when the job has ended and
//                              quits; "latency" answers until it is stopped.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/file_input.h"
#include "platform/qt/programmer_window.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/terminal_view.h"
#include "probe_report.h"
#include "window/frm_terminal.h"

namespace {

using zelmar::bench::MonotonicNs;
using zelmar::bench::ResidentKb;
using zelmar::bench::Say;

// Reports the first paint of the watched widget, once, and then ends the event loop.
class FirstPaint : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            Say("painted " + std::to_string(MonotonicNs()) + " " + std::to_string(ResidentKb()));
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool seen_ = false;
};

// Keeps every box's text for the report; a sound run shows none.
struct RecordingBox : zelmar::MessageBox {
    void Show(const zelmar::Message& message) override { texts.push_back(message.text); }
    std::vector<std::string> texts;
};

// The program's composition with the recording box in place of Qt's.
struct Composition {
    Composition()
        : window(zelmar::Platform{port, box, screen, fileDialog, files}), view(window.controls) {
        fileDialog.SetParent(&view);
        view.onClose = [this](int& cancel) { window.Form_Unload(cancel); };
        window.Form_Load();
    }

    zelmar::QtSerialPort port;
    RecordingBox box;
    zelmar::QtScreen screen;
    zelmar::QtFileDialog fileDialog;
    zelmar::FileInput files;
    zelmar::frmTerminal window;
    zelmar::TerminalView view;
};

int Startup() {
    zelmar::ProgrammerWindow programmer;
    FirstPaint firstPaint;
    programmer.view.installEventFilter(&firstPaint);
    programmer.view.show();
    return QApplication::exec();
}

int ReadWholeTable(bool reportEnd) {
    Composition programmer;
    programmer.view.show();
    QApplication::processEvents();
    zelmar::frmTerminal& window = programmer.window;
    window.imgNotConnected_Click();  // COM 1, the driver's pseudo-terminal
    if (!window.MSComm1.PortOpen()) {
        for (const std::string& text : programmer.box.texts)
            std::fprintf(stderr, "%s\n", text.c_str());
        return 1;
    }
    // A plain range rather than the object list: the whole table, object by object.
    window.Check4.SetValue(0);
    window.Text1.SetText("0");
    window.Text2.SetText("8191");
    window.Command2_Click();
    Say("ready");

    QTimer endOfJob;
    if (reportEnd) {
        QObject::connect(&endOfJob, &QTimer::timeout, [&] {
            if (window.engine.state().LinkMode != 0) return;
            endOfJob.stop();
            Say("done rss_kb " + std::to_string(ResidentKb()) + " table_fnv " +
                std::to_string(zelmar::bench::TableHash(window.engine.table(), 8192)) + " boxes " +
                std::to_string(programmer.box.texts.size()));
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        });
        endOfJob.start(10);
    }
    const int result = QApplication::exec();
    for (const std::string& text : programmer.box.texts)
        std::fprintf(stderr, "box: %s\n", text.c_str());
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "startup" && mode != "latency" && mode != "read") {
        std::fprintf(stderr, "usage: %s startup|latency|read\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(zelmar::kAppTitle));
    if (mode == "startup") return Startup();
    return ReadWholeTable(mode == "read");
}
