// The least a Qt program must do to hold the device's dialogue: QSerialPort on the line, one
// handler for what arrives, an answer written and flushed at once. No window, no log.
//
//   minimal_answerer PATH poll   answers every 172 with 0x55
//   minimal_answerer PATH read   reads objects 0, 1, 2, ... : after 172, 172 it sends 0x55,
//                                after 202 the high and after the next 202 the low address
//                                byte, and the byte after that is the object's data. After
//                                8192 objects it reports its memory and table and quits.
//   minimal_answerer PATH read N the same for objects 0 to N - 1.
//   minimal_answerer PATH read N disturbed
//                                the same with a window on the same thread, disturbed as the
//                                programmer's is (disturbance.h); it says so when the
//                                disturbance is over, and reports the read once both are.
#include <QApplication>
#include <QFileDialog>
#include <QSerialPort>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "disturbance.h"
#include "probe_report.h"

int main(int argc, char** argv) {
    const int objects = argc >= 4 ? std::atoi(argv[3]) : 8192;
    const bool disturbed = argc == 5 && std::string(argv[4]) == "disturbed";
    if (argc < 3 || argc > 5 || (argc == 5 && !disturbed) ||
        (std::string(argv[2]) != "poll" && std::string(argv[2]) != "read") || objects < 1 ||
        objects > 8192) {
        std::fprintf(stderr, "usage: %s PATH poll|read [OBJECTS [disturbed]]\n", argv[0]);
        return 2;
    }
    // Widgets only where a window is disturbed: the other measurements keep the bare program.
    const std::unique_ptr<QCoreApplication> app(disturbed ? new QApplication(argc, argv)
                                                          : new QCoreApplication(argc, argv));
    std::unique_ptr<QWidget> window;
    std::unique_ptr<zelmar::bench::Disturbance> disturbance;
    if (disturbed) {
        window = std::make_unique<QWidget>();
        window->resize(400, 300);
        window->show();
        disturbance = std::make_unique<zelmar::bench::Disturbance>(*window, [&] {
            QFileDialog dialog(window.get(), QStringLiteral("Load settings"));
            dialog.exec();
        });
    }
    const bool pollOnly = std::string(argv[2]) == "poll";
    QSerialPort port(QString::fromLocal8Bit(argv[1]));
    port.setBaudRate(1200);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(port.errorString()));
        return 1;
    }

    constexpr int kObjects = 8192;
    std::array<std::uint8_t, kObjects> table{};
    int step = 0;
    int object = 0;
    bool readOver = false;
    const auto report = [&] {
        zelmar::bench::Say("done rss_kb " + std::to_string(zelmar::bench::ResidentKb()) +
                           " table_fnv " +
                           std::to_string(zelmar::bench::TableHash(table, objects)) + " boxes 0");
        QCoreApplication::quit();
    };
    // Told apart from the read's end: a read that lost its step with the device may never end.
    QTimer disturbanceOver;
    QObject::connect(&disturbanceOver, &QTimer::timeout, [&] {
        if (!disturbance->Over()) return;
        disturbanceOver.stop();
        zelmar::bench::Say("disturbed dialogs " + std::to_string(disturbance->Dialogs()) +
                           " moves " + std::to_string(disturbance->Moves()));
        if (readOver) report();
    });
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        const QByteArray bytes = port.readAll();
        for (const char received : bytes) {
            if (readOver) break;  // done: silent, as the programmer is without a job
            const auto value = static_cast<std::uint8_t>(received);
            int answer = -1;
            if (pollOnly) {
                if (value == 172) answer = 0x55;
            } else if (step == 4) {
                table[static_cast<std::size_t>(object)] = value;
                step = 0;
                if (++object == objects) {
                    readOver = true;
                    if (!disturbance || !disturbanceOver.isActive()) report();
                }
            } else if (value == 172 && step < 2) {
                answer = step++ == 1 ? 0x55 : -1;
            } else if (value == 202 && step >= 2) {
                answer = step++ == 2 ? object / 256 : object % 256;
            }
            if (answer >= 0) {
                const char byte = static_cast<char>(answer);
                port.write(&byte, 1);
                port.flush();
            }
        }
    });
    zelmar::bench::Say("ready");
    if (disturbance) {
        disturbance->Start();
        disturbanceOver.start(100);
    }
    return QCoreApplication::exec();
}
