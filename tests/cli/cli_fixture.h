#pragma once
// zelmar-cli and the window program as a script or a technician meets them: the real
// executables against the simulator on a pseudo-terminal, judged from outside by exit status,
// standard output and error, the simulator's traffic log and saved table, and the lock files.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "support/process.h"
#include "support/read_file.h"
#include "support/saved_table.h"
#include "support/simulator_process.h"
#include "support/temp_folder.h"

namespace zelmar::testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The value the tests write to an object: no object of the simulator's own table holds it.
inline int WrittenValue(int object) {
    return object % 128 + 128;
}

// An object file giving objects first..last their WrittenValue.
inline std::string WriteFile(int first, int last) {
    std::string text = "zelmar-objects 1\n";
    for (int object = first; object <= last; ++object)
        text += std::to_string(object) + "," + std::to_string(WrittenValue(object)) + "\n";
    return text;
}

// Standard output that is exactly one JSON object on one line, or nothing.
inline std::optional<QJsonObject> OneJsonObject(const std::string& out) {
    if (out.empty() || out.back() != '\n' || out.find('\n') != out.size() - 1) return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(out), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    return document.object();
}

// The objects among first..last that hold their WrittenValue.
inline std::vector<int> WrittenObjects(const std::map<int, int>& table, int first, int last) {
    std::vector<int> objects;
    for (int object = first; object <= last; ++object) {
        const auto found = table.find(object);
        if (found != table.end() && found->second == WrittenValue(object))
            objects.push_back(object);
    }
    return objects;
}

// The objects whose read exchanges the simulator's traffic log shows, in order: a 85 answering
// a 172 opens one, and the answers to the next two 202s are its address.
inline std::vector<int> ObjectsReadInLog(const std::string& log) {
    std::vector<int> objects;
    std::istringstream lines(log);
    std::string line, sent;
    int addressBytes = -1;  // -1: no read exchange; else the address bytes taken so far
    int address = 0;
    while (std::getline(lines, line)) {
        if (line.starts_with("> ")) {
            sent = line.substr(2);
            continue;
        }
        if (!line.starts_with("< ") || line.ends_with("late")) continue;
        const int value = std::stoi(line.substr(2));
        if (sent == "172") {
            addressBytes = value == 85 ? 0 : -1;
        } else if (sent == "202" && addressBytes >= 0) {
            address = addressBytes == 0 ? value * 256 : address + value;
            if (++addressBytes == 2) {
                objects.push_back(address);
                addressBytes = -1;
            }
        }
    }
    return objects;
}

// The lock files QSerialPort keeps for an open device, named after `path`: those that exist.
inline std::vector<std::string> LockFilesOf(const std::vector<std::string>& paths) {
    std::vector<std::string> found;
    const char* tmp = ::getenv("TMPDIR");
    for (const char* folder : {"/var/lock", "/run/lock", "/etc/locks", "/var/spool/locks",
                               "/var/spool/uucp", tmp && *tmp ? tmp : "/tmp"}) {
        for (const std::string& path : paths) {
            std::string name = path.starts_with("/dev/") ? path.substr(5) : path;
            for (char& c : name)
                if (c == '/') c = '_';
            const fs::path lock = fs::path(folder) / ("LCK.." + name);
            if (fs::exists(lock)) found.push_back(lock.string());
        }
    }
    return found;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        fs::create_directory(dir_ / "config");
    }
    void TearDown() override { simulator_.reset(); }

    // The simulated device at its fast pace, reached through the path Line().
    void StartDevice(std::vector<std::string> flags = {}) {
        std::vector<std::string> args{ZELMAR_SIMULATOR, "--fast",    "--link", Line(),
                                      "--log",          Path("log"), "--save", Path("saved")};
        args.insert(args.end(), flags.begin(), flags.end());
        simulator_.emplace(args, ProcessOptions{{}, {}, Output::File(dir_ / "simulator.stderr")});
        ASSERT_NE(simulator_->Terminal(), "") << ReadFile(dir_ / "simulator.stderr");
        terminal_ = fs::canonical(Line()).string();
    }
    // Ends the simulator, which saves its table to Path("saved").
    void StopDevice() { simulator_->Stop(); }
    // What the device received: the traffic log's lines from the programmer.
    bool DeviceReceivedNothing() const {
        return ReadFile(Path("log")).find("\n< ") == std::string::npos;
    }
    // Waits until the device's log shows `text`; false after `limit`.
    bool WaitForLog(const std::string& text, std::chrono::milliseconds limit = 10s) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (ReadFile(Path("log")).find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }
    // The lock files of the device line, under its link's name or the terminal's.
    std::vector<std::string> LineLocks() const { return LockFilesOf({Line(), terminal_}); }

    struct Result {
        int status;
        std::string out, err;
    };
    Process Start(std::vector<std::string> args, ProcessOptions options = {}) {
        args.insert(args.begin(), ZELMAR_CLI);
        return Spawn(std::move(args), std::move(options));
    }
    // A program of ours with the test's own settings folder, offscreen; its standard output
    // and error in files of the test's folder unless `options` says otherwise.
    Process Spawn(std::vector<std::string> args, ProcessOptions options = {}) {
        options.environment.push_back("XDG_CONFIG_HOME=" + Path("config"));
        options.environment.push_back("QT_QPA_PLATFORM=offscreen");
        options.environment.push_back("ZELMAR_COM1=" + Line());
        const ProcessOptions files =
            ProcessOptions::Files(dir_ / ("run" + std::to_string(++runs_)));
        if (options.out.to == Output::To::Parent) options.out = files.out;
        if (options.err.to == Output::To::Parent) options.err = files.err;
        return Process(std::move(args), std::move(options));
    }
    Result Run(std::vector<std::string> args, ProcessOptions options = {}) {
        Process cli = Start(std::move(args), std::move(options));
        const int status = cli.Wait(60s);
        return {status, cli.Out(), cli.Err()};
    }

  public:
    std::string Line() const { return Path("line"); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  protected:
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(dir_ / name) << text;
    }

    TempFolder dir_{"zelmar-cli"};
    std::optional<SimulatorProcess> simulator_;
    std::string terminal_;  // the pseudo-terminal behind Line()
    int runs_ = 0;
};

}  // namespace zelmar::testing
