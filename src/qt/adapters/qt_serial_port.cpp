#include "adapters/qt_serial_port.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtGlobal>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "numbers/numbers.h"

namespace zelmar {

namespace {

// Line signals are polled: QSerialPort has no signal for their changes.
constexpr int kLinePollMs = 250;
// A read error with nothing to read can be a spurious wake-up; a device that is gone raises
// it again at once, over and over, so this many in a row mean the device is gone even where
// the system does not say so.
constexpr int kEmptyReadsMeaningGone = 64;

QSerialPort::Parity ParityOf(char parity) {
    switch (parity) {
        case 'E':
            return QSerialPort::EvenParity;
        case 'O':
            return QSerialPort::OddParity;
        case 'M':
            return QSerialPort::MarkParity;
        case 'S':
            return QSerialPort::SpaceParity;
        default:
            return QSerialPort::NoParity;
    }
}

StepError Failure(const QString& text) {
    return StepError(text.toStdString());
}

// Whether the device node refuses us for want of rights, as opposed to being held elsewhere.
bool AccessDenied(const QString& path) {
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return false;
#else
    const QByteArray name = QFile::encodeName(path);
    return ::access(name.constData(), R_OK | W_OK) != 0 && errno == EACCES;
#endif
}

// The device a path leads to: the target of a link (a /dev/serial/by-id name, the simulator's
// link), so that every name of one device meets the same lock. A path that leads nowhere stays
// as it is, for the opening to say so.
QString RealDevice(const QString& path) {
#ifdef Q_OS_WIN
    return path;  // COMn names the device itself
#else
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
#endif
}

#ifndef Q_OS_WIN
// The lock file QSerialPort makes for a device opened under `name`, by its rule: "LCK.." and
// the name without "/dev/", slashes made underscores, in the first lock folder that can be
// read and written (or holds the file already). Empty where there is none.
QString SerialLockFile(const QString& name) {
    static const char* const kFolders[] = {"/var/lock",         "/etc/locks", "/var/spool/locks",
                                           "/var/spool/uucp",   "/tmp",       "/var/tmp",
                                           "/var/lock/lockdev", "/run/lock"};
    QString file = name.startsWith(QStringLiteral("/dev/")) ? name.mid(5) : name;
    file.replace(QLatin1Char('/'), QLatin1Char('_'));
    file.prepend(QStringLiteral("/LCK.."));
    for (const char* folder : kFolders) {
        const QFileInfo info(QString::fromLatin1(folder));
        const QString path = info.filePath() + file;
        if (info.isReadable() && (QFile::exists(path) || info.isWritable())) return path;
    }
    return {};
}
#endif

}  // namespace

QtSerialPort::QtSerialPort() : QtSerialPort(ownAssignments_) {}

QtSerialPort::QtSerialPort(const PortAssignments& assignments) : assignments_(&assignments) {
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] { ReadAvailable(); });
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError error) { OnError(error); });
    linePoll_.setInterval(kLinePollMs);
    QObject::connect(&linePoll_, &QTimer::timeout, &port_, [this] { PollLines(); });
}

QtSerialPort::~QtSerialPort() {
    quiet_ = true;
    linePoll_.stop();
    if (port_.isOpen()) port_.close();
    ReleaseOwnership();
}

QString QtSerialPort::DevicePath(int port) {
    return PortAssignments().Path(port);
}

QString QtSerialPort::Describe() const {
    return QStringLiteral("COM %1 (%2)").arg(portNumber_).arg(path_);
}

void QtSerialPort::TakeOwnership() {
#ifndef Q_OS_WIN
    const QString inUse =
        QStringLiteral("COM %1 (%2) is in use by another program").arg(portNumber_).arg(realPath_);
    // First what needs no opening of the device: another serial program that opened it under
    // the name chosen here (a by-id link) made its lock file under that name.
    if (path_ != realPath_) {
        const QString lockFile = SerialLockFile(path_);
        auto lock = std::make_unique<QLockFile>(lockFile);
        if (!lockFile.isEmpty() && lock->tryLock(0)) {
            nameLock_ = std::move(lock);
        } else if (!lockFile.isEmpty() && lock->error() == QLockFile::LockFailedError) {
            throw Failure(inUse);
        }
    }
    const QByteArray name = QFile::encodeName(realPath_);
    // Read-only and without waiting for the carrier: the descriptor only carries the lock.
    // Opening a terminal that another process holds changes none of its settings and flushes
    // nothing (a serial adapter's driver does raise DTR and RTS at every opening, which no
    // opening can avoid); one in exclusive mode refuses anyone but root here already.
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        const int cause = errno;
        if (cause != EBUSY) return;  // missing, or no rights: QSerialPort's own opening says which
        ReleaseOwnership();
        throw Failure(inUse);
    }
    int locked;
    do {
        locked = ::flock(descriptor, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int cause = errno;
        ::close(descriptor);
        if (cause != EWOULDBLOCK) return;  // no advisory locks here: the lock files remain
        ReleaseOwnership();
        throw Failure(inUse);
    }
    ownerLock_ = descriptor;
#endif
}

void QtSerialPort::ReleaseOwnership() {
    nameLock_.reset();
#ifndef Q_OS_WIN
    if (ownerLock_ >= 0) ::close(ownerLock_);
#endif
    ownerLock_ = -1;
}

void QtSerialPort::MoveToThread(QThread* thread) {
    port_.moveToThread(thread);
    linePoll_.moveToThread(thread);
}

bool QtSerialPort::Elsewhere() const {
    return run_ && QThread::currentThread() != port_.thread();
}

void QtSerialPort::OpenDevice(int port, const LineSettings& settings) {
    if (Elsewhere()) return run_([&] { OpenDevice(port, settings); });
    portNumber_ = port;
    path_ = assignments_->Path(port);
    realPath_ = RealDevice(path_);
    // Before QSerialPort touches the device: a second opener must change nothing on the line.
    TakeOwnership();
    quiet_ = true;
    port_.clearError();
    port_.setPortName(realPath_);
    port_.setBaudRate(settings.baudRate);
    port_.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits));
    port_.setParity(ParityOf(settings.parity));
    port_.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port_.setFlowControl(settings.handshaking ? QSerialPort::HardwareControl
                                              : QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = port_.error();
        const QString reason = port_.errorString();
        port_.clearError();
        quiet_ = false;
        ReleaseOwnership();
        switch (error) {
            case QSerialPort::DeviceNotFoundError:
                throw Failure(
                    QStringLiteral("COM %1 cannot be opened: the device %2 does not exist.")
                        .arg(port)
                        .arg(path_));
            case QSerialPort::PermissionError:
                if (AccessDenied(path_))
                    throw Failure(
                        QStringLiteral("COM %1 cannot be opened: access to %2 was denied. "
                                       "You may need to join the dialout group "
                                       "(and log in again).")
                            .arg(port)
                            .arg(path_));
                // Held by a program that is not ours: its lock file, or its exclusive mode.
                throw Failure(QStringLiteral("COM %1 (%2) is in use by another program")
                                  .arg(port)
                                  .arg(realPath_));
            default:
                // The system's words for this ("Inappropriate ioctl for device") tell a
                // technician nothing.
                if (QFileInfo(realPath_).isFile())
                    throw Failure(QStringLiteral("COM %1 cannot be opened: %2 is a file, not a "
                                                 "serial device.")
                                      .arg(port)
                                      .arg(path_));
                throw Failure(QStringLiteral("COM %1 cannot be opened (%2): %3.")
                                  .arg(port)
                                  .arg(path_)
                                  .arg(reason));
        }
    }
    // Lines without modem signals (a pseudo-terminal, some adapters) refuse these; the data
    // still flows, so that is no reason to fail the opening.
    port_.setDataTerminalReady(settings.dtrEnable);
    port_.setRequestToSend(settings.rtsEnable);
    port_.clear();  // what waited in the system's buffers belongs to no dialogue of ours
    lines_ = port_.pinoutSignals();
    const bool linesReadable = port_.error() == QSerialPort::NoError;
    port_.clearError();
    quiet_ = false;
    ++session_;
    lossReported_ = false;
    emptyReads_ = 0;
    if (linesReadable) linePoll_.start();
}

void QtSerialPort::CloseDevice() {
    if (Elsewhere()) return run_([this] { CloseDevice(); });
    linePoll_.stop();
    quiet_ = true;
    port_.clearError();
    port_.close();
    const QString reason = port_.errorString();
    const bool stillOpen = port_.isOpen();
    port_.clearError();
    quiet_ = false;
    if (!stillOpen) ReleaseOwnership();
    // Restoring the line's old settings may fail on a device that has gone; the port is
    // released all the same, and only a port left open is a failed close.
    if (stillOpen)
        throw Failure(QStringLiteral("%1 could not be closed: %2.").arg(Describe()).arg(reason));
}

void QtSerialPort::WriteDevice(std::string_view bytes) {
    if (Elsewhere()) return run_([&] { WriteDevice(bytes); });
    const auto size = static_cast<qint64>(bytes.size());
    if (port_.write(bytes.data(), size) != size) {
        ReportLoss(port_.errorString());
        return;
    }
    // Hand the bytes to the system now rather than when the event loop next runs.
    port_.flush();
}

void QtSerialPort::ReadAvailable() {
    // QSerialPort raises readyRead only once for all that arrives while a handler waits in
    // a nested event loop, a message box say; so read until nothing is left, again after
    // each delivery.
    while (port_.isOpen() && port_.bytesAvailable() > 0) {
        emptyReads_ = 0;
        const QByteArray bytes = port_.readAll();
        Received(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
}

void QtSerialPort::OnError(QSerialPort::SerialPortError error) {
    if (quiet_ || error == QSerialPort::NoError) return;
    switch (error) {
        // A device that went away shows as any of these, some of them over and over.
        case QSerialPort::ReadError:
            if (!HungUp() && ++emptyReads_ < kEmptyReadsMeaningGone) {
                port_.clearError();
                break;
            }
            [[fallthrough]];
        case QSerialPort::ResourceError:
            // The system's error text here is often a stale one from an earlier call; what
            // the technician needs to know is that the device went.
            ReportLoss(QStringLiteral("the device was unplugged or the line hung up"));
            break;
        case QSerialPort::WriteError:
            ReportLoss(port_.errorString());
            break;
        default:
            port_.clearError();
            Raise(comEventUnknown);
            break;
    }
}

void QtSerialPort::ReportLoss(const QString& cause) {
    if (lossReported_) return;
    lossReported_ = true;
    // While the device is gone the read notifier keeps firing; stop listening at once, and
    // close from the event loop, outside QSerialPort's own call.
    linePoll_.stop();
    const quint64 session = session_;
    const QString text =
        QStringLiteral("The connection on %1 was lost: %2. The port has been closed.")
            .arg(Describe())
            .arg(cause.isEmpty() ? QStringLiteral("the device stopped responding") : cause);
    QMetaObject::invokeMethod(
        &port_,
        [this, session, text] {
            if (session != session_ || !PortOpen()) return;
            // Whatever the device sent before it went still belongs to the dialogue.
            ReadAvailable();
            if (session != session_ || !PortOpen()) return;
            Lost(text.toStdString());
        },
        Qt::QueuedConnection);
}

bool QtSerialPort::HungUp() const {
#ifdef Q_OS_WIN
    return true;  // no way to ask here: a read error is taken as the device gone
#else
    pollfd line{static_cast<int>(port_.handle()), POLLIN, 0};
    return ::poll(&line, 1, 0) > 0 && (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#endif
}

void QtSerialPort::PollLines() {
    quiet_ = true;
    const QSerialPort::PinoutSignals now = port_.pinoutSignals();
    const QSerialPort::SerialPortError error = port_.error();
    const QString reason = port_.errorString();
    port_.clearError();
    quiet_ = false;
    if (error == QSerialPort::ResourceError) {
        ReportLoss(reason);
        return;
    }
    if (error != QSerialPort::NoError) {
        linePoll_.stop();  // the lines cannot be read here; stop asking
        return;
    }
    const QSerialPort::PinoutSignals changed = now ^ lines_;
    lines_ = now;
    if (changed & QSerialPort::ClearToSendSignal) Raise(comEvCTS);
    if (changed & QSerialPort::DataSetReadySignal) Raise(comEvDSR);
    if (changed & QSerialPort::DataCarrierDetectSignal) Raise(comEvCD);
    if (changed & QSerialPort::RingIndicatorSignal) Raise(comEvRing);
}

}  // namespace zelmar
