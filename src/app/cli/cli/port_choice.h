#pragma once
// The port a command line names, as COM n or as a device path.
#include <QString>
#include <optional>

#include "adapters/port_assignments.h"

namespace zelmar::cli {

struct PortChoice {
    int com = 1;
    QString path;
    QString name;  // for messages: "COM 1 (/dev/ttyS0)" or the path
};

// The port `text` names. COM 1 to COM 4 are the devices `assignments` gives them; a path is
// fixed as COM 1 in `assignments`. Nothing when `text` names no port, and `error` says why.
std::optional<PortChoice> ChoosePort(const QString& text, PortAssignments& assignments,
                                     QString& error);

}  // namespace zelmar::cli
