#pragma once

#include "engine/Secret.h"

#include <string>

namespace quorvel {

// The user's answer to "this file needs a password".
enum class PasswordAnswer {
    Ok,      // the password is given
    Skip,    // go on without it: the file cannot be opened
    SkipAll, // the same for this file and every protected file after it in
             // the same batch of files (a bulk load, a refresh)
};

// How a file that may need a password can be opened.
enum class UnlockResult {
    Open,    // with the password handed out (empty: it needs none)
    Skipped, // it needs a password and the user gave none
};

// Whoever runs engine code answers the password question: the window shows a
// dialog, the command-line program reads its password file, tests answer from
// a script. Never called for a file that opens without a password.
class IPasswordProvider {
public:
    virtual ~IPasswordProvider() = default;
    // Asks for the password that opens `path`. `wrongBefore`: the password
    // given last for this file did not open it. `offerSkipAll`: a batch of
    // files is being handled, so "skip all" may be offered. Ok fills
    // `password`.
    virtual PasswordAnswer AskPassword(const std::string& path, bool wrongBefore, bool offerSkipAll,
                                       CSecret& password) = 0;
};

} // namespace quorvel
