#include "feed/temporary_files.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace yarvelin {

namespace {

// Fixed slots: a signal handler may neither allocate nor take a lock.
struct Slot {
    std::atomic<bool> used{false};
    std::atomic<bool> ready{false};
    char path[PATH_MAX]{};
};
std::array<Slot, 16> g_slots;

void OnSignal(int signal) {
    RemoveNotedTemporaryFiles();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

bool NoteTemporaryFile(const std::string& path) {
    if (path.size() >= PATH_MAX) {
        return false;
    }
    for (Slot& slot : g_slots) {
        bool expected = false;
        if (slot.used.compare_exchange_strong(expected, true)) {
            std::memcpy(slot.path, path.c_str(), path.size() + 1);
            slot.ready.store(true, std::memory_order_release);
            return true;
        }
    }
    return false;
}

void ForgetTemporaryFile(const std::string& path) {
    for (Slot& slot : g_slots) {
        if (slot.ready.load(std::memory_order_acquire) && path == slot.path) {
            slot.ready.store(false, std::memory_order_release);
            slot.used.store(false, std::memory_order_release);
            return;
        }
    }
}

void RemoveNotedTemporaryFiles() noexcept {
    for (Slot& slot : g_slots) {
        if (slot.ready.load(std::memory_order_acquire)) {
            ::unlink(slot.path);
        }
    }
}

void RemoveTemporaryFilesOnSignals() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

void RemoveOrphanedWriterTemporaries(const std::string& output) {
    const std::filesystem::path target(output);
    const std::string prefix = "." + target.filename().string() + ".";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(target.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= prefix.size() + 4 || name.rfind(prefix, 0) != 0 ||
            name.compare(name.size() - 4, 4, ".tmp") != 0) {
            continue;
        }
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            std::filesystem::remove(entry.path(), error);
        }
    }
}

}  // namespace yarvelin
