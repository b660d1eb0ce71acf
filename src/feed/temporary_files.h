// The temporary files a program has open for writing, so that a signal that ends it (SIGTERM, SIGINT, SIGHUP)
// does not leave them behind: a copy of standard input can be as large as the feed itself.
#pragma once

#include <string>

namespace yarvelin {

// Notes a temporary file that is to go unless it is forgotten first; false when too many are noted already
// (the file then simply outlives a signal, as before).
bool NoteTemporaryFile(const std::string& path);
void ForgetTemporaryFile(const std::string& path);
// Removes every noted file. Safe inside a signal handler.
void RemoveNotedTemporaryFiles() noexcept;
// From now on SIGTERM, SIGINT and SIGHUP remove the noted files and then end the program as the signal
// would have.
void RemoveTemporaryFilesOnSignals();

// A run killed while writing leaves the writer's temporary file (".NAME.PID.N.tmp") beside output. Removes
// those whose process is gone; call it only while holding what keeps other writers of output away (a job's
// lock).
void RemoveOrphanedWriterTemporaries(const std::string& output);

}  // namespace yarvelin
