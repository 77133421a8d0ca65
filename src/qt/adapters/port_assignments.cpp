#include "adapters/port_assignments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSet>
#include <QSettings>
#include <memory>

#ifndef Q_OS_WIN
#include <pwd.h>
#include <unistd.h>
#endif

namespace zelmar {

namespace {

constexpr int kFirstCom = 1;
constexpr int kLastCom = 4;

bool Assignable(int com) {
    return com >= kFirstCom && com <= kLastCom;
}

QString SettingsKey(int com) {
    return QStringLiteral("ports/com%1").arg(com);
}

QString SystemDefault(int com) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(com);
#else
    return QStringLiteral("/dev/ttyS%1").arg(com - 1);
#endif
}

// The technician's settings. With HOME unset Qt takes the root of the file system for the home
// folder (its configuration in /.config), which a technician cannot write and root should not;
// the user database knows the home folder then, as a login shell would.
std::unique_ptr<QSettings> OpenSettings() {
#ifndef Q_OS_WIN
    if (qEnvironmentVariableIsEmpty("HOME") && qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
        const passwd* user = ::getpwuid(::getuid());
        if (user && user->pw_dir && *user->pw_dir)
            return std::make_unique<QSettings>(
                QFile::decodeName(user->pw_dir) +
                    QStringLiteral("/.config/Zelmar/programator.conf"),
                QSettings::IniFormat);
    }
#endif
    return std::make_unique<QSettings>(QStringLiteral("Zelmar"), QStringLiteral("programator"));
}

// Choices that could not be saved, for the rest of this run; an empty one forgets a saved one.
QHash<int, QString>& UnsavedChoices() {
    static QHash<int, QString> choices;
    return choices;
}

// Links and their targets name one device; compare what they lead to.
QString DeviceIdentity(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

// The stable names of the serial adapters plugged in, by the device each leads to: the
// kernel's ttyUSB numbers change with the order of plugging in, these do not.
QHash<QString, QString> StableNames() {
    QHash<QString, QString> names;
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link :
         byId.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty()) names.insert(target, link.absoluteFilePath());
    }
    return names;
}

SerialPortChoice Listed(const QSerialPortInfo& info, const QHash<QString, QString>& stableNames) {
#ifdef Q_OS_WIN
    const QString kernelName = info.portName();
#else
    const QString kernelName = info.systemLocation();
#endif
    SerialPortChoice choice{kernelName, info.description(), info.manufacturer(),
                            info.serialNumber(), kernelName};
    const QString stable = stableNames.value(DeviceIdentity(kernelName));
    if (!stable.isEmpty()) {
        choice.path = stable;
        choice.description = choice.description.isEmpty()
                                 ? kernelName
                                 : QStringLiteral("%1 (%2)").arg(choice.description, kernelName);
    }
    return choice;
}

SerialPortChoice Unlisted(const QString& path) {
    const QString identity = DeviceIdentity(path);
    QString description = identity.startsWith(QStringLiteral("/dev/pts/"))
                              ? QStringLiteral("pseudo-terminal")
                              : QStringLiteral("not listed by the system as a serial port");
    if (identity != path) description += QStringLiteral(" (%1)").arg(identity);
    return SerialPortChoice{path, description, {}, {}, identity};
}

}  // namespace

QString PortAssignments::EnvironmentName(int com) {
    return QStringLiteral("ZELMAR_COM%1").arg(com);
}

void PortAssignments::Fix(int com, const QString& path) {
    fixed_.insert(com, path);
}

QString PortAssignments::Path(int com) const {
    if (fixed_.contains(com)) return fixed_.value(com);
    if (!Assignable(com)) return SystemDefault(com);
    if (FromEnvironment(com)) return qEnvironmentVariable(qPrintable(EnvironmentName(com)));
    QString chosen;
    if (UnsavedChoices().contains(com)) {
        chosen = UnsavedChoices().value(com);
    } else {
        // Read afresh each time, so that every holder of assignments sees a choice at once.
        chosen = OpenSettings()->value(SettingsKey(com)).toString();
    }
    return chosen.isEmpty() ? SystemDefault(com) : chosen;
}

QString PortAssignments::Choose(int com, const QString& path) {
    if (!Assignable(com)) return {};
    const std::unique_ptr<QSettings> settings = OpenSettings();
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty())
        settings->remove(SettingsKey(com));
    else
        settings->setValue(SettingsKey(com), trimmed);
    settings->sync();
    if (settings->status() == QSettings::NoError) {
        UnsavedChoices().remove(com);
        return {};
    }
    UnsavedChoices().insert(com, trimmed);
    return QStringLiteral(
               "The device of COM %1 holds for this run only: it could not be "
               "remembered in %2.")
        .arg(com)
        .arg(QDir::toNativeSeparators(settings->fileName()));
}

QString PortAssignments::SettingsFile() {
    return OpenSettings()->fileName();
}

bool PortAssignments::FromEnvironment(int com) const {
    return Assignable(com) && !qEnvironmentVariable(qPrintable(EnvironmentName(com))).isEmpty();
}

QString PortAssignments::Describe(int com) const {
    const QString path = Path(com);
    QString text = path;
    const QString identity = DeviceIdentity(path);
    bool found = false;
    for (const SerialPortChoice& port : AvailablePorts(*this)) {
        if (DeviceIdentity(port.path) != identity) continue;
        found = true;
        if (!port.description.isEmpty()) text += QStringLiteral(" - ") + port.description;
        if (!port.manufacturer.isEmpty()) text += QStringLiteral(" (%1)").arg(port.manufacturer);
        if (!port.serialNumber.isEmpty())
            text += QStringLiteral(", serial %1").arg(port.serialNumber);
        break;
    }
    if (!found) text += QStringLiteral(" - not present");
    if (FromEnvironment(com)) text += QStringLiteral(" (from %1)").arg(EnvironmentName(com));
    return text;
}

std::vector<SerialPortChoice> AvailablePorts(const PortAssignments& assignments) {
    std::vector<SerialPortChoice> ports;
    QSet<QString> seen;
    const QHash<QString, QString> stableNames = StableNames();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports.push_back(Listed(info, stableNames));
        seen.insert(DeviceIdentity(ports.back().path));
    }
    for (int com = kFirstCom; com <= kLastCom; ++com) {
        const QString path = assignments.Path(com);
        const QString identity = DeviceIdentity(path);
        if (seen.contains(identity) || !QFileInfo::exists(path)) continue;
        seen.insert(identity);
        ports.push_back(Unlisted(path));
    }
    return ports;
}

}  // namespace zelmar
