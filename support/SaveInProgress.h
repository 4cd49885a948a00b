#pragma once

// What a save under way has put on disk, so that a document helper that must
// end in the middle of one leaves no trace of it: a complete save writes a
// hidden temporary file beside its target, an incremental save appends to
// the target. Whoever ends a helper by force (or finds it dead) removes the
// temporary files it left by their names, which carry the helper's process
// id; a helper that is told to end takes back its own save first.

#include <string>
#include <sys/types.h>

namespace quorvel {

// The mkstemp pattern (ending in "XXXXXX") of the temporary file that
// process `writer` writes before renaming it over `path`: a hidden name in
// the same folder made of the target's name (cut so that the whole name
// stays within the longest file name), the writer's id and six letters.
std::string SaveTempPattern(const std::string& path, pid_t writer);

// Removes every temporary file process `writer` may have left for `path`;
// returns how many were removed. Only names of that exact pattern are
// touched.
int RemoveSaveTempFiles(const std::string& path, pid_t writer);

// Records what the save under way (at most one per process) has put on
// disk: a temporary file, or an append to the file open on `fd` that was
// `oldSize` bytes long. SaveEnded forgets it, once the file is complete.
void SaveTempFileCreated(const std::string& tempPath);
void SaveAppendStarted(int fd, off_t oldSize);
void SaveEnded();

// Appends write through this, so that UndoSaveInProgress never runs in the
// middle of one: a pwrite of at most 8 MB at a time; false on failure.
bool WriteSaveBytes(int fd, const char* data, size_t size, off_t offset);

// Takes back what the save under way has put on disk (removes its temporary
// file, or cuts the appended file back to its old length) and keeps any
// other save from going on. For the thread that then ends the process.
void UndoSaveInProgress();

} // namespace quorvel
