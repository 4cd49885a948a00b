#pragma once

// Texts that the page count fallback shows. Texts that end in " : " are
// followed by a path.

namespace quorvel::ProbeMessages {

inline constexpr const char* kConnectFailed =
    "Failed to connect to full version of Acrobat 4 or greater\n\nPlease either re-install "
    "Acrobat or run Acrobat to force this software to use what's running.\n\nNOTE: This software "
    "will not work with Acrobat Reader or Adobe Reader.";
inline constexpr const char* kCreateAVDocFailed = "Failed to create AVDoc";
inline constexpr const char* kErrorOpeningFile = "Error Opening File : ";
inline constexpr const char* kFailedToCloseDoc = "Failed to get Close doc";

} // namespace quorvel::ProbeMessages
