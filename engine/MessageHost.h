#pragma once

#include <string>

namespace quorvel {

// The executable's file name without extension: the caption of application
// message boxes.
inline constexpr const char* kAppName = "quorvel";

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgResult { Ok, Cancel, Yes, No };

// Whoever runs engine code answers its message boxes: the windows show them,
// the command-line program prints them, tests record them.
class IMessageHost {
public:
    virtual ~IMessageHost() = default;
    virtual MsgResult MessageBox(const std::string& text, const std::string& caption,
                                 MsgButtons buttons = MsgButtons::Ok,
                                 MsgIcon icon = MsgIcon::None) = 0;
};

} // namespace quorvel
