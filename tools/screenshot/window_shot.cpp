// Starts the programmer's window as the program does, waits for its first paint, saves a
// picture of it to the file named on the command line and quits.
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "program/programmer.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    QApplication::setApplicationName(QString::fromLatin1(zelmar::kAppTitle));
    zelmar::Programmer programmer;
    programmer.mainWindow.show();
    bool saved = false;
    QTimer::singleShot(0, &app, [&] {
        saved = programmer.mainWindow.grab().save(QString::fromLocal8Bit(argv[1]));
        QApplication::quit();
    });
    QApplication::exec();
    return saved ? 0 : 1;
}
