#pragma once
// The one QApplication of a test program, made on first use: widgets need it, the serial port
// needs its event loop.
#include <QApplication>
#include <QStandardPaths>

namespace zelmar::testing {

inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "zelmar-qt-test";
    static char* argv[] = {name, nullptr};
    // No display is needed, nor wanted, where tests run.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Left standing at exit: Qt's own globals (QTest's input devices among them) are gone
    // by the time a static application would be destroyed.
    static QApplication* app = new QApplication(argc, argv);
    // The technician's settings (remembered ports and folders) must neither steer a test nor
    // be overwritten by one.
    QStandardPaths::setTestModeEnabled(true);
    return *app;
}

}  // namespace zelmar::testing
