#pragma once
// A program of ours run as a child process, its standard output and error kept in files, for
// tests that drive the real executables from outside as a script would.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

namespace zelmar::testing {

inline std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// How a child's standard output is set up, beyond the default file.
struct ChildOptions {
    bool closeStdout = false;              // started with descriptor 1 closed
    std::string stdoutPath;                // this instead of the file beside stderr ("/dev/full")
    std::vector<std::string> environment;  // NAME=VALUE added to the parent's environment
};

class ChildProcess {
  public:
    // Runs `args` (the program first); its output goes to `outputs`/stdout and /stderr.
    ChildProcess(std::vector<std::string> args, const std::filesystem::path& outputs,
                 ChildOptions options = {})
        : out_(outputs.string() + ".stdout"), err_(outputs.string() + ".stderr") {
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        std::vector<std::string> names = options.environment;
        std::vector<char*> env;
        for (std::string& entry : names) env.push_back(entry.data());
        for (char** entry = environ; *entry; ++entry) {
            const std::string_view name(*entry, std::string_view(*entry).find('='));
            bool overridden = false;
            for (const std::string& given : options.environment)
                overridden = overridden || given.starts_with(std::string(name) + "=");
            if (!overridden) env.push_back(*entry);
        }
        env.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (options.closeStdout) {
            posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
        } else {
            const std::string& path = options.stdoutPath.empty() ? out_ : options.stdoutPath;
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, path.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        }
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), env.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ChildProcess() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            Wait(std::chrono::seconds(10));
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Signal(int signal) const {
        if (pid_ > 0 && !status_) ::kill(pid_, signal);
    }
    pid_t pid() const { return pid_; }

    // The exit status once the child has ended, within `limit`; -1 if it was killed or had to be.
    int Wait(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!status_ && pid_ > 0) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            } else if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                status_ = -1;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        return status_.value_or(-1);
    }

    std::string Out() const { return ReadWholeFile(out_); }
    std::string Err() const { return ReadWholeFile(err_); }

  private:
    std::string out_, err_;
    pid_t pid_ = -1;
    std::optional<int> status_;
};

}  // namespace zelmar::testing
