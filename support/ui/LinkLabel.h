#pragma once

#include <QColor>
#include <QLabel>

namespace quorvel {

class ISupportPrompt;

// Show command passed to OpenLink; kept for callers that name one, the desktop
// decides how the opened program shows itself.
inline constexpr int kShowNormal = 1;
inline constexpr int kShow = 5;

// A label that looks and acts like a web link: coloured, underlined, a hand
// cursor and the address as tooltip; a click opens the address and, when that
// worked, draws the link in the visited colour.
class CLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit CLinkLabel(QWidget* parent = nullptr);

    // Takes the label's text as the address when none was assigned, shows the
    // address as text when the label has none, applies the underline setting
    // and fits the label to its text. Call once after the form is set up.
    void Attach();

    void AssignUrl(const QString& url);
    QString Url() const { return m_strUrl; }
    void EnableUnderline(bool underline);
    void MarkVisited(bool visited);
    bool IsVisited() const { return m_bVisited; }
    bool IsOverControl() const { return m_bOverControl; }

    // The colour the text is drawn in now: hover, else visited, else link.
    QColor CurrentColor() const;
    QColor LinkColor() const { return m_crLink; }
    QColor VisitedColor() const { return m_crVisited; }
    QColor HoverColor() const { return m_crHover; }

    // Opens `url` with the desktop; above 32 means success.
    static int OpenLink(const QString& url, int showCommand = kShow);
    // Shows "Unable to open hyperlink:" with the text for `code`.
    void ReportOpenFailure(int code);

    // Who shows the failure message; the real message box unless set.
    void SetPrompt(ISupportPrompt* prompt) { m_pPrompt = prompt; }

    // What a click does: open, then mark visited or beep and report.
    void OnClicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetOverControl(bool over);
    void ApplyColor();
    void ApplyFont();
    void FitToText();

    QString m_strUrl;
    QColor m_crLink{100, 10, 14};
    QColor m_crVisited{200, 200, 200};
    QColor m_crHover;
    bool m_bOverControl = false;
    bool m_bVisited = false;
    bool m_bUnderline = true;
    bool m_bAdjustToFit = true;
    ISupportPrompt* m_pPrompt = nullptr;
};

} // namespace quorvel
