#pragma once

#include <string>

namespace quorvel {

// Texts shown by the bulk loads and the folder chooser, kept in one place so
// that tests compare exact strings.
namespace BulkText {

inline constexpr const char* kBulkFilesLoaded = "Bulk Files Loaded";
inline constexpr const char* kEnterInteger = "Please enter an integer.";
inline constexpr const char* kScanning = "Scanning disk, please wait.";

// Folder chooser captions and instructions, one pair per use.
inline constexpr const char* kLoadCaption = "Drive or Directory to load...";
inline constexpr const char* kLoadTitle = "Please choose your drive to load documents from...";
inline constexpr const char* kOutputDirCaption = "Output Directory...";
inline constexpr const char* kOutputDirTitle = "Please choose your directory to output to...";
inline constexpr const char* kMoveDirCaption = "Move To Directory...";
inline constexpr const char* kMoveDirTitle =
    "Please choose your directory to move to after append...";

// File dialog titles.
inline constexpr const char* kAppendToFileTitle = "Append To File";
inline constexpr const char* kListFileTitle = "List file";

// Dialog captions and explanations.
inline constexpr const char* kGroupCaption = "Bulk Load Options";
inline constexpr const char* kGroupExplanation =
    "Bulk Load is for grouping pdf files together with the same name.\ne.g. suffix _2003 will "
    "append all source files with the same filename c:\\1\\test.pdf, c:\\2\\test.pdf to "
    "test_2003.pdf";
inline constexpr const char* kOneOutputCaption = "Bulk Load To One Output File";
inline constexpr const char* kOneOutputExplanation =
    "Bulk load will append all files containing text in the filename to one output file "
    "specified below.";
inline constexpr const char* kPartNameCaption = "Bulk Load To One Output File";
inline constexpr const char* kPartNameExplanation =
    "Bulk load will append all files containing text in the first n characters to n characters "
    "filename. e.g. 5, 12345_1.pdf 12345_2.pdf will be appended to output folder\\12345.pdf";
inline constexpr const char* kListCaption = "Bulk Load from .job,.lst,.txt to One Output File";
inline constexpr const char* kListExplanation =
    "Bulk load will append all files in a list file .job, .lst, .txt to one output file.";

// Folder validation messages; the path is shown exactly as typed.
inline std::string FolderInvalid(const std::string& path) {
    return "The folder:\n\n" + path + "\n\nis invalid. Please reenter.";
}
inline std::string FolderMissing(const std::string& path) {
    return "The folder:\n\n" + path + "\n\ndoes not exist. Do you want the folder to be created?";
}
inline std::string FolderCannotCreate(const std::string& path) {
    return "The folder:\n\n" + path + "\n\ncan not be created. Please double check.";
}

} // namespace BulkText

} // namespace quorvel
