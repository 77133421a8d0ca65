// Saves onto a full disk: a small tmpfs, filled to the last block, mounted in a mount namespace
// of the test's own so that nothing of it is seen outside. Every save either leaves the new
// file whole or the old one untouched, and says which, naming the file and the cause; the
// traffic record in a full temporary folder stops short and says so once, at the end of what
// it saves. Needs root (as CI has) for the namespace and the mount; skipped, with the reason,
// where they are refused.
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "adapters/text_file.h"
#include "dialogue/traffic_record.h"
#include "support/process.h"
#include "support/read_file.h"
#include "support/simulator_process.h"
#include "support/temp_folder.h"

namespace zelmar {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::Process;
using testing::ProcessOptions;
using testing::ReadFile;

constexpr const char* kOld = "zelmar-objects 1\n0,1\n";  // what the old file holds

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class FullDiskTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "a mount namespace and a mount need root";
        // Each test runs in a process of its own, still single-threaded here.
        if (::unshare(CLONE_NEWNS) != 0)
            GTEST_SKIP() << "no private mount namespace here: " << std::strerror(errno);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            GTEST_SKIP() << "mounts cannot be made private here: " << std::strerror(errno);
        work_.emplace("zelmar-full");
        ASSERT_FALSE(work_->path().empty());
        full_ = *work_ / "full";
        fs::create_directory(full_);
        if (::mount("tmpfs", full_.c_str(), "tmpfs", 0, "size=256k") != 0)
            GTEST_SKIP() << "no tmpfs can be mounted here: " << std::strerror(errno);
        mounted_ = true;
        std::ofstream(full_ / "old.zset") << kOld;
        // Fill it to the last block.
        std::ofstream filler(full_ / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 1024 && filler.write(block.data(), block.size()); ++i) filler.flush();
        filler.close();
        std::ofstream probe(full_ / "probe", std::ios::binary);
        probe << std::string(4096, 'y') << std::flush;
        ASSERT_FALSE(probe.good()) << "the tmpfs is not full";
    }
    void TearDown() override {
        simulator_.reset();
        if (mounted_) ::umount2(full_.c_str(), MNT_DETACH);
        work_.reset();
    }

    QString Full(const char* name) const { return QString::fromStdString((full_ / name).string()); }

    // The files in the full folder: nothing but what was there before may be left.
    static std::vector<std::string> Names(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    void ExpectOldFileUntouched() {
        EXPECT_EQ(ReadFile(full_ / "old.zset"), kOld);
        EXPECT_EQ(Names(full_), (std::vector<std::string>{"filler", "old.zset", "probe"}))
            << "a half-written file was left beside it";
    }

    std::optional<testing::TempFolder> work_;  // made in the test's own mount namespace
    fs::path full_;
    bool mounted_ = false;
    std::optional<testing::SimulatorProcess> simulator_;
};

// The one save function of the window (settings, image and traffic log) and of zelmar-cli.
TEST_F(FullDiskTest, TheWindowsSaveLeavesTheOldFileAndSaysWhy) {
    const QString old = Full("old.zset");
    const std::string image = "zelmar-objects 1\n0,74\n8176,3\n";  // small: buffered until the end
    QString error;
    EXPECT_FALSE(SaveTextFile(old, image, &error));
    EXPECT_EQ(error, QDir::toNativeSeparators(old) +
                         " was not saved: No space left on device. The file is as it was before.");
    ExpectOldFileUntouched();

    // A log saved in pieces, and a new file: none is made.
    const TextSource pieces = [](const TextSink& sink) {
        for (int i = 0; i < 100 && sink("172\r\n"); ++i) {
        }
        return std::string();
    };
    EXPECT_FALSE(SaveTextFile(Full("traffic.txt"), pieces, &error));
    EXPECT_TRUE(
        error.contains("traffic.txt was not saved: No space left on device. No file was "
                       "made."))
        << error.toStdString();
    ExpectOldFileUntouched();
}

TEST_F(FullDiskTest, ZelmarCliReadLeavesTheOldFileSaysWhyAndEndsWithStatus2) {
    const std::string line = (*work_ / "line").string();
    simulator_.emplace(std::vector<std::string>{ZELMAR_SIMULATOR, "--fast", "--link", line});
    ASSERT_NE(simulator_->Terminal(), "");
    Process cli({ZELMAR_CLI, "read", "-p", line, "-o", (full_ / "old.zset").string(), "-q"},
                ProcessOptions::Files(*work_ / "cli"));
    EXPECT_EQ(cli.Wait(60s), 2) << cli.Err();
    EXPECT_EQ(cli.Err(), "zelmar-cli: " + (full_ / "old.zset").string() +
                             " was not saved: No space left on device. The file is as it was "
                             "before.\n");
    ExpectOldFileUntouched();
}

TEST_F(FullDiskTest, TheTrafficRecordInAFullTemporaryFolderStopsShortAndSaysSoOnce) {
    // Room for two of the record's pieces, then full.
    fs::remove(full_ / "filler");
    std::ofstream(full_ / "filler", std::ios::binary) << std::string(128 * 1024, 'x');
    ::setenv("TMPDIR", full_.c_str(), 1);
    TrafficRecord record;
    ::unsetenv("TMPDIR");
    EXPECT_EQ(record.Folder(), full_);
    std::string appended;
    for (int i = 0; i < 200000 && !record.StoppedShort(); ++i) {
        const std::string entry = std::to_string(i % 256) + "\r\n";
        record.Append(entry);
        appended += entry;
    }
    ASSERT_TRUE(record.StoppedShort());
    EXPECT_EQ(record.StopReason(), "the temporary folder " + full_.string() + " is full");
    record.Append("more after the stop\r\n");

    std::string saved;
    EXPECT_EQ(record.WriteTo([&](std::string_view piece) {
        saved += piece;
        return true;
    }),
              "");
    const std::string note =
        "(the record stops here: the temporary folder " + full_.string() + " is full)\r\n";
    ASSERT_GE(saved.size(), note.size());
    EXPECT_EQ(saved.substr(saved.size() - note.size()), note) << "the note ends the log";
    EXPECT_EQ(Count(saved, "the record stops here"), 1u);
    const std::string kept = saved.substr(0, saved.size() - note.size());
    EXPECT_GT(kept.size(), 0u);
    EXPECT_EQ(kept, appended.substr(0, kept.size())) << "what was kept is the record's start";
    EXPECT_EQ(kept.back(), '\n') << "whole lines only";
}

}  // namespace
}  // namespace zelmar
