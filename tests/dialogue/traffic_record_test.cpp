// The traffic record on a real disk: in the temporary folder the system's variable names (TMPDIR,
// on Windows TMP), handed on in pieces that together are the record, and saying once, at its
// end, why it stops short.
#include "dialogue/traffic_record.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace zelmar {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr const char* kTemporaryFolder = "TMP";
// An empty value removes the variable on Windows.
void SetTemporaryFolder(const std::string& value) {
    ::_putenv_s(kTemporaryFolder, value.c_str());
}
#else
constexpr const char* kTemporaryFolder = "TMPDIR";
void SetTemporaryFolder(const std::string& value) {
    if (value.empty())
        ::unsetenv(kTemporaryFolder);
    else
        ::setenv(kTemporaryFolder, value.c_str(), 1);
}
#endif

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// Everything the record hands on, and the largest piece it handed.
struct Saved {
    std::string text;
    std::size_t largestPiece = 0;
    int pieces = 0;
};

Saved Save(TrafficRecord& record) {
    Saved saved;
    EXPECT_EQ(record.WriteTo([&](std::string_view piece) {
        saved.text += piece;
        saved.largestPiece = std::max(saved.largestPiece, piece.size());
        ++saved.pieces;
        return true;
    }),
              "");
    return saved;
}

class TrafficRecordTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder_.path().empty());
        if (const char* folder = std::getenv(kTemporaryFolder)) oldFolder_ = folder;
    }
    void TearDown() override { SetTemporaryFolder(oldFolder_); }

    testing::TempFolder folder_{"zelmar-traffic-test"};
    const fs::path& dir_ = folder_.path();
    std::string oldFolder_;
};

TEST_F(TrafficRecordTest, LivesInTheTemporaryFolderAndLeavesNothingThere) {
    SetTemporaryFolder(dir_.string());
    {
        TrafficRecord record;
        EXPECT_EQ(record.Folder(), dir_);
        record.Append("172\r\n");
        EXPECT_EQ(Save(record).text, "172\r\n");
#ifdef __linux__
        // Open in that folder, though gone from its listing already.
        bool found = false;
        for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
            std::error_code error;
            const std::string target = fs::read_symlink(fd.path(), error).string();
            found = found || target.rfind((dir_ / "zelmar-traffic-").string(), 0) == 0;
        }
        EXPECT_TRUE(found) << "no descriptor of the record in " << dir_;
#endif
#ifdef _WIN32
        // Listed while open; the system removes it when it closes, crash or not.
        EXPECT_FALSE(fs::is_empty(dir_));
#else
        EXPECT_TRUE(fs::is_empty(dir_)) << "nothing is left behind after a crash";
#endif
    }
    EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(TrafficRecordTest, AMissingTemporaryFolderStopsTheRecordAtOnceAndSaysWhere) {
    const fs::path missing = dir_ / "missing";
    SetTemporaryFolder(missing.string());
    TrafficRecord record;
    ASSERT_TRUE(record.StoppedShort());
    EXPECT_NE(record.StopReason().find(kTemporaryFolder + ("=" + missing.string())),
              std::string::npos)
        << record.StopReason();
    record.Append("172\r\n");
    EXPECT_EQ(Save(record).text, "(the record stops here: " + record.StopReason() + ")\r\n");
}

TEST_F(TrafficRecordTest, StopsAtItsLimitAndSaysSoOnceAtTheEnd) {
    TrafficRecord record(dir_, 1000);
    std::string appended;
    for (int i = 0; i < 400; ++i) {
        const std::string entry = std::to_string(i) + " - " + std::to_string(i + 8000) + "\r\n";
        record.Append(entry);
        if (!record.StoppedShort()) appended += entry;
    }
    ASSERT_TRUE(record.StoppedShort());
    EXPECT_EQ(record.StopReason(), "it reached its limit of 1000 bytes");
    EXPECT_EQ(record.Size(), appended.size());
    const Saved first = Save(record);
    EXPECT_EQ(first.text,
              appended + "(the record stops here: it reached its limit of 1000 bytes)\r\n");
    EXPECT_EQ(Count(first.text, "the record stops here"), 1u);
    EXPECT_EQ(Save(record).text, first.text) << "a second save is the same";
}

TEST_F(TrafficRecordTest, IsHandedOnInPiecesThatTogetherAreTheRecord) {
    TrafficRecord record(dir_);
    std::string appended;
    for (int i = 0; appended.size() < 3 * TrafficRecord::kPiece + 123; ++i) {
        const std::string entry = std::to_string(i % 256) + (i % 7 ? "\r\n" : " - 8177\r\n");
        record.Append(entry);
        appended += entry;
        if (i == 5000) {
            EXPECT_EQ(Save(record).text, appended) << "saved midway";
        }
    }
    const Saved saved = Save(record);
    EXPECT_FALSE(record.StoppedShort());
    EXPECT_EQ(saved.text, appended);
    EXPECT_LE(saved.largestPiece, TrafficRecord::kPiece);
    EXPECT_GE(saved.pieces, 4);
    // A sink that refuses stops the handing on; the record goes on.
    int offered = 0;
    EXPECT_EQ(record.WriteTo([&](std::string_view) {
        ++offered;
        return false;
    }),
              "");
    EXPECT_EQ(offered, 1);
    record.Append("1\r\n");
    EXPECT_EQ(Save(record).text, appended + "1\r\n");
}

}  // namespace
}  // namespace zelmar
