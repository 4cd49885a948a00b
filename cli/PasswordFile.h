#pragma once

#include "engine/PasswordProvider.h"
#include "engine/Secret.h"

#include <map>
#include <string>
#include <vector>

namespace quorvel::cli {

// The answers of a password file (--password-file FILE): each line is either
// "PATH<TAB>PASSWORD", the password of that source, or a lone PASSWORD, tried
// on every protected source. For a source, its own passwords are tried first,
// then the lone ones, each once; when none is left the source is skipped, as
// a user would skip it. Passwords are kept like the window keeps them and the
// file's bytes are wiped once read.
class CPasswordFile : public IPasswordProvider {
public:
    // Reads the file; false when it cannot be read.
    bool Load(const std::string& path);
    // Takes the lines of `text` (LF or CR LF ends a line; empty lines are
    // ignored).
    void Parse(const std::string& text);

    PasswordAnswer AskPassword(const std::string& path, bool wrongBefore, bool offerSkipAll,
                               CSecret& password) override;

private:
    struct Named {
        std::string path;
        CSecret password;
    };
    std::vector<const CSecret*> Candidates(const std::string& path) const;

    std::vector<Named> m_named;
    std::vector<CSecret> m_general;
    // The next candidate to hand out for each source asked about.
    std::map<std::string, size_t> m_nextTry;
};

// Takes "--password-file FILE" out of the options at the front of `args`
// into `file`. False when the option lacks its FILE.
bool TakePasswordFileOption(std::vector<std::string>& args, std::string& file);

// Loads `file` into `passwords` for the command's host and keeps the process
// out of core dumps from then on; reports an unreadable file on standard
// error. An empty `file` loads nothing and succeeds.
bool LoadPasswordFile(const std::string& file, CPasswordFile& passwords);

} // namespace quorvel::cli
