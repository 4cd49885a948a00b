#pragma once

// Every text that the append run and the output assembly show, exactly as
// shown. Texts that end in ": " or " : " are followed by a path.

namespace quorvel::RunMessages {

inline constexpr const char* kConnectFailed =
    "Failed to connect to full version of Acrobat 4 or greater\n\nPlease either re-install "
    "Acrobat or run Acrobat to force this software to use what's running.\n\nNOTE: This software "
    "will not work with Acrobat Reader or Adobe Reader, please make sure you have installed Full "
    "Acrobat after Reader and not before.";
inline constexpr const char* kCreateAVDocFailed =
    "Failed to create AVDoc - Ensure that you have installed Full Acrobat\nAnd you have installed "
    "it after Reader (Not before)";
inline constexpr const char* kCreatePDDocFailed =
    "Failed to create PDDoc - Ensure that you have installed Full Acrobat\nAnd you have installed "
    "it after Reader (Not before)";
inline constexpr const char* kCreateNewPDDocFailed =
    "Failed to create new PDDoc - Ensure that you have installed Full Acrobat\nAnd you have "
    "installed it after Reader (Not before)";
// Followed by the output path, then kUnableToRemoveFileTail.
inline constexpr const char* kUnableToRemoveFile = "Unable to remove file: ";
inline constexpr const char* kUnableToRemoveFileTail =
    "\nPlease check acrobat.exe isn't running in taskmanager.";
inline constexpr const char* kUnableToCreateNewFile =
    "Unable to create new file, if Adobe Reader is running then that is the reason why, Adobe "
    "Reader will be closed, please start Adobe Acrobat and try again.\nby default when you open a "
    "pdf it uses the last used program to open it with, sometimes a quick windows reboot is "
    "needed.";
inline constexpr const char* kErrorOpeningFile = "Error Opening File : ";
inline constexpr const char* kCantInsertPages =
    "Error! can't insert pages\nPlease make sure Acrobat is running NOT Adobe Reader";
inline constexpr const char* kFailedToCloseDoc = "Failed to get Close doc";
inline constexpr const char* kFailedToSaveFile = "Failed to save file: ";
inline constexpr const char* kDone = "Done.";
inline constexpr const char* kDoneCaption = "Quorvel";

// Output assembly.
inline constexpr const char* kCreateBookmarkFailed = "Failed to create PDBookmark object";
inline constexpr const char* kUnableToOpenFile = "Unable to open file: ";

} // namespace quorvel::RunMessages
