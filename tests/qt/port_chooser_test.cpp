// Which device each COM stands for, the devices offered to choose from, and the dialog, with
// the settings kept in a directory of the test's own.
#include <pty.h>
#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <functional>

#include "adapters/qt_serial_port.h"
#include "support/test_application.h"
#include "widgets/port_chooser.h"

namespace zelmar {
namespace {

void ForgetEnvironment() {
    for (int com = 1; com <= 4; ++com)
        qunsetenv(qPrintable(QStringLiteral("ZELMAR_COM%1").arg(com)));
}

class PortChooserTest : public ::testing::Test {
  protected:
    PortChooserTest() {
        testing::TestApplication();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
        ForgetEnvironment();
    }
    ~PortChooserTest() override {
        if (master_ >= 0) ::close(master_);
        ForgetEnvironment();
    }

    // The slave side of a pseudo-terminal, which the system lists as no serial port.
    QString Pty() {
        char name[256] = {};
        int slave = -1;
        if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) ADD_FAILURE() << "no pty";
        ::close(slave);
        return QString::fromLocal8Bit(name);
    }

    QTemporaryDir settings_, files_;
    int master_ = -1;
};

TEST_F(PortChooserTest, EnvironmentWinsOverTheRememberedChoiceWhichWinsOverTheDefault) {
    const struct {
        const char* name;
        const char* remembered;  // "" forgets an earlier choice
        const char* environment;
        const char* fixed;  // named on a command line
        const char* path;
    } cases[] = {
        {"nothing remembered", "", nullptr, nullptr, "/dev/ttyS1"},
        {"remembered", "/dev/serial/by-id/usb-FTDI-if00", nullptr, nullptr,
         "/dev/serial/by-id/usb-FTDI-if00"},
        {"environment", "/dev/ttyUSB0", "/dev/pts/77", nullptr, "/dev/pts/77"},
        {"command line", "/dev/ttyUSB0", "/dev/pts/77", "/dev/ttyACM3", "/dev/ttyACM3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PortAssignments().Choose(2, "/dev/ttyUSB9");
        PortAssignments().Choose(2, c.remembered);
        if (c.environment) qputenv("ZELMAR_COM2", c.environment);
        PortAssignments later;
        if (c.fixed) later.Fix(2, c.fixed);
        EXPECT_EQ(later.Path(2), c.path);
        EXPECT_EQ(later.FromEnvironment(2), c.environment != nullptr);
        EXPECT_EQ(later.Describe(2).contains("(from ZELMAR_COM2)"), c.environment != nullptr)
            << later.Describe(2).toStdString();
        EXPECT_EQ(later.Path(3), "/dev/ttyS2");
        qunsetenv("ZELMAR_COM2");
    }
}

TEST_F(PortChooserTest, AChoiceIsWrittenWhereTheNextRunReadsIt) {
    PortAssignments().Choose(4, "/dev/ttyACM0");
    QFile stored(settings_.filePath("Zelmar/programator.conf"));
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_TRUE(stored.readAll().contains("/dev/ttyACM0"));
}

TEST_F(PortChooserTest, AChoiceThatCannotBeRememberedHoldsForThisRunAndSaysSo) {
    // Settings under a plain file: no folder can be made there, not even by root.
    QFile blocker(files_.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       files_.filePath("blocker/config"));
    const QString said = PortAssignments().Choose(2, "/dev/ttyUSB7");
    EXPECT_EQ(said, "The device of COM 2 holds for this run only: it could not be remembered in " +
                        files_.filePath("blocker/config/Zelmar/programator.conf") + ".");
    EXPECT_EQ(PortAssignments().Path(2), "/dev/ttyUSB7") << "it holds for this run";
    // Writable again: remembered as ever.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
    EXPECT_EQ(PortAssignments().Choose(2, "/dev/ttyUSB8"), "");
    EXPECT_EQ(PortAssignments().Path(2), "/dev/ttyUSB8");
}

TEST_F(PortChooserTest, WithHomeUnsetTheChoicesLiveInTheUsersHomeFolderNotAtTheRoot) {
    const QByteArray home = qgetenv("HOME");
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("HOME");
    qunsetenv("XDG_CONFIG_HOME");
    const QString file = PortAssignments::SettingsFile();
    qputenv("HOME", home);
    if (!configHome.isEmpty()) qputenv("XDG_CONFIG_HOME", configHome);
    const passwd* user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(file, QString::fromLocal8Bit(user->pw_dir) + "/.config/Zelmar/programator.conf");
}

TEST_F(PortChooserTest, AnAssignedPseudoTerminalIsOfferedOnceAndPreselected) {
    const QString pty = Pty();
    const struct {
        const char* name;
        std::function<QString(PortAssignments&)> assign;  // gives the path COM 3 names
    } cases[] = {
        {"remembered",
         [&](PortAssignments& a) {
             a.Choose(3, pty);
             return pty;
         }},
        {"through a link from the environment",
         [&](PortAssignments&) {
             const QString link = files_.filePath("simulator");
             QFile::link(pty, link);
             qputenv("ZELMAR_COM3", link.toLocal8Bit());
             return link;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PortAssignments assignments;
        const QString path = c.assign(assignments);
        const auto ports = AvailablePorts(assignments);
        EXPECT_EQ(std::ranges::count_if(ports, [&](const auto& p) { return p.path == path; }), 1);
        EXPECT_FALSE(assignments.Describe(3).contains("not present"))
            << assignments.Describe(3).toStdString();
        PortChooserDialog dialog(3, assignments);
        const QTreeWidgetItem* current = dialog.findChild<QTreeWidget*>()->currentItem();
        ASSERT_NE(current, nullptr);
        EXPECT_EQ(current->text(0), path);
        qunsetenv("ZELMAR_COM3");
    }
}

TEST_F(PortChooserTest, AMissingDeviceIsDescribedAsNotPresent) {
    PortAssignments assignments;
    assignments.Choose(1, "/dev/zelmar-no-such-port");
    EXPECT_EQ(assignments.Describe(1), "/dev/zelmar-no-such-port - not present");
    // The chooser shows it chosen, and Enter keeps it: the list's focus picks nothing else.
    PortChooserDialog dialog(1, assignments);
    dialog.show();
    auto* list = dialog.findChild<QTreeWidget*>();
    list->setFocus();
    QApplication::processEvents();
    ASSERT_NE(list->currentItem(), nullptr);
    EXPECT_EQ(list->currentItem()->text(0), "/dev/zelmar-no-such-port (not present)");
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenPath(), "/dev/zelmar-no-such-port");
}

TEST_F(PortChooserTest, TheDialogReturnsATypedPath) {
    PortChooserDialog dialog(1, PortAssignments());
    dialog.show();
    auto* field = dialog.findChild<QLineEdit*>();
    QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    field->clear();
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClicks(field, " /dev/ttyACM0 ");
    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenPath(), "/dev/ttyACM0");
}

TEST_F(PortChooserTest, TheSerialPortOpensWhatItsAssignmentsNameAtTheTimeOfOpening) {
    PortAssignments assignments;
    QtSerialPort port(assignments);
    assignments.Choose(1, Pty());
    port.SetPortOpen(true);
    EXPECT_TRUE(port.PortOpen());
}

TEST(PortNamesTest, WindowsNamesEveryComItsWayAndKeepsSettingsInTheRegistry) {
    constexpr System kWin = System::Windows, kPosix = System::Posix;
    const struct {
        System system;
        const char* typed;
        const char* device;
    } names[] = {{kWin, " com10 ", "COM10"},
                 {kWin, "Com 3", "COM3"},
                 {kWin, "\\\\.\\COM11", "COM11"},
                 {kPosix, " com10 ", "com10"},
                 {kPosix, "/dev/ttyS0 ", "/dev/ttyS0"}};
    for (const auto& c : names) EXPECT_EQ(DeviceName(c.typed, c.system), c.device) << c.typed;

    const struct {
        System system;
        QSettings::Format format;
        const char* fileName;
        const char* place;
    } places[] = {
        {kWin, QSettings::NativeFormat, "\\HKEY_CURRENT_USER\\Software\\Zelmar\\programator",
         "the registry key HKEY_CURRENT_USER\\Software\\Zelmar\\programator"},
        {kWin, QSettings::IniFormat, "C:/Users/tech/AppData/Roaming/Zelmar/programator.ini",
         "C:\\Users\\tech\\AppData\\Roaming\\Zelmar\\programator.ini"},
        {kPosix, QSettings::NativeFormat, "/home/tech/.config/Zelmar/programator.conf",
         "/home/tech/.config/Zelmar/programator.conf"},
    };
    for (const auto& c : places) EXPECT_EQ(SettingsPlace(c.fileName, c.format, c.system), c.place);
}

TEST(PortNamesTest, TheListOffersListedPortsByStableNameAndAssignedDevicesTheSystemMisses) {
    // Every path is found but those named absent, as a file named COM1 in the current folder
    // would be on Windows; links lead to their targets.
    const QHash<QString, QString> links = {{"/tmp/sim", "/dev/pts/5"},
                                           {"/dev/serial/by-id/usb-FTDI-if00", "/dev/ttyUSB0"}};
    QStringList looked;
    const DeviceLookup lookup = [&](const QString& path) {
        looked.push_back(path);
        return path.contains("absent") ? QString() : links.value(path, path);
    };
    const std::vector<SerialPortChoice> listed = {{"COM3", "USB Serial Port", "FTDI", "A1", "COM3"},
                                                  {"COM10", "", "", "", "COM10"}};
    const QHash<QString, QString> stable = {{"COM3", "/dev/serial/by-id/usb-FTDI-if00"}};
    const auto windows = MergePorts(listed, stable, {"COM1", "com10"}, System::Windows, lookup);
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].path, "COM3");
    EXPECT_EQ(windows[0].description, "USB Serial Port");
    EXPECT_EQ(windows[1].path, "COM10");
    EXPECT_TRUE(looked.isEmpty()) << "a COM name was looked up as a file";

    const std::vector<SerialPortChoice> ttys = {{"/dev/ttyUSB0", "FT232R", "", "", "/dev/ttyUSB0"},
                                                {"/dev/ttyS0", "", "", "", "/dev/ttyS0"}};
    const QHash<QString, QString> byId = {{"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI-if00"}};
    const auto posix =
        MergePorts(ttys, byId, {"/tmp/sim", "/dev/absent", "/dev/serial/by-id/usb-FTDI-if00"},
                   System::Posix, lookup);
    std::vector<std::pair<std::string, std::string>> offered;
    for (const SerialPortChoice& port : posix)
        offered.emplace_back(port.path.toStdString(), port.description.toStdString());
    EXPECT_EQ(offered, (std::vector<std::pair<std::string, std::string>>{
                           {"/dev/serial/by-id/usb-FTDI-if00", "FT232R (/dev/ttyUSB0)"},
                           {"/dev/ttyS0", ""},
                           {"/tmp/sim", "pseudo-terminal (/dev/pts/5)"}}));
}

}  // namespace
}  // namespace zelmar
