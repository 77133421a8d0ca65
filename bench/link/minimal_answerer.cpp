// The least a Qt program must do to hold the device's dialogue: QSerialPort on the line, one
// handler for what arrives, an answer written and flushed at once. No window, no log.
//
//   minimal_answerer PATH poll   answers every 172 with 0x55
//   minimal_answerer PATH read   reads objects 0, 1, 2, ... : after 172, 172 it sends 0x55,
//                                after 202 the high and after the next 202 the low address
//                                byte, and the byte after that is the object's data. After
//                                8192 objects it reports its memory and table and quits.
//   minimal_answerer PATH read N the same for objects 0 to N - 1.
#include <QCoreApplication>
#include <QSerialPort>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "probe_report.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int objects = argc == 4 ? std::atoi(argv[3]) : 8192;
    if (argc < 3 || argc > 4 ||
        (std::string(argv[2]) != "poll" && std::string(argv[2]) != "read") || objects < 1 ||
        objects > 8192) {
        std::fprintf(stderr, "usage: %s PATH poll|read [OBJECTS]\n", argv[0]);
        return 2;
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
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        const QByteArray bytes = port.readAll();
        for (const char received : bytes) {
            const auto value = static_cast<std::uint8_t>(received);
            int answer = -1;
            if (pollOnly) {
                if (value == 172) answer = 0x55;
            } else if (step == 4) {
                table[static_cast<std::size_t>(object)] = value;
                step = 0;
                if (++object == objects) {
                    zelmar::bench::Say("done rss_kb " +
                                       std::to_string(zelmar::bench::ResidentKb()) + " table_fnv " +
                                       std::to_string(zelmar::bench::TableHash(table, objects)) +
                                       " boxes 0");
                    QCoreApplication::quit();
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
    return QCoreApplication::exec();
}
