#pragma once

#include "engine/MessageHost.h"

#include <string>

namespace quorvel {

// Syntax check of a folder typed by the user: 0 passes, 1 malformed (null,
// empty, or not absolute). A missing root folder cannot occur here, so the
// result 2 of a missing root is never returned whatever `syntaxOnly` says.
// Shows nothing.
int CheckFolderPath(const char* path, int syntaxOnly);

// Validates a folder typed in the folder chooser and shows its own messages
// through `messages`: 0 accept (it exists, or the user agreed that it is to be
// created; nothing is created here), -1 the folder is missing and the user
// declined, 1 malformed, 2 cannot be created.
int ValidateFolder(const std::string& path, IMessageHost& messages);

} // namespace quorvel
