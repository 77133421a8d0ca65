#include "options.h"

#include <charconv>
#include <cstdint>

namespace zelmar::sim {

namespace {

// 64 bits wide everywhere: a seed reaches 2^32 - 1, past a Windows long.
using Whole = std::int64_t;

std::optional<Whole> WholeNumber(std::string_view text, Whole low, Whole high) {
    Whole value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

}  // namespace

ParsedOptions ParseOptions(std::span<const std::string_view> args) {
    ParsedOptions parsed;
    Options& options = parsed.options;
    std::optional<Whole> answerWait;
    std::optional<Whole> pace;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view flag = args[i];
        auto fail = [&](std::string message) {
            parsed.error = std::move(message);
            return parsed;
        };
        // Flags that take a value: the next argument, which must exist.
        auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= args.size()) return std::nullopt;
            return args[++i];
        };
        auto number = [&](Whole low, Whole high) -> std::optional<Whole> {
            std::optional<std::string_view> text = value();
            return text ? WholeNumber(*text, low, high) : std::nullopt;
        };
        auto range = [&](Whole low, Whole high) {
            return std::string(flag) + " needs a whole number " + std::to_string(low) + ".." +
                   std::to_string(high);
        };

        if (flag == "--help" || flag == "-h") {
            options.help = true;
        } else if (flag == "--fast") {
            options.fast = true;
        } else if (flag == "--data-poll-values") {
            options.placePollValues = true;
        } else if (flag == "--exit-on-close") {
            options.exitOnClose = true;
        } else if (flag == "--link" || flag == "--table" || flag == "--save" || flag == "--log") {
            std::optional<std::string_view> path = value();
            if (!path || path->empty()) return fail(std::string(flag) + " needs a file name");
            std::optional<std::string>& target = flag == "--link"    ? options.link
                                                 : flag == "--table" ? options.table
                                                 : flag == "--save"  ? options.save
                                                                     : options.log;
            target = std::string(*path);
        } else if (flag == "--answer-wait") {
            answerWait = number(1, 10000);
            if (!answerWait) return fail(range(1, 10000));
        } else if (flag == "--pace") {
            pace = number(1, 1000000);
            if (!pace) return fail(range(1, 1000000));
        } else if (flag == "--answer-window") {
            options.answerWindowUs = number(1, 10000000);
            if (!options.answerWindowUs) return fail(range(1, 10000000));
        } else if (flag == "--first-byte") {
            std::optional<Whole> byte = number(0, 255);
            if (!byte) return fail(range(0, 255));
            options.faults.firstByte = static_cast<std::uint8_t>(*byte);
        } else if (flag == "--first-byte-links") {
            std::optional<Whole> links = number(1, 1000000);
            if (!links) return fail(range(1, 1000000));
            options.faults.firstByteLinks = static_cast<int>(*links);
        } else if (flag == "--noise") {
            std::optional<Whole> noise = number(0, 1000);
            if (!noise) return fail(range(0, 1000));
            options.faults.noise = static_cast<int>(*noise);
        } else if (flag == "--drop-answers") {
            std::optional<Whole> every = number(2, 1000000);
            if (!every) return fail(range(2, 1000000));
            options.faults.dropEvery = static_cast<int>(*every);
        } else if (flag == "--miswrite") {
            std::optional<Whole> object = number(0, 8191);
            if (!object) return fail(range(0, 8191));
            options.faults.miswriteObject = static_cast<int>(*object);
        } else if (flag == "--seed") {
            std::optional<Whole> seed = number(0, 4294967295LL);
            if (!seed) return fail(range(0, 4294967295LL));
            options.faults.seed = static_cast<std::uint32_t>(*seed);
        } else if (flag == "--hangup-after") {
            std::optional<Whole> count = number(1, 1000000000LL);
            if (!count) return fail(range(1, 1000000000LL));
            options.hangupAfter = *count;
        } else {
            return fail("unknown option " + std::string(flag));
        }
    }
    if (pace && options.fast) {
        parsed.error = "--pace and --fast exclude each other";
        return parsed;
    }
    if (answerWait && options.answerWindowUs) {
        parsed.error = "--answer-wait and --answer-window exclude each other";
        return parsed;
    }
    if (pace) {
        options.pace = *pace;
        // A device's timer allows one byte time at its own pace unless told otherwise.
        if (!options.answerWindowUs) options.answerWindowUs = (999999 + *pace) / *pace;
    }
    options.answerWaitMs = answerWait ? static_cast<int>(*answerWait)
                                      : (options.fast ? kFastAnswerWaitMs : kRealAnswerWaitMs);
    return parsed;
}

std::string Usage(std::string_view program) {
    std::string text = "Usage: " + std::string(program) + " [options]\n";
    text += R"(
Plays a Zelmar device on a pseudo-terminal. The first line on standard output is
the path of the terminal a programmer opens. The device polls with 172 and 202
and answers read (0x55) and write (0xAA) exchanges from its table of 8192 bytes.
It sends only while a programmer has the terminal open, and starts each link
afresh when it notices a new opening: it sees the terminal closed (it looks
about every 20 ms while nobody holds it, and at every byte while somebody
does; the system's reports of the terminal's openings and closings show a
close and reopen quicker than that too) and then open again; it sends its
first byte 10 ms after it noticed the opening, which has emptied the line's
buffers by then. Bytes the programmer left unread when it closed are
discarded, so a new opening starts with the device's next byte.

Options:
  --link PATH          also make a symbolic link PATH to the terminal; removed on exit
  --table FILE         start from this table: "object value" lines, decimal,
                       '#' comments and blank lines allowed, unlisted objects 0
                       (default: a built-in table, ordinary object N = N mod 128,
                       object 0 = 74, 8176 = 3, repeaters R1..R7 = 1 5 2 7 4 6 3)
  --save FILE          write the table to FILE on exit, in the --table format
  --data-poll-values   put 172 and 202 into objects 172, 202, 8190 and 8191
  --fast               no line timing: send as fast as answers come
  --pace BPS           send BPS bytes per second instead of the line's 120
                       (1200 baud); turns the answer window on, one byte time
                       at that pace unless --answer-window says otherwise
  --answer-window US   wait at most US microseconds after a poll has left the
                       line for its answer, as the device's timer does. Silence
                       where an exchange is owed an answer counts as missed; an
                       answer arriving after its window closed counts as late
                       and is thrown away before the next byte goes out, so it
                       never passes for the answer to the next poll. The counts
                       go to the log and, at exit, to standard error
  --answer-wait MS     how long to wait for an answer to a poll
                       (default 30, with --fast 20)
  --log FILE           log the traffic, one byte a line: "> N" sent, "< N"
                       received, N decimal; lines starting with '#' mark the
                       programmer opening or closing the terminal
  --exit-on-close      exit when the programmer closes the terminal

Faults:
  --first-byte N       send N instead of the first 172 of a link: after start
                       and after every reopening the device notices
  --first-byte-links K only for the first K links (default: all)
  --noise N            send N random bytes, never 172 or 202, after every idle
                       poll left unanswered
  --seed S             seed of the noise (default 1)
  --drop-answers N     lose every N-th answer of the programmer on the way, as
                       a bad line would: the device sees silence there
  --miswrite OBJECT    store a different value (lowest bit flipped) whenever
                       OBJECT is written, so that its read-back fails
  --hangup-after K     vanish after the K-th data byte of a read: close the
                       terminal and exit

  --help               this text

The device exits cleanly on SIGINT, SIGTERM and SIGHUP, saving the table if
--save is given. Exit status: 0 after a clean exit, 2 for a bad command line or
table file, 1 for other failures.
)";
    return text;
}

}  // namespace zelmar::sim
