#include "platform/system_alert_sender.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "app/program_names.h"

extern char** environ;

namespace yarvelin {

std::string CSystemAlertSender::RunWithInput(const std::vector<std::string>& argv, const std::string& input) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        return std::strerror(errno);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], STDIN_FILENO);
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[0]);
    if (spawned != 0) {
        close(pipeFds[1]);
        return "cannot start " + argv[0] + ": " + std::strerror(spawned);
    }
    // A command that does not read its input must not end this program with SIGPIPE.
    struct sigaction ignore {
    }, old{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &old);
    for (std::size_t sent = 0; sent < input.size();) {
        const ssize_t n = write(pipeFds[1], input.data() + sent, input.size() - sent);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
    close(pipeFds[1]);
    sigaction(SIGPIPE, &old, nullptr);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        return {};
    }
    return WIFEXITED(status) ? "it exited with status " + std::to_string(WEXITSTATUS(status))
                             : "it was ended by signal " + std::to_string(WTERMSIG(status));
}

std::string CSystemAlertSender::RunCommand(const std::string& command, const std::string& json) {
    return RunWithInput({"/bin/sh", "-c", command}, json + "\n");
}

std::string CSystemAlertSender::FindSendmail() {
    std::vector<std::string> places = {"/usr/sbin/sendmail", "/usr/lib/sendmail"};
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (!folder.empty()) {
            places.push_back(folder + "/sendmail");
        }
    }
    for (const std::string& place : places) {
        if (access(place.c_str(), X_OK) == 0) {
            return place;
        }
    }
    return {};
}

std::string CSystemAlertSender::SendMail(const std::string& to, const std::string& subject,
                                         const std::string& body) {
    const std::string sendmail = FindSendmail();
    if (sendmail.empty()) {
        return "no sendmail is installed: install a mail system (msmtp-mta, postfix, ...) or use command or "
               "webhook in [notify]";
    }
    const std::string mail =
        "To: " + to + "\nSubject: " + subject + "\nContent-Type: text/plain; charset=UTF-8\n\n" + body;
    return RunWithInput({sendmail, "-t"}, mail);
}

std::string CSystemAlertSender::PostWebhook(const std::string& url, const std::string& json) {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)initialised;
    CURL* e = curl_easy_init();
    if (!e) {
        return "libcurl could not start";
    }
    char error[CURL_ERROR_SIZE] = "";
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, kUrlCheckUserAgent);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, json.c_str());
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(json.size()));
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(e, CURLOPT_TIMEOUT, 60L);
    curl_easy_setopt(
        e, CURLOPT_WRITEFUNCTION, +[](char*, size_t size, size_t count, void*) { return size * count; });
    const CURLcode code = curl_easy_perform(e);
    long status = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    curl_slist_free_all(headers);
    curl_easy_cleanup(e);
    if (code != CURLE_OK) {
        return *error ? std::string(error) : std::string(curl_easy_strerror(code));
    }
    return status >= 200 && status <= 299 ? std::string() : url + " answered " + std::to_string(status);
}

}  // namespace yarvelin
