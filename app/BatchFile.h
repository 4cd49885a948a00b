#pragma once

#include "app/JobEntry.h"
#include "engine/JobList.h"

#include <functional>
#include <string>

namespace quorvel {

// Batch files (".app") keep a whole job list, one line per entry:
//   [~]Filename; Parameters; Pages; Status; MoveTo; Output; Keep; Create; Append; BookmarkName
// ten fields joined by "; ", "~" in front of an entry that is not selected,
// each line ended by the three bytes CR CR LF. Texts are written as they are,
// without quoting, so a semicolon inside a path does not survive a reload.

// The bytes of one batch line for row `row` of `jobs`, line end included.
std::string FormatBatchLine(const IJobList& jobs, int row);

// Writes every row of `jobs` to `path`, replacing the file. False when the
// file cannot be created or written; the caller shows the path with caption
// kCantWriteBatchCaption.
bool WriteBatchFile(const IJobList& jobs, const std::string& path);

// The fields of one batch line as read back (without its line break): the
// last character is removed, the rest is cut at runs of semicolons, leading
// blanks are removed from each field, and fields 1, 2 and 5 to 10 fill the
// entry; missing fields are empty. Pages and status (fields 3 and 4) are not
// used: AddJobEntry counts and sets them anew.
JobEntryFields ParseBatchLine(const std::string& line);

// Reads a batch file and hands each non-empty line's entry to `onEntry`, in
// file order; the caller passes it to AddJobEntry, which refuses names that
// do not end in ".pdf" or ".PDF". CR LF and a lone LF end a line; a line is
// read in pieces of at most 254 characters, each taken as a line of its own.
// False when the file cannot be opened; the caller shows the path with
// caption kCantReadBatchCaption.
bool ReadBatchFile(const std::string& path,
                   const std::function<void(const JobEntryFields&)>& onEntry);

} // namespace quorvel
