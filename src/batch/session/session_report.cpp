#include "session/session_report.h"

#include <cmath>
#include <cstdio>

#include "dialogue/settings_codec.h"

namespace zelmar {
namespace {

std::string Fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string TimeLeft(double seconds) {
    if (seconds < 60) return std::to_string(static_cast<int>(std::ceil(seconds))) + " s left";
    const auto minutes = static_cast<int>(std::ceil(seconds / 60));
    if (minutes < 60) return std::to_string(minutes) + " min left";
    return std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min left";
}

struct Settings {
    std::string sendDelay, packetTime, repeatDelay;
    std::array<std::string, kRepeaterCount> repeaters;
};

Settings SettingsOf(const std::vector<ObjectEntry>& entries) {
    ObjectTable table;
    for (const ObjectEntry& entry : entries) table.Set(entry.object, entry.value);
    const SettingsView view = DecodeSettingsEntries(table);
    Settings settings;
    settings.sendDelay = kSendDelayChoices[static_cast<std::size_t>(view.sendDelayIndex)];
    settings.packetTime = view.packetTime;
    // The panel's list has no choice above 7; the entry is shown as it stands.
    settings.repeatDelay =
        view.repeatDelayIndex < kDelayChoices
            ? std::string(kRepeatDelayChoices[static_cast<std::size_t>(view.repeatDelayIndex)])
            : "entry " + std::to_string(view.repeatDelayIndex) + ", which names no choice";
    settings.repeaters = view.repeaters;
    return settings;
}

}  // namespace

std::string ProgressLine(Task task, int done, int total, std::int64_t elapsedMs) {
    const char* verb = task == Task::Write    ? "writing"
                       : task == Task::Verify ? "verifying"
                                              : "reading";
    std::string line = std::string(verb) + " " + std::to_string(done) + "/" + std::to_string(total);
    if (done <= 0 || elapsedMs <= 0) return line;
    const double rate = done * 1000.0 / static_cast<double>(elapsedMs);
    line += ", " + Fixed(rate, 1) + " objects/s";
    if (done < total) line += ", " + TimeLeft((total - done) / rate);
    return line;
}

std::string SettingsInWords(const std::vector<ObjectEntry>& entries) {
    const Settings settings = SettingsOf(entries);
    std::string text = "Send Delay: " + settings.sendDelay +
                       "\nPacket Time: " + settings.packetTime +
                       "\nRepeat Delay: " + settings.repeatDelay + "\n";
    for (int n = 1; n <= kRepeaterCount; ++n)
        text += "R " + std::to_string(n) + ": " + settings.repeaters[n - 1] + "\n";
    return text;
}

std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

std::string JsonSummary(const JobSummary& summary) {
    std::string json = "{\"command\":" + JsonString(summary.command) +
                       ",\"port\":" + JsonString(summary.port) +
                       ",\"status\":" + std::to_string(summary.status) +
                       ",\"message\":" + JsonString(summary.message);
    if (!summary.file.empty()) json += ",\"file\":" + JsonString(summary.file);
    if (summary.written)
        json += std::string(",\"written\":") + (*summary.written ? "true" : "false");
    if (!summary.signal.empty()) json += ",\"signal\":" + JsonString(summary.signal);
    if (const std::optional<JobCounts>& job = summary.job) {
        json += ",\"objects\":" + std::to_string(job->objects) +
                ",\"done\":" + std::to_string(job->done);
        if (job->resumed > 0) json += ",\"resumed\":" + std::to_string(job->resumed);
        json += ",\"seconds\":" + Fixed(job->seconds, 3) + ",\"mismatches\":[";
        const char* separator = "";
        for (const Mismatch& m : job->mismatches) {
            json += separator;
            json += "{\"object\":" + std::to_string(m.object) +
                    ",\"expected\":" + std::to_string(m.expected) +
                    ",\"found\":" + std::to_string(m.found) + "}";
            separator = ",";
        }
        json += "]";
        if (job->values) {
            json += ",\"values\":{";
            separator = "";
            for (const ObjectEntry& entry : *job->values) {
                json += separator;
                json += "\"" + std::to_string(entry.object) + "\":" + std::to_string(entry.value);
                separator = ",";
            }
            json += "}";
        }
    }
    if (summary.settings) {
        const Settings settings = SettingsOf(*summary.settings);
        json += ",\"settings\":{\"send_delay\":" + JsonString(settings.sendDelay) +
                ",\"packet_time\":" + settings.packetTime +
                ",\"repeat_delay\":" + JsonString(settings.repeatDelay) + ",\"repeaters\":[";
        for (int n = 1; n <= kRepeaterCount; ++n)
            json += (n > 1 ? "," : "") + settings.repeaters[n - 1];
        json += "]}";
    }
    if (summary.ports) {
        json += ",\"ports\":[";
        const char* separator = "";
        for (const PortListing& port : *summary.ports) {
            json += separator;
            json += "{\"path\":" + JsonString(port.path) + ",\"by_id\":" + JsonString(port.byId) +
                    ",\"description\":" + JsonString(port.description) + "}";
            separator = ",";
        }
        json += "]";
    }
    return json + "}\n";
}

}  // namespace zelmar
