#pragma once
// What the command-line programmer prints of a job: its progress, the settings in the panel's
// words, and one JSON object for scripts.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/object_file.h"
#include "session/session.h"

namespace zelmar {

// "writing 120/8191, 9.8 objects/s, 13 min left"; rate and time once an object is done.
std::string ProgressLine(Task task, int done, int total, std::int64_t elapsedMs);

// The settings entries among `entries` as the settings panel shows them, a line each:
// "Send Delay: 50 msec", "Packet Time: 12", "Repeat Delay: 2 sec", "R 1: 1" ... "R 15: 0".
std::string SettingsInWords(const std::vector<ObjectEntry>& entries);

// A serial port as `zelmar-cli ports` lists it.
struct PortListing {
    std::string path;  // the system's: "/dev/ttyUSB0"
    std::string byId;  // the stable /dev/serial/by-id/ name, or empty
    std::string description;
};

// What a job on the device did.
struct JobCounts {
    int objects = 0;  // asked for, those a resumed read carried over included
    int done = 0;     // done, those carried over included
    int resumed = 0;  // carried over from the partial file of an interrupted read
    double seconds = 0;
    std::vector<Mismatch> mismatches;
    std::optional<std::vector<ObjectEntry>> values;  // a read's values, when they go into JSON
};

// What a script needs to know of one run: the one JSON object of --json. Every part but the
// first four is optional and left out when absent.
struct JobSummary {
    std::string command;          // "read", "write", "verify", "settings", "ports", or as given
    std::string port;             // the device's path, or the --port text as given if not resolved
    int status = 0;               // the exit status
    std::string message;          // the sentence on standard error, empty when all went as asked
    std::string file;             // the object file read, or (read -o) the file written or meant
    std::optional<bool> written;  // read -o: whether `file` was written
    std::string signal;           // "SIGINT", ...: the signal that stopped the job
    std::optional<JobCounts> job;
    std::optional<std::vector<ObjectEntry>> settings;  // shown in words
    std::optional<std::vector<PortListing>> ports;
};

// One line of JSON, newline-terminated.
std::string JsonSummary(const JobSummary& summary);

// A JSON string literal of `text`, quotes included.
std::string JsonString(const std::string& text);

}  // namespace zelmar
