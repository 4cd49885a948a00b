#include "support/ui/DesktopOpener.h"

#include "support/LinkMessages.h"

#include <QDesktopServices>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

namespace quorvel {

namespace {
DesktopOpenFn& Opener() {
    static DesktopOpenFn opener;
    return opener;
}
} // namespace

void SetDesktopOpener(DesktopOpenFn opener) {
    Opener() = std::move(opener);
}

QUrl DesktopUrlFor(const QString& target) {
    // A scheme is letters followed by a colon; a lone letter would be a drive,
    // which paths here never have, but a two-letter minimum keeps it unambiguous.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (scheme.match(target).hasMatch())
        return QUrl(target, QUrl::TolerantMode);
    return QUrl::fromLocalFile(target);
}

int OpenWithDesktop(const QString& target) {
    if (Opener())
        return Opener()(target);
    const QUrl url = DesktopUrlFor(target);
    if (url.isValid() && QDesktopServices::openUrl(url))
        return kOpenLinkSucceeded;
    const QString arg = url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded);
    if (QProcess::startDetached(QStringLiteral("xdg-open"), {arg}))
        return kOpenLinkSucceeded;
    return kOpenLinkNoAssociation;
}

} // namespace quorvel
