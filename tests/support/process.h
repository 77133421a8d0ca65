#pragma once
// A program run as a child process, for the tests and benchmarks that drive the real executables
// from outside as a script, a technician or a device would. Plain POSIX: neither Qt nor a test
// framework, so that the benchmarks use it as well.
//
// Whatever a test starts is ended with it: the destructor asks with SIGTERM, as a technician's
// Ctrl+C would, and kills what does not end in time.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "support/read_file.h"

extern char** environ;

namespace zelmar::testing {

// Where one of the child's standard streams goes.
struct Output {
    enum class To { Parent, Pipe, File, Closed };
    To to = To::Parent;
    std::filesystem::path file;

    // The test's own stream: the child's words show in the test's output.
    static Output Parent() { return {}; }
    // A pipe the test reads with ReadLine: for a child that says when it is ready.
    static Output Pipe() { return {To::Pipe, {}}; }
    // A file, created or emptied; "/dev/full" for a stream that cannot be written.
    static Output File(std::filesystem::path path) { return {To::File, std::move(path)}; }
    // Descriptor closed at the start.
    static Output Closed() { return {To::Closed, {}}; }
};

struct ProcessOptions {
    std::vector<std::string> environment;  // NAME=VALUE, in place of the parent's own NAME
    Output out, err;

    // Standard output and error in the files `base`.stdout and `base`.stderr.
    static ProcessOptions Files(const std::filesystem::path& base) {
        return {
            {}, Output::File(base.string() + ".stdout"), Output::File(base.string() + ".stderr")};
    }
};

class Process {
  public:
    // Starts `args`, the program's path first. A program that cannot be started counts as
    // one that ended with -1.
    explicit Process(std::vector<std::string> args, ProcessOptions options = {})
        : options_(std::move(options)) {
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        std::vector<std::string> environment = options_.environment;
        std::vector<char*> env;
        for (std::string& entry : environment) env.push_back(entry.data());
        for (char** entry = environ; *entry; ++entry) {
            const std::string_view name(*entry, std::string_view(*entry).find('=') + 1);
            bool overridden = false;
            for (const std::string& given : options_.environment)
                overridden = overridden || given.starts_with(name);
            if (!overridden) env.push_back(*entry);
        }
        env.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        int pipeEnd = -1;  // the child's end of the pipe, closed in the parent after the spawn
        for (const auto& [output, descriptor] :
             {std::pair{&options_.out, STDOUT_FILENO}, {&options_.err, STDERR_FILENO}}) {
            switch (output->to) {
                case Output::To::Parent:
                    break;
                case Output::To::Closed:
                    posix_spawn_file_actions_addclose(&actions, descriptor);
                    break;
                case Output::To::File:
                    posix_spawn_file_actions_addopen(&actions, descriptor, output->file.c_str(),
                                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
                    break;
                case Output::To::Pipe: {
                    int ends[2];
                    // Close-on-exec, so that no later child keeps the pipe open; the child's
                    // copy on its standard stream is its own.
                    if (pipe_ >= 0 || ::pipe2(ends, O_CLOEXEC) != 0) break;
                    pipe_ = ends[0];
                    pipeEnd = ends[1];
                    posix_spawn_file_actions_adddup2(&actions, pipeEnd, descriptor);
                    break;
                }
            }
        }
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), env.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        if (pipeEnd >= 0) ::close(pipeEnd);
    }
    ~Process() {
        Stop();
        if (pipe_ >= 0) ::close(pipe_);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }
    void Signal(int signal) const {
        if (pid_ > 0 && !status_) ::kill(pid_, signal);
    }

    // Whether the child has ended; reaps it if so, without waiting.
    bool Exited() {
        if (status_) return true;
        if (pid_ <= 0) {
            status_ = -1;
            return true;
        }
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }
    bool Running() { return !Exited(); }

    // The exit status once the child has ended, within `limit`; -1 if a signal ended it or it
    // had to be killed.
    int Wait(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!Exited()) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                int status = 0;
                ::waitpid(pid_, &status, 0);
                status_ = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return *status_;
    }

    // SIGTERM, and the exit status as Wait gives it.
    int Stop(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        Signal(SIGTERM);
        return Wait(limit);
    }

    // The next line on the piped stream, without its end; nothing when none came within
    // `limit` or the stream ended first.
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (pipe_ >= 0) {
            if (const auto end = pending_.find('\n'); end != std::string::npos) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd ready{pipe_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
                return std::nullopt;
            char chunk[256];
            const ssize_t got = ::read(pipe_, chunk, sizeof chunk);
            if (got <= 0) return std::nullopt;
            pending_.append(chunk, static_cast<std::size_t>(got));
        }
        return std::nullopt;
    }

    // What the child wrote into its output files so far; empty for a stream that went
    // elsewhere, a device like /dev/full among them.
    std::string Out() const { return Written(options_.out); }
    std::string Err() const { return Written(options_.err); }

  private:
    static std::string Written(const Output& output) {
        std::error_code ignored;
        if (output.to != Output::To::File ||
            !std::filesystem::is_regular_file(output.file, ignored))
            return {};
        return ReadFile(output.file);
    }

    ProcessOptions options_;
    pid_t pid_ = -1;
    int pipe_ = -1;
    std::string pending_;  // read from the pipe, not yet a whole line
    std::optional<int> status_;
};

}  // namespace zelmar::testing
