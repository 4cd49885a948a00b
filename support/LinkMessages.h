#pragma once

#include <string>

namespace quorvel {

// Result codes of opening a link: above kOpenLinkFailureLimit means success.
inline constexpr int kOpenLinkFailureLimit = 32;
inline constexpr int kOpenLinkSucceeded = 42;
// What a failed open reports when no program takes the address.
inline constexpr int kOpenLinkNoAssociation = 31;

inline constexpr const char* kOpenLinkFailurePrefix = "Unable to open hyperlink:\n\n";

// The text that explains an open-link result code ("Unknown Error (4) occurred."
// for codes without a text of their own).
std::string OpenFailureText(int code);

// The whole message shown when a link cannot be opened.
std::string OpenFailureMessage(int code);

} // namespace quorvel
