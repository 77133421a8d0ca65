// The serial port component against a real pseudo-terminal: the test holds the master side
// and plays the device; the component opens the slave side as COM 1.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "adapters/qt_serial_port.h"
#include "numbers/numbers.h"
#include "support/test_application.h"

namespace zelmar {
namespace {

using testing::TestApplication;

// Counts the socket notifications the event loop delivers: a device that keeps signalling
// shows here as a number that runs away.
class SocketActivityCounter : public QObject {
  public:
    SocketActivityCounter() { QCoreApplication::instance()->installEventFilter(this); }
    ~SocketActivityCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
    int count = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::SockAct) ++count;
        return QObject::eventFilter(watched, event);
    }
};

class PtyPortTest : public ::testing::Test {
  protected:
    PtyPortTest() : app_(TestApplication()) {
        char name[256] = {};
        int slave = -1;
        if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) {
            ADD_FAILURE() << "no pseudo-terminal";
            return;
        }
        ::close(slave);  // the component opens it again by its path, as it would a device
        slavePath_ = name;
        qputenv("ZELMAR_COM1", slavePath_.toLocal8Bit());
        port.OnReceive = [this](std::uint8_t byte) {
            events.push_back(comEvReceive);
            received.push_back(static_cast<char>(byte));
            if (whileHandling) whileHandling();
        };
        port.OnComm = [this](int code) {
            events.push_back(code);
            if (whileHandling) whileHandling();
        };
        port.OnLost = [this](const std::string& description) { losses.push_back(description); };
    }

    ~PtyPortTest() override {
        CloseMaster();
        qunsetenv("ZELMAR_COM1");
    }

    void CloseMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

    void DeviceSends(std::string_view bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // What the component sent, as far as it arrives within a second.
    std::string DeviceReads(std::size_t count) {
        std::string bytes;
        while (bytes.size() < count) {
            pollfd fd{master_, POLLIN, 0};
            if (::poll(&fd, 1, 1000) <= 0) break;
            char buffer[64];
            const ssize_t n =
                ::read(master_, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n <= 0) break;
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        return bytes;
    }

    QApplication& app_;
    int master_ = -1;
    QString slavePath_;
    QtSerialPort port;
    std::vector<int> events;
    std::string received;
    std::vector<std::string> losses;
    std::function<void()> whileHandling;
};

TEST_F(PtyPortTest, OpensAtItsSettingsAndSendsABytePerCharacter) {
    port.SetPortOpen(true);
    ASSERT_TRUE(port.PortOpen());
    EXPECT_EQ(port.Settings().baudRate, 1200);
    port.Output(std::string_view("\x55", 1));
    EXPECT_EQ(DeviceReads(1), "\x55");
    port.Output(std::string_view("\x00\xAA", 2));
    EXPECT_EQ(DeviceReads(2), std::string("\x00\xAA", 2));
}

TEST_F(PtyPortTest, RaisesOneReceiveEventPerByte) {
    port.SetPortOpen(true);
    const std::string sent("\xAC\xCA\x00\xFF\xAC", 5);
    DeviceSends(sent);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() >= sent.size(); }, 2000));
    QTest::qWait(50);  // nothing more is to come
    EXPECT_EQ(received, sent);
    EXPECT_EQ(events, std::vector<int>(sent.size(), comEvReceive));
}

TEST_F(PtyPortTest, BytesArrivingWhileAHandlerWaitsInANestedLoopAreNotLeftBehind) {
    port.SetPortOpen(true);
    bool first = true;
    whileHandling = [&] {
        if (!first) return;
        first = false;
        // As a message box would: the rest arrives while the handler's own loop runs.
        DeviceSends("BCD");
        QTest::qWait(200);
        EXPECT_EQ(received, "A");  // no handler re-entered meanwhile
    };
    DeviceSends("A");
    // Nothing arrives after "BCD", so only the component's own re-reading can deliver it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() >= 4; }, 2000));
    EXPECT_EQ(received, "ABCD");
    EXPECT_EQ(events.size(), 4u);
}

TEST_F(PtyPortTest, ClosesAndOpensAgain) {
    port.SetPortOpen(true);
    port.SetPortOpen(false);
    EXPECT_FALSE(port.PortOpen());
    port.SetPortOpen(true);
    EXPECT_TRUE(port.PortOpen());
    DeviceSends("\x01");
    EXPECT_TRUE(QTest::qWaitFor([&] { return received == "\x01"; }, 2000));
}

TEST_F(PtyPortTest, IdleLineRaisesNothing) {
    // Longer than a few rounds of line-signal polling, which a pseudo-terminal cannot answer.
    port.SetPortOpen(true);
    QTest::qWait(700);
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(port.PortOpen());
}

TEST_F(PtyPortTest, DeviceGoneIsReportedOnceAndTheLoopGoesQuiet) {
    port.SetPortOpen(true);
    CloseMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !losses.empty(); }, 2000));
    EXPECT_FALSE(port.PortOpen());
    EXPECT_NE(losses[0].find(slavePath_.toStdString()), std::string::npos) << losses[0];
    EXPECT_NE(losses[0].find("unplugged"), std::string::npos) << losses[0];

    SocketActivityCounter activity;
    QTest::qWait(200);
    EXPECT_LT(activity.count, 10);  // a notifier left firing counts in the hundreds of thousands
    EXPECT_EQ(losses.size(), 1u);
    EXPECT_TRUE(events.empty());

    // Closing again is no failure: the port is closed already.
    EXPECT_NO_THROW(port.SetPortOpen(false));
}

// ---- failed openings ----------------------------------------------------------------------

struct OpenFailure {
    const char* name;
    // Prepares the path that COM 2 will name; what it must keep alive goes into `keep`.
    std::function<QString(PtyPortTest&, std::vector<std::shared_ptr<void>>& keep)> prepare;
    const char* says;
    bool needsNonRoot = false;
};

class OpenFailureTest : public PtyPortTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailureTest, TellsWhatHappenedAndWhichDevice) {
    if (GetParam().needsNonRoot && ::geteuid() == 0) GTEST_SKIP() << "root may open anything";
    std::vector<std::shared_ptr<void>> keep;
    const QString path = GetParam().prepare(*this, keep);
    qputenv("ZELMAR_COM2", path.toLocal8Bit());
    port.SetCommPort(2);
    try {
        port.SetPortOpen(true);
        ADD_FAILURE() << "the open succeeded";
    } catch (const StepError& failure) {
        const std::string text = failure.what();
        EXPECT_NE(text.find(path.toStdString()), std::string::npos) << text;
        EXPECT_NE(text.find("COM 2"), std::string::npos) << text;
        EXPECT_NE(text.find(GetParam().says), std::string::npos) << text;
    }
    EXPECT_FALSE(port.PortOpen());
    qunsetenv("ZELMAR_COM2");
}

QString TempFile(std::vector<std::shared_ptr<void>>& keep, int mode) {
    auto dir = std::make_shared<QTemporaryDir>();
    keep.push_back(dir);
    const QString path = dir->filePath("device");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.close();
    ::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(mode));
    return path;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, OpenFailureTest,
    ::testing::Values(
        OpenFailure{"Missing",
                    [](PtyPortTest&, auto&) { return QStringLiteral("/dev/zelmar-no-such-port"); },
                    "does not exist"},
        OpenFailure{"HeldByAnother",
                    [](PtyPortTest& test, auto& keep) {
                        auto holder = std::make_shared<QtSerialPort>();
                        holder->SetPortOpen(true);  // COM 1, the same pseudo-terminal
                        keep.push_back(holder);
                        return qEnvironmentVariable("ZELMAR_COM1");
                        (void)test;
                    },
                    "another program"},
        OpenFailure{"NoSerialLine", [](PtyPortTest&, auto& keep) { return TempFile(keep, 0600); },
                    "is a file, not a serial device"},
        OpenFailure{"AccessDenied", [](PtyPortTest&, auto& keep) { return TempFile(keep, 0); },
                    "dialout", true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- device names -------------------------------------------------------------------------

TEST(DevicePathTest, EnvironmentNamesTheFirstFourPortsElseTheSystemsSerialLines) {
    TestApplication();
    qputenv("ZELMAR_COM3", "/dev/ttyUSB0");
    qputenv("ZELMAR_COM5", "/dev/ttyUSB1");
    qunsetenv("ZELMAR_COM2");
    const struct {
        int port;
        const char* path;
    } cases[] = {{2, "/dev/ttyS1"}, {3, "/dev/ttyUSB0"}, {4, "/dev/ttyS3"}, {5, "/dev/ttyS4"}};
    for (const auto& c : cases) EXPECT_EQ(QtSerialPort::DevicePath(c.port), c.path) << c.port;
    qunsetenv("ZELMAR_COM3");
    qunsetenv("ZELMAR_COM5");
}

}  // namespace
}  // namespace zelmar
