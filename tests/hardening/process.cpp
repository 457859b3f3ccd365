#include "tests/hardening/process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mv::test {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

[[noreturn]] void childFails(const char* what) {
    const std::string text = std::string("process helper: ") + what + ": " + std::strerror(errno) + "\n";
    (void)!::write(STDERR_FILENO, text.data(), text.size());
    _exit(127);
}

}  // namespace

ProcessResult runCli(const std::vector<std::string>& args, const ProcessOptions& options) {
    ProcessResult result;
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) return result;

    std::vector<std::string> argvText{MARVOLEN_CLI};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argvText) argv.push_back(a.data());
    argv.push_back(nullptr);

    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!options.stdoutPath.empty()) {
            const int fd = ::open(options.stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0) childFails("stdout");
        } else if (::dup2(outPipe[1], STDOUT_FILENO) < 0) {
            childFails("stdout pipe");
        }
        if (::dup2(errPipe[1], STDERR_FILENO) < 0) childFails("stderr pipe");
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull < 0 || ::dup2(devNull, STDIN_FILENO) < 0) childFails("stdin");
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGPIPE, SIG_DFL);
        if (options.fileSizeLimit >= 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit), static_cast<rlim_t>(options.fileSizeLimit)};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) childFails("setrlimit");
        }
        ::execv(argv[0], argv.data());
        childFails("execv");
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (pid < 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return result;
    }

    size_t interruptsSent = 0;
    Clock::time_point interruptTime;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int openPipes = 2;
    while (openPipes > 0) {
        const double elapsedMs = secondsSince(start) * 1000;
        if (interruptsSent < options.interruptAtMs.size() && elapsedMs >= options.interruptAtMs[interruptsSent]) {
            ::kill(pid, SIGINT);
            ++interruptsSent;
            interruptTime = Clock::now();
        }
        if (!result.timedOut && elapsedMs >= options.timeoutMs) {
            ::kill(pid, SIGKILL);
            result.timedOut = true;
        }
        if (::poll(fds, 2, 10) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[65536];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --openPipes;
            }
        }
    }
    int wstatus = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &wstatus, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) break;
        if (!result.timedOut && secondsSince(start) * 1000 >= options.timeoutMs) {
            ::kill(pid, SIGKILL);
            result.timedOut = true;
        }
        ::usleep(5000);
    }
    result.seconds = secondsSince(start);
    if (interruptsSent > 0) result.secondsAfterInterrupt = secondsSince(interruptTime);
    if (WIFEXITED(wstatus)) {
        result.status = WEXITSTATUS(wstatus);
    } else if (WIFSIGNALED(wstatus)) {
        result.signalled = true;
        result.status = 128 + WTERMSIG(wstatus);
    }
    return result;
}

}  // namespace mv::test
