#include "cli/std_streams.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/cli_command.h"
#include "feed/temporary_files.h"

namespace yarvelin::cli {

namespace {

// Copies everything from one descriptor to the other; 0 or the errno of the failure.
int CopyAll(int from, int to) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n == 0) {
            return 0;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return errno;
            }
            done += w;
        }
    }
}

}  // namespace

CStdStreams::CStdStreams(const char* command) : m_command(command) {
    // A copy of standard input and a feed on its way out are removed also when a signal ends the command.
    RemoveTemporaryFilesOnSignals();
}

CStdStreams::~CStdStreams() {
    RemoveTemporaries();
}

void CStdStreams::RemoveTemporaries() {
    for (const std::string& path : m_temporaries) {
        ::unlink(path.c_str());
        ForgetTemporaryFile(path);
    }
    m_temporaries.clear();
}

std::string CStdStreams::Temporary() {
    const char* dir = std::getenv("TMPDIR");
    std::string pattern =
        std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/yarvelin-feed-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        PrintError(m_command, std::string("cannot make a temporary file: ") + std::strerror(errno));
        return {};
    }
    ::close(fd);
    NoteTemporaryFile(pattern);
    m_temporaries.push_back(pattern);
    return pattern;
}

std::string CStdStreams::Input(const std::string& arg) {
    if (arg != "-") {
        return arg;
    }
    std::string path = Temporary();
    if (path.empty()) {
        return {};
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    const int err = fd < 0 ? errno : CopyAll(STDIN_FILENO, fd);
    if (fd >= 0 && ::close(fd) != 0 && err == 0) {
        PrintError(m_command, std::string("standard input: ") + std::strerror(errno));
        return {};
    }
    if (err != 0) {
        PrintError(m_command, std::string("standard input: ") + std::strerror(err));
        return {};
    }
    return path;
}

std::string CStdStreams::Output(const std::string& arg) {
    if (arg != "-") {
        return arg;
    }
    // A reader that goes away early (head) is met as EPIPE in Finish rather than as a killing signal that
    // would leave the temporaries behind.
    ::signal(SIGPIPE, SIG_IGN);
    m_stdoutFile = Temporary();
    return m_stdoutFile;
}

bool CStdStreams::Finish() {
    if (m_stdoutFile.empty()) {
        return true;
    }
    std::fflush(stdout);
    const int fd = ::open(m_stdoutFile.c_str(), O_RDONLY | O_CLOEXEC);
    const int err = fd < 0 ? errno : CopyAll(fd, STDOUT_FILENO);
    if (fd >= 0) {
        ::close(fd);
    }
    if (err == EPIPE) {
        // The reader has what it wanted: nothing to report, and the status a closed pipe gives a program.
        RemoveTemporaries();
        std::fflush(stderr);
        std::_Exit(128 + SIGPIPE);
    }
    if (err != 0) {
        PrintError(m_command, std::string("standard output: ") + std::strerror(err));
        return false;
    }
    return true;
}

}  // namespace yarvelin::cli
