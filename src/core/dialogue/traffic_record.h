#pragma once
// Every line the terminal pane was given in this session, kept in a file of the system's
// temporary folder (TMPDIR) rather than in memory: the pane keeps only its last 16000
// characters, and a day's polling must not grow the program. Bounded, so that a line left
// polling for weeks cannot fill the disk either. When the record stops short (its limit
// reached, the temporary folder full or unusable) it says why, once: StopReason() for the
// screen, and a last line of what WriteTo() hands on.
//
// Standard C++ only: the same code serves a Windows build.
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace zelmar {

class TrafficRecord {
  public:
    static constexpr std::size_t kLimit = 64u << 20;  // about two months of polls at 1200 baud
    // What is appended waits in memory up to this much before it goes to the file, and a
    // saved record is handed on in pieces of this size.
    static constexpr std::size_t kPiece = 64u << 10;

    // In the system's temporary folder, as std::filesystem::temp_directory_path names it
    // (TMPDIR on POSIX systems, TMP on Windows).
    TrafficRecord();
    // In `folder`, stopping short at `limit` bytes.
    explicit TrafficRecord(const std::filesystem::path& folder, std::size_t limit = kLimit);
    ~TrafficRecord();
    TrafficRecord(const TrafficRecord&) = delete;
    TrafficRecord& operator=(const TrafficRecord&) = delete;

    void Append(std::string_view text);

    // Takes the next piece of the record; false once it takes no more.
    using Sink = std::function<bool(std::string_view piece)>;
    // Hands the whole record to `sink` in pieces of at most kPiece bytes, ending with a line
    // that says why it stops there when it stopped short; never holds more than one piece in
    // memory. Returns why the record could not be read back, or an empty string when it was
    // handed on whole or the sink refused a piece.
    std::string WriteTo(const Sink& sink);

    // Bytes recorded so far.
    std::size_t Size() const { return written_ + pending_.size(); }
    bool StoppedShort() const { return !stopReason_.empty(); }
    // Why the record stops where it does ("the temporary folder /tmp is full"); empty while
    // it goes on.
    const std::string& StopReason() const { return stopReason_; }
    // The file's folder, empty when none could be found.
    const std::filesystem::path& Folder() const { return folder_; }

  private:
    void Open();
    // Moves what waits in memory to the file; on a failed write keeps what reached the file up
    // to its last whole line and stops the record.
    void Flush();
    void StopShort(std::string reason);

    std::size_t limit_ = kLimit;
    std::filesystem::path folder_;
    std::filesystem::path path_;  // removed at once where the system allows, else at the end
    std::FILE* file_ = nullptr;
    std::string pending_;
    std::size_t written_ = 0;  // bytes of the record in the file
    char last_ = '\n';         // the record's last character
    std::string stopReason_;
};

}  // namespace zelmar
