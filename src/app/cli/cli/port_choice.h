#pragma once
// The port a command line names, as COM n or as a device path.
#include <QString>
#include <optional>

#include "adapters/platform.h"
#include "adapters/port_assignments.h"

namespace zelmar::cli {

// What --port names before any device is looked up: COM 1 to COM 4, which stand for the
// devices the window assigns them, or a device by its own name.
struct PortText {
    int com = 0;     // 1 to 4; 0 for `device`
    QString device;  // a path, or on Windows any COMn
};

// Reads `text` as `system` spells ports: COM 1 to COM 4 in any case, with or without the blank,
// everywhere; any other COM port on Windows, by its name "COMn"; a path as it stands elsewhere.
// Nothing when `text` names no port, and `error` says why.
std::optional<PortText> ReadPortText(const QString& text, System system, QString& error);

struct PortChoice {
    int com = 1;
    QString path;
    QString name;  // for messages: "COM 1 (/dev/ttyS0)" or the path
};

// The port `text` names. COM 1 to COM 4 are the devices `assignments` gives them; a device
// named by itself is fixed as COM 1 in `assignments`. Nothing when `text` names no port, and
// `error` says why.
std::optional<PortChoice> ChoosePort(const QString& text, PortAssignments& assignments,
                                     QString& error);

}  // namespace zelmar::cli
