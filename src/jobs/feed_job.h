// A job: what an unattended run reads, checks, writes and uploads, kept in a TOML file a merchant can read
// and edit (~/.config/yarvelin/jobs/NAME.toml). Read only through the hand-file loader, so a mistake is
// reported as "FILE:LINE: what is wrong" before anything is done.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "feed/feed_line_format.h"
#include "import/merge_source.h"
#include "jobs/job_remote_keys.h"

namespace yarvelin {

// Where the products come from: a feed file, or a shop's export read through a column map (a map file, or a
// profile by name or detected from the header line). The rules file, if any, runs on either.
struct FeedJobSource {
    std::string feedFile;
    std::string exportFile;
    std::string mapFile;
    std::string profile;  // empty or "auto": detected
    std::string baseUrl;
    std::string currency;
    std::string sheet;  // a spreadsheet export's sheet by name; empty: its first
    std::string rulesFile;
    std::vector<MergeFile> merges;        // files merged by key into an export's products, in this order
    std::optional<FeedJobSourceUrl> url;  // export-url or feed-url: downloaded into export or feed first
    // What messages and the record name as the source.
    const std::string& Name() const { return url ? url->url : exportFile.empty() ? feedFile : exportFile; }
};

struct FeedJobUpload {
    std::string server;  // a host name or an ftp/ftpes/ftps/sftp address, as the upload page takes it
    std::optional<std::uint16_t> port;
    std::string user;          // empty: anonymous
    std::string passwordFile;  // first line is the password (or the key's passphrase)
    std::string keyFile;       // SFTP private key
    std::string knownHostsFile;
    std::string pin;  // TLS: "sha256//..." of the certificate's public key
    bool binary = false;
    bool passive = false;
};

// What a job does with the changes since its last upload (changes/change_guards.h has the rules).
struct FeedJobChanges {
    bool delta = false;     // [output] mode = "delta": send only what changed, while a snapshot allows it
    int fullEveryDays = 7;  // [output] full-every: a whole feed at least this often
    int keep = 7;           // [snapshots] keep
    std::optional<double> maxChanged;  // [check] max-changed = "20%"
    double maxDelete = 0.10;           // [check] max-delete
    bool leaveOut = false;             // [check] on-error = "leave-out": products with errors stay home
};

struct FeedJob {
    std::string name;  // the file's name without ".toml"
    FeedJobSource source;
    // The text check (Verify Data): both answers, or neither for no text check.
    std::optional<std::string> newlines;  // "remove" or "quote"
    std::optional<std::string> special;   // "escape" or "remove"
    long long maxErrors = 0;              // more errors than this stop the upload
    std::string outputFile;
    bool basic = false;
    FeedHeaderChoices headers;
    std::optional<FeedJobUpload> upload;  // none: the run only writes the file
    FeedJobChanges changes;
    FeedJobNotify notify;  // [notify]
};

// Reads a job file. Relative paths in it are taken from the job file's folder. Throws CHandFileError.
FeedJob LoadFeedJob(const std::string& path);
FeedJob ParseFeedJob(const std::string& text, const std::string& path);

// The text of a job file for job, with a comment on each key, as the wizard saves one.
std::string FeedJobText(const FeedJob& job);

// What the wizard knows of the feed a job is saved for.
struct WizardFeedForJob {
    std::string savedFile;  // the feed file the save page wrote: the one the upload page sends
    bool basic = false;
    FeedHeaderChoices headers;  // what the save page chose for that file
    // The text check's answers, when it ran on the feed: remove control characters (else keep them
    // quoted), escape special characters (else remove them).
    struct TextCheck {
        bool removeControlCharacters = true;
        bool escapeSpecialCharacters = true;
    };
    std::optional<TextCheck> textCheck;
};

// The job the wizard saves for the open feed: it reads the feed file the wizard saved, checks its texts with
// the same answers, writes it back with the save page's headers and uploads it as the upload page would, so
// that an unattended run sends what the wizard sent (the password stays in the keyring: the job names no
// password file until the merchant adds one).
FeedJob JobForWizardUpload(const std::string& name, const WizardFeedForJob& feed,
                           const FeedJobUpload& upload);

// What the upload page shows of a job: its last run, from the run history (JSON Lines as `run` writes
// them), and the product count of the last upload to its place. Empty when there is neither.
std::string JobStatusText(const std::string& historyText, const std::string& job,
                          std::optional<long long> lastUpload);

// The folder of named jobs: $XDG_CONFIG_HOME/yarvelin/jobs, else ~/.config/yarvelin/jobs.
std::string JobsFolder();
// JOB as the command line gives it: a path when it names a file or holds a "/" or ends in ".toml", else
// the name of a job in JobsFolder().
std::string JobFilePath(const std::string& job);

}  // namespace yarvelin
