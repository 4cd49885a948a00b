#pragma once

#include <QString>
#include <QUrl>

#include <functional>

namespace quorvel {

// Opens a web address, "mailto:" address or local file with the desktop's
// program for it: QDesktopServices first, xdg-open when that refuses. Returns
// an open-link result code: above 32 on success, 31 (no program associated)
// when neither could start anything.
int OpenWithDesktop(const QString& target);

// Replaces what OpenWithDesktop does, for the whole process; an empty function
// restores the desktop. Tests use it so that nothing is really launched.
using DesktopOpenFn = std::function<int(const QString& target)>;
void SetDesktopOpener(DesktopOpenFn opener);

// The address or file URL that `target` stands for: a text with a scheme
// ("https:", "mailto:") is an address, anything else a local path.
QUrl DesktopUrlFor(const QString& target);

} // namespace quorvel
