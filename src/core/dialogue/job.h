#pragma once
// A job as data: which way, which objects in which order, and who asked for it. Whoever starts
// a job builds it whole; the engine walks exactly its objects, ends after the last, and reports
// how it ended in the same terms to the status bar, the boxes and the command line.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dialogue/object_table.h"
#include "numbers/numbers.h"

namespace zelmar {

enum class Direction : std::uint8_t { Read, Write };

// Who asked: the settings panel's buttons move "settings", everything else "objects".
enum class JobOrigin : std::uint8_t { SettingsPanel, Frame, ObjectsDialog, CommandLine };

// The engine counts its place in a job in 16 bits.
inline constexpr std::size_t kMaxJobObjects = 32767;

struct Job {
    Job() = default;
    Job(Direction way, std::vector<Number> walked, JobOrigin from = JobOrigin::Frame,
        std::optional<Number> end = std::nullopt)
        : direction(way), objects(std::move(walked)), origin(from), namedEnd(end) {}

    Direction direction = Direction::Read;
    // In the order they are walked; a write job writes each and reads it back.
    std::vector<Number> objects;
    JobOrigin origin = JobOrigin::Frame;
    // The end the client area's start named, which the shared state shows as EndObject even
    // where the walk ends elsewhere (a start beyond its end); the last object when not given.
    std::optional<Number> namedEnd;

    bool write() const { return direction == Direction::Write; }
};

// Objects first..last, ascending; none when first is above last.
std::vector<Number> ObjectsFromTo(int first, int last);
std::vector<Number> ObjectsOf(const std::vector<int>& objects);

// An object that does not hold what it should: read back after a write, or against a file.
struct Mismatch {
    int object;
    std::uint8_t expected;
    std::uint8_t found;
    friend bool operator==(const Mismatch&, const Mismatch&) = default;
};

// How the last job went, or goes.
struct JobReport {
    enum class Outcome : std::uint8_t { None, Running, Finished, Stopped, Failed };
    Outcome outcome = Outcome::None;
    Direction direction = Direction::Read;
    JobOrigin origin = JobOrigin::Frame;
    int total = 0;  // objects of the job
    int done = 0;   // objects finished, never more than total
    // Each object finished with what the device gave for it (read, or read back), in order.
    std::vector<ObjectEntry> values;
    std::vector<Mismatch> unverified;  // written objects that read back something else
    Number stoppedAt;                  // Failed: the object it stopped at
    std::string reason;                // Failed: why, without a closing full stop

    bool write() const { return direction == Direction::Write; }
};

// The job's line in the status bar: "Reading settings: 5 of 17" while it runs, then
// "Settings read: 17 of 17", "Read stopped: 10 of 17 done", "Read interrupted: 3 of 17 done
// (reason)"; empty before the first job.
std::string JobStatusText(const JobReport& report);

// "3 of 17 objects were read" / "... were written and read back".
std::string JobDoneText(const JobReport& report);

// The sentence for a job that did not end as asked, in a box or on the command line; empty for
// one that did. `port` names the line: "COM 1", "/dev/ttyUSB0".
std::string JobOutcomeText(const JobReport& report, std::string_view port);

// "Object 5 reads back 7 where it was written 9, and 2 more objects differ." `verb` tells what
// the expected value is: "reads back ... where it was written", or "holds ... where the file
// has".
std::string MismatchText(const std::vector<Mismatch>& mismatches, bool readBack);

// "Object 7", "Objects 300 to 305", "Objects 1, 3 to 5 and 9": ascending objects in words.
std::string ObjectsInWords(const std::vector<int>& objects);

}  // namespace zelmar
