// The files that reached the service, kept per server and remote name so that the next run can tell what
// changed, send only that, or put an earlier feed back:
// $XDG_STATE_HOME/yarvelin/snapshots/KEY/NNNN.tsv.gz with KEY as the upload counts name the place, and an
// index beside them. A snapshot is only ever taken once the server confirmed the upload.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace yarvelin {

inline constexpr int kDefaultSnapshotsKept = 7;

struct SnapshotEntry {
    int number = 0;
    long long time = 0;  // seconds since the epoch, when the upload was confirmed
    long long products = 0;
    long long bytes = 0;  // of the feed, before compression
    bool delta = false;   // the upload was a partial one (the snapshot still holds the whole feed)
};

// How the last upload to a place that did not end in a snapshot ended.
enum class UploadAttempt { kNone, kPending, kFailed };

class CSnapshotStore {
  public:
    // root: the folder that holds a folder per place; empty: SnapshotsFolder().
    explicit CSnapshotStore(std::string root = {});

    // $XDG_STATE_HOME/yarvelin/snapshots.
    static std::string SnapshotsFolder();

    std::string PlaceFolder(const std::string& server, const std::string& remoteName) const;
    std::string SnapshotPath(const std::string& server, const std::string& remoteName, int number) const;
    // The kept snapshots of a place, newest first.
    std::vector<SnapshotEntry> List(const std::string& server, const std::string& remoteName) const;
    std::optional<SnapshotEntry> Latest(const std::string& server, const std::string& remoteName) const;

    // After the server confirmed the upload: feedFile (the whole feed the service now holds) becomes the
    // newest snapshot, compressed, and only the newest `keep` stay. Clears a noted attempt. False when it
    // could not be kept (the earlier snapshots are then as they were).
    bool Remember(const std::string& server, const std::string& remoteName, const std::string& feedFile,
                  const SnapshotEntry& entry, int keep = kDefaultSnapshotsKept);
    // Writes snapshot number of the place, decompressed, to target through the safe writer.
    bool Extract(const std::string& server, const std::string& remoteName, int number,
                 const std::string& target) const;

    // An upload starts (kPending) or the server refused it (kFailed); Remember clears it.
    bool NoteAttempt(const std::string& server, const std::string& remoteName, UploadAttempt attempt);
    UploadAttempt LastAttempt(const std::string& server, const std::string& remoteName) const;

  private:
    bool WriteIndex(const std::string& folder, const std::vector<SnapshotEntry>& entries) const;

    std::string m_root;
};

}  // namespace yarvelin
