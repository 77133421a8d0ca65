#pragma once
// zelmar-cli's commands: ports, read, write, verify and settings.
#include "cli/options.h"
#include "cli/result.h"

namespace zelmar::cli {

// Runs the command the options name, on the device where it needs one; refused when the
// options or the files named do not fit it.
Result RunCommand(const Options& options);

}  // namespace zelmar::cli
