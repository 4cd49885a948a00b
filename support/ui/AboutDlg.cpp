#include "support/ui/AboutDlg.h"

#include "support/BugReport.h"
#include "support/ui/LinkLabel.h"
#include "ui_AboutDlg.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>

namespace quorvel {

CAboutDlg::CAboutDlg(QWidget* parent, ISupportPrompt* prompt)
    : QDialog(parent), m_ui(std::make_unique<Ui::AboutDlg>()) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    QIcon icon = parent ? parent->windowIcon() : QApplication::windowIcon();
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_FileIcon);
    m_ui->iconLabel->setPixmap(icon.pixmap(32, 32));

    m_ui->websiteLink->AssignUrl(QString::fromLatin1(kMakerWebsiteUrl));
    m_ui->emailLink->AssignUrl(QStringLiteral("mailto:") +
                               QString::fromLatin1(kSupportEmailAddress));
    for (CLinkLabel* link : {m_ui->websiteLink, m_ui->emailLink}) {
        link->SetPrompt(prompt);
        link->EnableUnderline(true);
        link->Attach();
    }
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(sizeHint());
}

CAboutDlg::~CAboutDlg() = default;

CLinkLabel* CAboutDlg::WebsiteLink() const {
    return m_ui->websiteLink;
}

CLinkLabel* CAboutDlg::EmailLink() const {
    return m_ui->emailLink;
}

} // namespace quorvel
