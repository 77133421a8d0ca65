#include "adapters/port_assignments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
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
    if constexpr (kThisSystem == System::Windows)
        return QStringLiteral("COM%1").arg(com);
    else
        return QStringLiteral("/dev/ttyS%1").arg(com - 1);
}

// Choices that could not be saved, for the rest of this run; an empty one forgets a saved one.
QHash<int, QString>& UnsavedChoices() {
    static QHash<int, QString> choices;
    return choices;
}

// What a path leads to on this system, empty when nothing is there.
QString Lookup(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

// Links and their targets name one device; compare what they lead to. On Windows a COM name is
// no file (QFileInfo would look in the current folder), and its case says nothing.
QString DeviceIdentity(const QString& path, System system, const DeviceLookup& lookup) {
    if (system == System::Windows) return DeviceName(path, system);
    const QString leadsTo = lookup(path);
    return leadsTo.isEmpty() ? path : leadsTo;
}

QString DeviceIdentity(const QString& path) {
    return DeviceIdentity(path, kThisSystem, Lookup);
}

// The stable names of the serial adapters plugged in, by the device each leads to: the
// kernel's ttyUSB numbers change with the order of plugging in, these do not.
QHash<QString, QString> StableNames() {
    QHash<QString, QString> names;
    if constexpr (kThisSystem != System::Windows) {
        const QDir byId(QStringLiteral("/dev/serial/by-id"));
        for (const QFileInfo& link :
             byId.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            const QString target = link.canonicalFilePath();
            if (!target.isEmpty()) names.insert(target, link.absoluteFilePath());
        }
    }
    return names;
}

// Windows opens a port by its name (COM10); elsewhere the name is a path in /dev.
QString SystemName(const QSerialPortInfo& info) {
    if constexpr (kThisSystem == System::Windows)
        return info.portName();
    else
        return info.systemLocation();
}

SerialPortChoice Unlisted(const QString& path, const QString& identity) {
    QString description = identity.startsWith(QStringLiteral("/dev/pts/"))
                              ? QStringLiteral("pseudo-terminal")
                              : QStringLiteral("not listed by the system as a serial port");
    if (identity != path) description += QStringLiteral(" (%1)").arg(identity);
    return SerialPortChoice{path, description, {}, {}, identity};
}

}  // namespace

// With HOME unset Qt takes the root of the file system for the home folder (its configuration
// in /.config), which a technician cannot write and root should not; the user database knows
// the home folder then, as a login shell would.
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

QString SettingsPlace(const QString& fileName, QSettings::Format format, System system) {
    if (system == System::Windows && format == QSettings::NativeFormat) {
        QString key = fileName;
        while (key.startsWith(u'\\')) key.remove(0, 1);
        return QStringLiteral("the registry key ") + key;
    }
    return NativePath(fileName, system);
}

std::optional<int> ComNumber(const QString& text, System system) {
    static const QRegularExpression kCom(QStringLiteral("^COM ?([0-9]{1,6})$"),
                                         QRegularExpression::CaseInsensitiveOption);
    QString name = text.trimmed();
    if (system == System::Windows && name.startsWith(QStringLiteral("\\\\.\\"))) name.remove(0, 4);
    const QRegularExpressionMatch match = kCom.match(name);
    if (!match.hasMatch()) return std::nullopt;
    return match.captured(1).toInt();
}

QString DeviceName(const QString& text, System system) {
    if (system == System::Windows) {
        if (const std::optional<int> com = ComNumber(text, system); com && *com > 0)
            return QStringLiteral("COM%1").arg(*com);
    }
    return text.trimmed();
}

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
    const QString trimmed = DeviceName(path, kThisSystem);
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
        .arg(SettingsPlace(settings->fileName(), settings->format(), kThisSystem));
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

std::vector<SerialPortChoice> MergePorts(std::vector<SerialPortChoice> listed,
                                         const QHash<QString, QString>& stableNames,
                                         const QStringList& assigned, System system,
                                         const DeviceLookup& lookup) {
    QSet<QString> seen;
    for (SerialPortChoice& port : listed) {
        const QString stable = system == System::Windows
                                   ? QString()
                                   : stableNames.value(DeviceIdentity(port.path, system, lookup));
        if (!stable.isEmpty()) {
            port.description = port.description.isEmpty() ? port.systemPath
                                                          : QStringLiteral("%1 (%2)").arg(
                                                                port.description, port.systemPath);
            port.path = stable;
        }
        seen.insert(DeviceIdentity(port.path, system, lookup));
    }
    if (system == System::Windows) return listed;
    for (const QString& path : assigned) {
        const QString leadsTo = lookup(path);
        if (leadsTo.isEmpty() || seen.contains(leadsTo)) continue;
        seen.insert(leadsTo);
        listed.push_back(Unlisted(path, leadsTo));
    }
    return listed;
}

std::vector<SerialPortChoice> AvailablePorts(const PortAssignments& assignments) {
    std::vector<SerialPortChoice> listed;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString name = SystemName(info);
        listed.push_back(
            {name, info.description(), info.manufacturer(), info.serialNumber(), name});
    }
    QStringList assigned;
    for (int com = kFirstCom; com <= kLastCom; ++com) assigned.push_back(assignments.Path(com));
    return MergePorts(std::move(listed), StableNames(), assigned, kThisSystem, Lookup);
}

}  // namespace zelmar
