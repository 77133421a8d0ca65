#include "platform/qt/port_chooser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSet>
#include <QSettings>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zelmar {

namespace {

constexpr int kFirstCom = 1;
constexpr int kLastCom = 4;

bool Assignable(int com) {
    return com >= kFirstCom && com <= kLastCom;
}

QString EnvironmentName(int com) {
    return QStringLiteral("ZELMAR_COM%1").arg(com);
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
                            info.serialNumber()};
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
    return SerialPortChoice{path, description, {}, {}};
}

}  // namespace

QString PortAssignments::Path(int com) const {
    if (!Assignable(com)) return SystemDefault(com);
    if (FromEnvironment(com)) return qEnvironmentVariable(qPrintable(EnvironmentName(com)));
    // Read afresh each time, so that every holder of assignments sees a choice at once.
    const QSettings settings(QStringLiteral("Zelmar"), QStringLiteral("programator"));
    const QString chosen = settings.value(SettingsKey(com)).toString();
    return chosen.isEmpty() ? SystemDefault(com) : chosen;
}

void PortAssignments::Choose(int com, const QString& path) {
    if (!Assignable(com)) return;
    QSettings settings(QStringLiteral("Zelmar"), QStringLiteral("programator"));
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty())
        settings.remove(SettingsKey(com));
    else
        settings.setValue(SettingsKey(com), trimmed);
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

PortChooserDialog::PortChooserDialog(int com, const PortAssignments& assignments, QWidget* parent)
    : QDialog(parent),
      ports_(new QTreeWidget(this)),
      path_(new QLineEdit(assignments.Path(com), this)) {
    setWindowTitle(QStringLiteral("COM %1").arg(com));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Device for COM %1:").arg(com), this));

    ports_->setRootIsDecorated(false);
    ports_->setHeaderLabels({QStringLiteral("Device"), QStringLiteral("Description"),
                             QStringLiteral("Maker"), QStringLiteral("Serial number")});
    ports_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (const SerialPortChoice& port : AvailablePorts(assignments)) {
        auto* item = new QTreeWidgetItem(
            ports_, {port.path, port.description, port.manufacturer, port.serialNumber});
        if (port.path == path_->text()) ports_->setCurrentItem(item);
    }
    layout->addWidget(ports_);
    layout->addWidget(path_);

    if (assignments.FromEnvironment(com)) {
        auto* note = new QLabel(
            QStringLiteral("%1 sets COM %2 to %3 for this run; the device chosen here is used "
                           "once it is no longer set.")
                .arg(EnvironmentName(com))
                .arg(com)
                .arg(assignments.Path(com)),
            this);
        note->setWordWrap(true);
        layout->addWidget(note);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(!ChosenPath().isEmpty());

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ports_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item) path_->setText(item->text(0));
    });
    connect(ports_, &QTreeWidget::itemActivated, this, &QDialog::accept);
    connect(path_, &QLineEdit::textChanged, ok,
            [this, ok] { ok->setEnabled(!ChosenPath().isEmpty()); });
}

QString PortChooserDialog::ChosenPath() const {
    return path_->text().trimmed();
}

}  // namespace zelmar
