#pragma once
// Which device each of COM 1 to COM 4 stands for, and the serial ports the system knows. A
// technician's pick is remembered across runs; ZELMAR_COMn still overrides it for one run, as
// the simulator and the tests rely on. Qt Core only: the command-line programmer uses it too.
#include <QHash>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "adapters/platform.h"

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
    // Where the choices are remembered: the file, or on Windows the registry key, of
    // OpenSettings().
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

// The technician's settings, the same for both programs and every part of them: Qt's settings
// of organization Zelmar, application programator, in the system's own format (the registry on
// Windows); with HOME unset, under the home folder the system's user database names rather than
// under the root of the file system.
std::unique_ptr<QSettings> OpenSettings();

// Where settings of `format` named `fileName` (QSettings::fileName()) live, to end a sentence
// such as "could not be remembered in ...": a registry key on Windows, else the file.
QString SettingsPlace(const QString& fileName, QSettings::Format format, System system);

// n for "COMn", "com n" or, on Windows, "\\.\COMn"; nothing for any other text.
std::optional<int> ComNumber(const QString& text, System system);

// A device name as `system` spells it: on Windows any COM port is "COMn", whatever the case,
// blanks or "\\.\" before it (QSerialPort takes the plain name); elsewhere the text trimmed.
QString DeviceName(const QString& text, System system);

struct SerialPortChoice {
    QString path;  // the name to choose: the stable by-id one where there is one
    QString description, manufacturer, serialNumber;
    QString systemPath;  // the system's own name for the device: /dev/ttyUSB0
};

// The serial ports the system knows, each by its stable /dev/serial/by-id name where it has
// one, followed by the devices assigned to COM 1 to COM 4 that exist but are no serial port
// the system lists (a pseudo-terminal, say), so that choosing anew does not lose them.
std::vector<SerialPortChoice> AvailablePorts(const PortAssignments& assignments = {});

// Where a device path leads (a link's target), or an empty string when nothing is there.
using DeviceLookup = std::function<QString(const QString& path)>;

// The list AvailablePorts offers, from the system's `listed` ports (path and systemPath the
// system's name), `stableNames` (device a by-id name leads to -> that name) and the `assigned`
// paths, which `lookup` finds or not. Windows has no by-id names and lists every serial port
// it has; a COM name there is no file, so neither stable names nor assigned paths are looked
// at.
std::vector<SerialPortChoice> MergePorts(std::vector<SerialPortChoice> listed,
                                         const QHash<QString, QString>& stableNames,
                                         const QStringList& assigned, System system,
                                         const DeviceLookup& lookup);

}  // namespace zelmar
