#pragma once
// The serial port component on QSerialPort. Its events come on the thread it lives on: the
// one that created it, or the one it was moved to.
//
// One owner per device: the port is resolved to its real device (a link's target) before
// anything touches it, and an advisory lock (flock) on a descriptor of that device, which every
// instance of these programs honours, root included, is taken before QSerialPort opens it, and
// held until the port closes. A second opener is refused before it changes the line's settings,
// flushes or sends a byte. QSerialPort's own lock file is then named after the real device, and
// one after the name as chosen is held beside it, so that other serial programs see the port
// taken under either name; QSerialPort's exclusive mode (TIOCEXCL) keeps out those that are not
// root. Windows keeps a port to one opener itself.
#include <QLockFile>
#include <QSerialPort>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "adapters/port_assignments.h"
#include "ports/serial_port.h"

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

    // Moves the port to `thread`, where its events come from then on; while it is closed.
    void MoveToThread(QThread* thread);
    // How an opening, a closing or a write made on another thread than the port's is carried
    // out on the port's: `run` runs the operation there and returns when it is done, passing
    // on what it throws.
    void RunElsewhereWith(std::function<void(const std::function<void()>&)> run) {
        run_ = std::move(run);
    }

  protected:
    void OpenDevice(int port, const LineSettings& settings) override;
    void CloseDevice() override;
    void WriteDevice(std::string_view bytes) override;

  private:
    // Whether a device operation is called on another thread than the port's, and goes there.
    bool Elsewhere() const;
    void ReadAvailable();
    void OnError(QSerialPort::SerialPortError error);
    // Reports the loss of the device once per opening, from the event loop rather than from
    // inside QSerialPort's own notification.
    void ReportLoss(const QString& cause);
    // Whether the system says the line has hung up or the device is gone.
    bool HungUp() const;
    void PollLines();
    QString Describe() const;  // "COM 2 (/dev/serial/by-id/usb-FTDI-if00)": the name as chosen
    // Takes the device's owner lock, and the serial lock file of the name as chosen where it
    // is not the real device's; throws StepError when another program holds either.
    void TakeOwnership();
    void ReleaseOwnership();

    std::function<void(const std::function<void()>&)> run_;
    PortAssignments ownAssignments_;
    const PortAssignments* assignments_;
    QSerialPort port_;
    QTimer linePoll_;
    QString path_;        // the device as chosen: a by-id link, say
    QString realPath_;    // the device it leads to: /dev/ttyUSB0
    int ownerLock_ = -1;  // the descriptor holding the owner lock; -1 when none is held
    std::unique_ptr<QLockFile> nameLock_;  // the serial lock file of the name as chosen
    int portNumber_ = 0;
    quint64 session_ = 0;  // counts the openings, so that a late report hits no later one
    bool lossReported_ = false;
    int emptyReads_ = 0;  // read errors in a row with nothing read in between
    bool quiet_ = false;  // errors of our own calls are handled where the calls are made
    QSerialPort::PinoutSignals lines_;
};

}  // namespace zelmar
