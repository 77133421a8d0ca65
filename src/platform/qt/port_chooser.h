#pragma once
// Which device each of COM 1 to COM 4 stands for, and the dialog in which the technician
// picks one. A pick is remembered across runs; ZELMAR_COMn still overrides it for one run,
// as the simulator and the tests rely on.
//
//     PortChooserDialog dialog(com, assignments, parent);
//     if (dialog.exec() == QDialog::Accepted) assignments.Choose(com, dialog.ChosenPath());
#include <QDialog>
#include <QString>
#include <vector>

class QLineEdit;
class QTreeWidget;

namespace zelmar {

class PortAssignments {
  public:
    // The device behind COM n: ZELMAR_COMn when set; else the technician's remembered
    // choice; else "COMn" on Windows and /dev/ttyS(n-1) elsewhere. Numbers outside 1 to 4
    // always get the system's default.
    QString Path(int com) const;
    // Remembers the device for COM n for this and later runs; an empty path forgets it.
    void Choose(int com, const QString& path);
    // Whether ZELMAR_COMn decides COM n for this run, whatever was chosen.
    bool FromEnvironment(int com) const;
    // A line naming COM n's device for a tool tip: what the system tells of it, or that it
    // is not present, and whether the environment set it.
    QString Describe(int com) const;
};

struct SerialPortChoice {
    QString path;
    QString description, manufacturer, serialNumber;
};

// The serial ports the system knows, each by its stable /dev/serial/by-id name where it has
// one, followed by the devices assigned to COM 1 to COM 4 that exist but are no serial port
// the system lists (a pseudo-terminal, say), so that choosing anew does not lose them.
std::vector<SerialPortChoice> AvailablePorts(const PortAssignments& assignments = {});

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
