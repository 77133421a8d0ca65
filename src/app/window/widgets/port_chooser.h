#pragma once
// The dialog in which the technician picks the device for one of COM 1 to COM 4.
//
//     PortChooserDialog dialog(com, assignments, parent);
//     if (dialog.exec() == QDialog::Accepted) assignments.Choose(com, dialog.ChosenPath());
#include <QDialog>
#include <QString>

#include "adapters/port_assignments.h"

class QLineEdit;
class QTreeWidget;

namespace zelmar {

class PortChooserDialog : public QDialog {
    Q_OBJECT
  public:
    PortChooserDialog(int com, const PortAssignments& assignments, QWidget* parent = nullptr);
    QString ChosenPath() const;

  private:
    QTreeWidget* ports_;
    QLineEdit* path_;
};

}  // namespace zelmar
