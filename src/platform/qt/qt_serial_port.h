#pragma once
// The serial port component on QSerialPort. Its events come on the thread that created it,
// which is the window's.
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include "platform/qt/port_assignments.h"
#include "platform/serial_port.h"

namespace zelmar {

class QtSerialPort final : public SerialPort {
  public:
    QtSerialPort();
    // Resolves port numbers through `assignments`, which must outlive the port, so that a
    // device chosen while the program runs is used at the next opening.
    explicit QtSerialPort(const PortAssignments& assignments);
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    // The device behind port number n, as PortAssignments tells it.
    static QString DevicePath(int port);

  protected:
    void OpenDevice(int port, const LineSettings& settings) override;
    void CloseDevice() override;
    void WriteDevice(std::string_view bytes) override;

  private:
    void ReadAvailable();
    void OnError(QSerialPort::SerialPortError error);
    // Reports the loss of the device once per opening, from the event loop rather than from
    // inside QSerialPort's own notification.
    void ReportLoss(const QString& cause);
    // Whether the system says the line has hung up or the device is gone.
    bool HungUp() const;
    void PollLines();
    QString Describe() const;  // "COM 2 (/dev/ttyUSB0)"

    PortAssignments ownAssignments_;
    const PortAssignments* assignments_;
    QSerialPort port_;
    QTimer linePoll_;
    QString path_;
    int portNumber_ = 0;
    quint64 session_ = 0;  // counts the openings, so that a late report hits no later one
    bool lossReported_ = false;
    int emptyReads_ = 0;  // read errors in a row with nothing read in between
    bool quiet_ = false;  // errors of our own calls are handled where the calls are made
    QSerialPort::PinoutSignals lines_;
};

}  // namespace zelmar
