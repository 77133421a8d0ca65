#include "dialogue/traffic_record.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#endif

namespace zelmar {

namespace {

namespace fs = std::filesystem;

std::string Cause(int error) {
    return std::generic_category().message(error);
}

// The variable that names the temporary folder, as temp_directory_path reads it, for a message.
std::string NamedTemporaryFolder() {
#ifdef _WIN32
    const char* name = "TMP";
#else
    const char* name = "TMPDIR";
#endif
    const char* value = std::getenv(name);
    return value && *value ? std::string(" (") + name + "=" + value + ")" : std::string();
}

// "64 MB", "512 kB", "300 bytes".
std::string Amount(std::size_t bytes) {
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MB";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " kB";
    return std::to_string(bytes) + " bytes";
}

std::uint64_t Seed(const void* self) {
    std::uint64_t seed =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    seed ^= static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(self));
    try {
        std::random_device entropy;
        seed ^= static_cast<std::uint64_t>(entropy()) << 32 | entropy();
    } catch (const std::exception&) {
        // No entropy source here: the clock and the address differ enough between openings.
    }
    return seed;
}

// A new file, made here and now: never an existing one, nor a link planted in its place.
std::FILE* CreateNew(const fs::path& path) {
#ifdef _WIN32
    // Windows keeps an open file in its folder; marked temporary, it goes when the last
    // handle closes, also when the program crashes. The C runtime's own calls, older than
    // fopen's "x".
    int descriptor = -1;
    errno = ::_wsopen_s(&descriptor, path.c_str(),
                        _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY | _O_TEMPORARY, _SH_DENYNO,
                        _S_IREAD | _S_IWRITE);
    if (errno != 0) return nullptr;
    std::FILE* file = ::_fdopen(descriptor, "w+b");
    if (!file) ::_close(descriptor);
    return file;
#else
    return std::fopen(path.c_str(), "w+bx");
#endif
}

}  // namespace

TrafficRecord::TrafficRecord() {
    std::error_code error;
    fs::path folder = fs::temp_directory_path(error);
    if (error) {
        StopShort("no temporary folder could be used" + NamedTemporaryFolder() + ": " +
                  error.message());
        return;
    }
    // Windows names it with a separator at its end ("C:\Users\x\Temp\"); the messages name
    // the folder itself.
    if (!folder.has_filename() && folder.has_relative_path()) folder = folder.parent_path();
    folder_ = folder;
    Open();
}

TrafficRecord::TrafficRecord(const fs::path& folder, std::size_t limit)
    : limit_(limit), folder_(folder) {
    Open();
}

TrafficRecord::~TrafficRecord() {
    if (file_) std::fclose(file_);
    std::error_code ignored;
    if (!path_.empty()) fs::remove(path_, ignored);
}

void TrafficRecord::Open() {
    std::mt19937_64 random(Seed(this));
    const std::string folder = folder_.string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[48];
        std::snprintf(name, sizeof name, "zelmar-traffic-%016llx.log",
                      static_cast<unsigned long long>(random()));
        const fs::path path = folder_ / name;
        errno = 0;
        file_ = CreateNew(path);
        if (!file_ && errno == EEXIST) continue;
        if (!file_) {
            StopShort("no file could be made in the temporary folder " + folder + ": " +
                      Cause(errno));
            return;
        }
        // Unbuffered: what waits lies in pending_, so a failed write shows which bytes got in.
        std::setvbuf(file_, nullptr, _IONBF, 0);
        pending_.reserve(kPiece);
        // Gone from the folder at once where the system allows it (the open file lives on), so
        // that nothing is left behind after a crash; on Windows the system removes it when it
        // closes, and the record itself at its end.
        std::error_code kept;
        if (!fs::remove(path, kept) || kept) path_ = path;
        return;
    }
    StopShort("no file could be made in the temporary folder " + folder +
              ": every name tried was taken");
}

void TrafficRecord::Append(std::string_view text) {
    if (StoppedShort()) return;
    if (Size() + text.size() > limit_) {
        Flush();
        if (!StoppedShort()) StopShort("it reached its limit of " + Amount(limit_));
        return;
    }
    pending_.append(text);
    if (pending_.size() >= kPiece) Flush();
}

void TrafficRecord::Flush() {
    if (pending_.empty() || !file_) return;
    errno = 0;
    const std::size_t put = std::fwrite(pending_.data(), 1, pending_.size(), file_);
    if (put == pending_.size()) {
        written_ += put;
        last_ = pending_.back();
        pending_.clear();
        return;
    }
    const int cause = errno;
    // Keep what reached the file up to its last whole line: half a line could pass for a value.
    const std::size_t lineEnd = put == 0 ? std::string::npos : pending_.rfind('\n', put - 1);
    if (lineEnd != std::string::npos) {
        written_ += lineEnd + 1;
        last_ = '\n';
    }
    pending_.clear();
    pending_.shrink_to_fit();
    const std::string folder = folder_.string();
    bool full = cause == ENOSPC;
#ifdef EDQUOT
    full = full || cause == EDQUOT;
#endif
    StopShort(full ? "the temporary folder " + folder + " is full"
                   : "the temporary folder " + folder + " takes no more (" + Cause(cause) + ")");
}

void TrafficRecord::StopShort(std::string reason) {
    stopReason_ = std::move(reason);
}

std::string TrafficRecord::WriteTo(const Sink& sink) {
    Flush();
    if (file_ && written_ > 0) {
        std::clearerr(file_);
        if (std::fseek(file_, 0, SEEK_SET) != 0)
            return "the traffic record could not be read back: " + Cause(errno);
        std::string piece(std::min(kPiece, written_), '\0');
        std::string failure;
        bool refused = false;
        for (std::size_t left = written_; left > 0 && failure.empty() && !refused;) {
            const std::size_t want = std::min(piece.size(), left);
            errno = 0;
            const std::size_t got = std::fread(piece.data(), 1, want, file_);
            if (got != want) {
                failure = "the traffic record could not be read back: " +
                          (errno != 0 ? Cause(errno) : std::string("it is shorter than written"));
                break;
            }
            left -= got;
            refused = !sink(std::string_view(piece.data(), got));
        }
        // Further appends go on from the record's end.
        std::fseek(file_, static_cast<long>(written_), SEEK_SET);
        if (!failure.empty()) return failure;
        if (refused) return {};
    }
    if (StoppedShort()) {
        const std::string note = std::string(last_ == '\n' ? "" : "\r\n") +
                                 "(the record stops here: " + stopReason_ + ")\r\n";
        sink(note);
    }
    return {};
}

}  // namespace zelmar
