#include "support/ui/LinkLabel.h"

#include "engine/MessageHost.h"
#include "support/LinkMessages.h"
#include "support/ui/DesktopOpener.h"
#include "support/ui/QtSupportPrompt.h"

#include <QApplication>
#include <QMouseEvent>

namespace quorvel {

CLinkLabel::CLinkLabel(QWidget* parent) : QLabel(parent) {
    m_crHover = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    // Plain text only: an address must never be taken for markup.
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(false);
    ApplyColor();
}

void CLinkLabel::Attach() {
    if (m_strUrl.isEmpty())
        m_strUrl = text();
    if (text().isEmpty())
        setText(m_strUrl);
    ApplyFont();
    setToolTip(m_strUrl);
    FitToText();
}

void CLinkLabel::AssignUrl(const QString& url) {
    m_strUrl = url;
    if (text().isEmpty())
        setText(url);
    FitToText();
    setToolTip(url);
}

void CLinkLabel::EnableUnderline(bool underline) {
    m_bUnderline = underline;
    ApplyFont();
    update();
}

void CLinkLabel::MarkVisited(bool visited) {
    m_bVisited = visited;
    ApplyColor();
}

QColor CLinkLabel::CurrentColor() const {
    if (m_bOverControl)
        return m_crHover;
    return m_bVisited ? m_crVisited : m_crLink;
}

int CLinkLabel::OpenLink(const QString& url, int /*showCommand*/) {
    return OpenWithDesktop(url);
}

void CLinkLabel::ReportOpenFailure(int code) {
    ISupportPrompt& prompt = m_pPrompt ? *m_pPrompt : DefaultSupportPrompt();
    prompt.MessageBox(OpenFailureMessage(code), kAppName, MsgButtons::Ok, MsgIcon::Warning);
}

void CLinkLabel::OnClicked() {
    int result = OpenLink(m_strUrl, kShow);
    if (result > kOpenLinkFailureLimit) {
        MarkVisited(true);
    } else {
        QApplication::beep();
        ReportOpenFailure(result);
    }
}

void CLinkLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    SetOverControl(true);
}

void CLinkLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    SetOverControl(false);
}

void CLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        OnClicked();
}

void CLinkLabel::SetOverControl(bool over) {
    if (m_bOverControl == over)
        return;
    m_bOverControl = over;
    ApplyColor();
    repaint();
}

void CLinkLabel::ApplyColor() {
    QPalette pal = palette();
    const QColor color = CurrentColor();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::WindowText, color);
    setPalette(pal);
    update();
}

void CLinkLabel::ApplyFont() {
    QFont f = font();
    f.setUnderline(m_bUnderline);
    setFont(f);
    FitToText();
}

void CLinkLabel::FitToText() {
    if (!m_bAdjustToFit)
        return;
    // Only the text is a link: the label takes exactly its text's size, so a
    // click beside the text does nothing.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
    updateGeometry();
}

} // namespace quorvel
