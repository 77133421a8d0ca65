#include "dialogue/job.h"

#include <cctype>

namespace zelmar {

namespace {

std::string OfTotal(const JobReport& report) {
    return std::to_string(report.done) + " of " + std::to_string(report.total);
}

}  // namespace

std::vector<Number> ObjectsFromTo(int first, int last) {
    std::vector<Number> objects;
    if (first > last) return objects;
    objects.reserve(static_cast<std::size_t>(last - first + 1));
    for (int object = first; object <= last; ++object)
        objects.push_back(Number::Double(static_cast<double>(object)));
    return objects;
}

std::vector<Number> ObjectsOf(const std::vector<int>& objects) {
    std::vector<Number> numbers;
    numbers.reserve(objects.size());
    for (int object : objects) numbers.push_back(Number::Double(static_cast<double>(object)));
    return numbers;
}

std::string JobStatusText(const JobReport& report) {
    const bool settings = report.origin == JobOrigin::SettingsPanel;
    const std::string Kind = report.write() ? "Write" : "Read";
    switch (report.outcome) {
        case JobReport::Outcome::None:
            return {};
        case JobReport::Outcome::Running:
            return std::string(report.write() ? "Writing " : "Reading ") +
                   (settings ? "settings: " : "objects: ") + OfTotal(report);
        case JobReport::Outcome::Stopped:
            return Kind + " stopped: " + OfTotal(report) + " done";
        case JobReport::Outcome::Failed:
            return Kind + " interrupted: " + OfTotal(report) + " done (" + report.reason + ")";
        case JobReport::Outcome::Finished:
            break;
    }
    const std::string what = settings ? "Settings" : "Objects";
    if (!report.write()) return what + " read: " + OfTotal(report);
    if (report.unverified.empty()) return what + " written and verified: " + OfTotal(report);
    std::string objects;
    for (std::size_t i = 0; i < report.unverified.size() && i < 5; ++i)
        objects += (i ? ", " : "") + std::to_string(report.unverified[i].object);
    if (report.unverified.size() > 5) objects += ", ...";
    return what + " written: " + OfTotal(report) + "; " + std::to_string(report.unverified.size()) +
           " did not read back what was written (" + objects + ")";
}

std::string JobDoneText(const JobReport& report) {
    return OfTotal(report) + (report.total == 1 ? " object was " : " objects were ") +
           (report.write() ? "written and read back" : "read");
}

std::string JobOutcomeText(const JobReport& report, std::string_view port) {
    switch (report.outcome) {
        case JobReport::Outcome::Failed: {
            const std::string stopped =
                std::string(report.write() ? "The write on " : "The read on ") + std::string(port) +
                " stopped at object " + NumberText(report.stoppedAt.value());
            // A reason that is a sentence of its own (the port's loss) stands as one.
            if (!report.reason.empty() &&
                std::isupper(static_cast<unsigned char>(report.reason[0])))
                return stopped + ". " + report.reason +
                       (report.reason.ends_with('.') ? " " : ". ") + JobDoneText(report) + ".";
            return stopped + ": " + report.reason + "; " + JobDoneText(report) + ".";
        }
        case JobReport::Outcome::Stopped:
            return "Stopped on request; " + JobDoneText(report) + ".";
        case JobReport::Outcome::Finished:
            return MismatchText(report.unverified, true);
        case JobReport::Outcome::None:
        case JobReport::Outcome::Running:
            return {};
    }
    return {};
}

std::string MismatchText(const std::vector<Mismatch>& mismatches, bool readBack) {
    if (mismatches.empty()) return {};
    const Mismatch& first = mismatches.front();
    std::string text = "Object " + std::to_string(first.object) +
                       (readBack ? " reads back " : " holds ") + std::to_string(first.found) +
                       (readBack ? " where it was written " : " where the file has ") +
                       std::to_string(first.expected);
    if (mismatches.size() > 1)
        text += ", and " + std::to_string(mismatches.size() - 1) + " more objects differ";
    return text + ".";
}

std::string ObjectsInWords(const std::vector<int>& objects) {
    constexpr std::size_t kRunsNamed = 5;
    std::vector<std::string> runs;
    std::size_t more = 0;
    for (std::size_t i = 0; i < objects.size();) {
        std::size_t j = i;
        while (j + 1 < objects.size() && objects[j + 1] == objects[j] + 1) ++j;
        // Two in a row read better as two than as a run.
        std::vector<std::string> named;
        if (j == i + 1) {
            named = {std::to_string(objects[i]), std::to_string(objects[j])};
        } else {
            named = {std::to_string(objects[i]) +
                     (j > i ? " to " + std::to_string(objects[j]) : std::string())};
        }
        for (std::string& run : named) {
            if (runs.size() < kRunsNamed) {
                runs.push_back(std::move(run));
            } else {
                ++more;
            }
        }
        i = j + 1;
    }
    if (runs.empty()) return {};
    std::string text = objects.size() == 1 ? "Object " : "Objects ";
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (i > 0) text += (i + 1 == runs.size() && more == 0) ? " and " : ", ";
        text += runs[i];
    }
    if (more > 0) text += " and " + std::to_string(more) + " more";
    return text;
}

}  // namespace zelmar
