#include "cli/ConsoleMessageHost.h"

namespace quorvel::cli {

MsgResult CConsoleMessageHost::MessageBox(const std::string& text, const std::string& caption,
                                          MsgButtons buttons, MsgIcon) {
    std::fprintf(m_stream, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(m_stream);
    ++m_nMessages;
    switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return MsgResult::Yes;
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
        break;
    }
    return MsgResult::Ok;
}

} // namespace quorvel::cli
