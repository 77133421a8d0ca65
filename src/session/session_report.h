#pragma once
// What the command-line programmer prints of a job: its progress, the settings in the panel's
// words, and one JSON object for scripts.
#include <cstdint>
#include <string>
#include <vector>

#include "objectfile/object_file.h"
#include "session/session.h"

namespace zelmar {

// "writing 120/8191, 9.8 objects/s, 13 min left"; rate and time once an object is done.
std::string ProgressLine(Task task, int done, int total, std::int64_t elapsedMs);

// The settings entries among `entries` as the settings panel shows them, a line each:
// "Send Delay: 50 msec", "Packet Time: 12", "Repeat Delay: 2 sec", "R 1: 1" ... "R 15: 0".
std::string SettingsInWords(const std::vector<ObjectEntry>& entries);

// What a script needs to know of a finished job.
struct JobSummary {
    std::string command;  // "read", "write", "verify", "settings"
    std::string port;
    const Session* session = nullptr;  // absent when the job never began
    Outcome outcome = Outcome::Done;
    std::string message;
    std::string file;            // the file written or read, if any
    bool includeValues = false;  // the values go into the JSON rather than a file
    const std::vector<ObjectEntry>* settings = nullptr;  // shown in words, if any
    double seconds = 0;
};

// One line of JSON, newline-terminated.
std::string JsonSummary(const JobSummary& summary);

// A JSON string literal of `text`, quotes included.
std::string JsonString(const std::string& text);

}  // namespace zelmar
