#pragma once

#include "app/JobEntry.h"
#include "engine/JobList.h"

#include <functional>
#include <string>
#include <vector>

namespace quorvel {

// Batch files (".app") keep a whole job list, one line per entry:
//   [~]Filename; Parameters; Pages; Status; MoveTo; Output; Keep; Create; Append; BookmarkName
// ten fields joined by "; ", "~" in front of an entry that is not selected,
// each line ended by the three bytes CR CR LF. Texts are written as they are,
// without quoting, so a text holding a semicolon or a line feed cannot be
// written: reading it back would split it into other fields or other lines,
// and a file name cut that way can name another file.

// The bytes of one batch line for row `row` of `jobs`, line end included.
std::string FormatBatchLine(const IJobList& jobs, int row);

// False when one of the texts that FormatBatchLine writes for `row` holds a
// semicolon, a line feed or a NUL byte, so that the line would not read back
// as the same entry.
bool CanHoldBatchRow(const IJobList& jobs, int row);

// Writes every row of `jobs` that CanHoldBatchRow accepts to `path`, in list
// order, replacing the file; the file names of the rows left out are added to
// `unsaved` (when given), in list order. False when the file cannot be
// created or written; the caller shows the path with caption
// kCantWriteBatchCaption.
bool WriteBatchFile(const IJobList& jobs, const std::string& path,
                    std::vector<std::string>* unsaved = nullptr);

// The text of the message box that names the files of rows left out of a
// batch file (caption kUnsavedRowsCaption): the explanation, then one name a
// line, a line feed inside a name shown as a backslash and an "n".
std::string UnsavedRowsText(const std::vector<std::string>& names);

// One file name of a row left out, on one line: a line feed shows as a
// backslash and an "n".
std::string UnsavedRowName(const std::string& name);

// The fields of one batch line as read back (without its line break): the
// last character is removed, the rest is cut at runs of semicolons, leading
// blanks are removed from each field, and fields 1, 2 and 5 to 10 fill the
// entry; missing fields are empty. Pages and status (fields 3 and 4) are not
// used: AddJobEntry counts and sets them anew.
JobEntryFields ParseBatchLine(const std::string& line);

// Reads a batch file and hands each non-empty line's entry to `onEntry`, in
// file order; the caller passes it to AddJobEntry, which refuses names that
// do not end in ".pdf" or ".PDF". CR LF and a lone LF end a line; a line is
// read whole, whatever its length.
// False when the file cannot be opened; the caller shows the path with
// caption kCantReadBatchCaption.
bool ReadBatchFile(const std::string& path,
                   const std::function<void(const JobEntryFields&)>& onEntry);

} // namespace quorvel
