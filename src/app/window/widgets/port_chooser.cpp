#include "widgets/port_chooser.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zelmar {

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
    const QString current = assignments.Path(com);
    QTreeWidgetItem* chosen = nullptr;
    for (const SerialPortChoice& port : AvailablePorts(assignments)) {
        auto* item = new QTreeWidgetItem(
            ports_, {port.path, port.description, port.manufacturer, port.serialNumber});
        item->setData(0, Qt::UserRole, port.path);
        if (port.path == current) chosen = item;
    }
    // The device assigned now stays in sight when it is absent (an adapter unplugged), so the
    // list never seems to have chosen another for the technician.
    if (!chosen && !current.isEmpty()) {
        chosen = new QTreeWidgetItem({QStringLiteral("%1 (not present)").arg(current)});
        chosen->setData(0, Qt::UserRole, current);
        ports_->insertTopLevelItem(0, chosen);
    }
    if (chosen) ports_->setCurrentItem(chosen);
    layout->addWidget(ports_);
    layout->addWidget(path_);

    if (assignments.FromEnvironment(com)) {
        auto* note = new QLabel(
            QStringLiteral("%1 sets COM %2 to %3 for this run; the device chosen here is used "
                           "once it is no longer set.")
                .arg(PortAssignments::EnvironmentName(com))
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
        if (item) path_->setText(item->data(0, Qt::UserRole).toString());
    });
    connect(ports_, &QTreeWidget::itemActivated, this, &QDialog::accept);
    connect(path_, &QLineEdit::textChanged, ok,
            [this, ok] { ok->setEnabled(!ChosenPath().isEmpty()); });
}

QString PortChooserDialog::ChosenPath() const {
    return DeviceName(path_->text(), kThisSystem);
}

}  // namespace zelmar
