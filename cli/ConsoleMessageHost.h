#pragma once

#include "engine/MessageHost.h"

#include <cstdio>

namespace quorvel::cli {

// Message boxes for the command-line program: each one is printed as
// "caption: text" on one stream (standard error unless told otherwise); a
// line break inside the text is printed as it is. Nobody can answer, so a box
// with an OK button answers OK and a Yes/No box answers Yes, the answer that
// lets the work go on.
class CConsoleMessageHost : public IMessageHost {
public:
    explicit CConsoleMessageHost(std::FILE* stream = stderr) : m_stream(stream) {}

    MsgResult MessageBox(const std::string& text, const std::string& caption,
                         MsgButtons buttons = MsgButtons::Ok,
                         MsgIcon icon = MsgIcon::None) override;

    // How many boxes have been printed so far.
    int MessageCount() const { return m_nMessages; }

private:
    std::FILE* m_stream;
    int m_nMessages = 0;
};

} // namespace quorvel::cli
