#pragma once
// Which device each of COM 1 to COM 4 stands for, and the serial ports the system knows. A
// technician's pick is remembered across runs; ZELMAR_COMn still overrides it for one run, as
// the simulator and the tests rely on. Qt Core only: the command-line programmer uses it too.
#include <QHash>
#include <QString>
#include <vector>

namespace zelmar {

class PortAssignments {
  public:
    // The device behind COM n: a fixed path when given; else ZELMAR_COMn when set; else the
    // technician's remembered choice; else "COMn" on Windows and /dev/ttyS(n-1) elsewhere. Numbers
    // outside 1 to 4 always get the system's default.
    QString Path(int com) const;
    // Remembers the device for COM n for this and later runs; an empty path forgets it.
    // Returns an empty string, or, when the settings cannot be saved (a read-only
    // configuration folder, no home folder), a sentence saying so: the choice then holds for
    // this run only.
    QString Choose(int com, const QString& path);
    // The file the choices are remembered in: Qt's settings of organization Zelmar,
    // application programator; with HOME unset, under the home folder the system's user
    // database names rather than under the root of the file system.
    static QString SettingsFile();
    // Whether ZELMAR_COMn decides COM n for this run, whatever was chosen.
    bool FromEnvironment(int com) const;
    // A line naming COM n's device for a tool tip: what the system tells of it, or that it
    // is not present, and whether the environment set it.
    QString Describe(int com) const;
    // For this run only, COM n is `path`, whatever the environment or a remembered choice say:
    // a device named on a command line.
    void Fix(int com, const QString& path);
    // The variable that sets COM n for one run: "ZELMAR_COMn".
    static QString EnvironmentName(int com);

  private:
    QHash<int, QString> fixed_;
};

struct SerialPortChoice {
    QString path;  // the name to choose: the stable by-id one where there is one
    QString description, manufacturer, serialNumber;
    QString systemPath;  // the system's own name for the device: /dev/ttyUSB0
};

// The serial ports the system knows, each by its stable /dev/serial/by-id name where it has
// one, followed by the devices assigned to COM 1 to COM 4 that exist but are no serial port
// the system lists (a pseudo-terminal, say), so that choosing anew does not lose them.
std::vector<SerialPortChoice> AvailablePorts(const PortAssignments& assignments = {});

}  // namespace zelmar
