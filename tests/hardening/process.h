#pragma once

// Runs the built marvolen-cli as a real process, so that exit statuses, signals, standard streams
// and the kernel's write failures are those a person would meet.

#include <string>
#include <vector>

namespace mv::test {

struct ProcessOptions {
    std::string stdoutPath;       // when set, standard output goes to this file instead of a pipe
    long long fileSizeLimit = -1; // RLIMIT_FSIZE in bytes; SIGXFSZ is ignored so writes fail with EFBIG
    std::vector<int> interruptAtMs;  // send SIGINT at these times after the start
    int timeoutMs = 60000;        // then SIGKILL, and timedOut is set
};

struct ProcessResult {
    int status = -1;        // exit status, or 128 + signal number when a signal ended it
    bool signalled = false;
    bool timedOut = false;
    std::string out;        // standard output when it went to a pipe
    std::string err;
    double seconds = 0;     // from start to exit
    double secondsAfterInterrupt = -1;  // from the last SIGINT sent to the exit
};

ProcessResult runCli(const std::vector<std::string>& args, const ProcessOptions& options = {});

}  // namespace mv::test
