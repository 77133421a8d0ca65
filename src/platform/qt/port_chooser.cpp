#include "platform/qt/port_chooser.h"

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
