#pragma once

namespace quorvel {

inline constexpr const char* kDefaultBatchFile = "default.app";

// Caption of the main window once a batch file is current: the prefix, the
// file's path, then the suffix.
inline constexpr const char* kBatchTitlePrefix = "Quorvel  [";
inline constexpr const char* kBatchTitleSuffix = "]";

// Menu texts of the batch commands.
inline constexpr const char* kMenuLoadBatch = "Load Batch File";
inline constexpr const char* kMenuAppendBatch = "Append Batch File";
inline constexpr const char* kMenuSaveBatch = "Save Batch File";
inline constexpr const char* kMenuSaveBatchAs = "SaveAs Batch File";

// File dialogs: titles, filters (description, pattern), default extension.
inline constexpr const char* kLoadBatchTitle = "Open Append Batch File";
inline constexpr const char* kAppendBatchTitle = "Open Job File";
inline constexpr const char* kSaveBatchAsTitle = "Save Append Parameters File";
inline constexpr const char* kBatchFilterApp = "*.app";
inline constexpr const char* kBatchFilterAppPattern = "*.app";
inline constexpr const char* kBatchFilterAll = "All Files *.*";
inline constexpr const char* kBatchFilterAllPattern = "*.*";
inline constexpr const char* kBatchDefaultExtension = "app";

// Message boxes (text, caption). Where the text is "the path", the box shows
// the batch file's path as its text.
inline constexpr const char* kNoFilesToSave = "No Files to Save";
inline constexpr const char* kSaveErrorCaption = "Save Error!";
inline constexpr const char* kCantReadBatchCaption = "Can't read append parameters file.";
inline constexpr const char* kCantWriteBatchCaption = "Can't write to job file.";
inline constexpr const char* kBatchSavedCaption = "Append Parameters Saved OK";
// Rows whose texts hold a semicolon or a line break are left out of a saved
// batch file; a box with this caption names their files (see UnsavedRowsText),
// and quorvel-cli prints "caption: file" for each of them.
inline constexpr const char* kUnsavedRowsCaption = "Not saved in the batch file";
inline constexpr const char* kUnsavedRowsText =
    "A batch file cannot hold a semicolon or a line break in a file name or setting.\n"
    "The rows of these files were not saved:\n";

} // namespace quorvel
