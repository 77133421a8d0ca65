#pragma once
// What a run of zelmar-cli ends with: its status, the JSON that says so, and what goes to
// standard output without --json.
#include <QString>
#include <string>

#include "cli/options.h"
#include "session/session.h"
#include "session/session_report.h"

namespace zelmar::cli {

struct Result {
    JobSummary summary;
    std::string out;
    bool refused = false;  // a usage or input error found before the port was opened
};

// The run refused for `message`: a usage or input error, and nothing sent.
inline Result Refused(const Options& options, const QString& message) {
    Result result;
    result.summary.command = options.command.toStdString();
    result.summary.port = options.portText.toStdString();
    result.summary.status = static_cast<int>(Outcome::BadInput);
    result.summary.message = message.toStdString();
    result.refused = true;
    return result;
}

}  // namespace zelmar::cli
