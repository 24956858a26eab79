#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <thread>

#include "ChildProcess.h"

extern char** environ;

namespace mirav::test {

struct ChildProcess::State {
    pid_t pid = -1;
    bool reaped = false;
    int exitCode = -1;
    mutable std::mutex lock;
    std::string output, errors;
    std::thread outputReader, errorReader;
};

namespace {

void ReadAll(int fd, std::string* into, std::mutex* lock) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n <= 0) break;
        std::lock_guard<std::mutex> guard(*lock);
        into->append(buffer, static_cast<size_t>(n));
    }
    close(fd);
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& command) : state_(new State) {
    int out[2], err[2];
    if (command.empty() || pipe2(out, O_CLOEXEC) != 0) return;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> argv;
    for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        state_->pid = pid;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    state_->outputReader = std::thread(ReadAll, out[0], &state_->output, &state_->lock);
    state_->errorReader = std::thread(ReadAll, err[0], &state_->errors, &state_->lock);
}

ChildProcess::~ChildProcess() {
    if (state_->pid > 0 && !state_->reaped) {
        kill(state_->pid, SIGKILL);
        Wait(std::chrono::seconds(10));
    }
    if (state_->outputReader.joinable()) state_->outputReader.join();
    if (state_->errorReader.joinable()) state_->errorReader.join();
}

bool ChildProcess::Started() const { return state_->pid > 0; }

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
    if (state_->pid <= 0) return -1;
    if (state_->reaped) {
        if (state_->outputReader.joinable()) state_->outputReader.join();
        if (state_->errorReader.joinable()) state_->errorReader.join();
        return state_->exitCode;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(state_->pid, &status, WNOHANG);
        if (done == state_->pid) {
            state_->reaped = true;
            state_->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            // The pipes close when the program ends; collect the rest of its output.
            if (state_->outputReader.joinable()) state_->outputReader.join();
            if (state_->errorReader.joinable()) state_->errorReader.join();
            return state_->exitCode;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(state_->pid, SIGKILL);
            waitpid(state_->pid, &status, 0);
            state_->reaped = true;
            state_->exitCode = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void ChildProcess::Interrupt() {
    if (state_->pid > 0 && !state_->reaped) kill(state_->pid, SIGINT);
}

bool ChildProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Output().find(text) != std::string::npos) return true;
        int status = 0;
        if (state_->pid <= 0 || waitpid(state_->pid, &status, WNOHANG) != 0) {
            // Ended (and now reaped): record how.
            if (state_->pid > 0) {
                state_->reaped = true;
                state_->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            return Output().find(text) != std::string::npos;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::string ChildProcess::Output() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->output;
}

std::string ChildProcess::Errors() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->errors;
}

RunResult RunProgram(const std::vector<std::string>& command, std::chrono::milliseconds timeout) {
    const auto start = std::chrono::steady_clock::now();
    ChildProcess child(command);
    RunResult result;
    result.exitCode = child.Wait(timeout);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.output = child.Output();
    result.errors = child.Errors();
    return result;
}

}  // namespace mirav::test
