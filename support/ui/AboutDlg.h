#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class AboutDlg;
}

namespace quorvel {

class CLinkLabel;
class ISupportPrompt;

// The About box: program icon, name and version, a link to the web site and one
// that writes a mail to support.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr, ISupportPrompt* prompt = nullptr);
    ~CAboutDlg() override;

    CLinkLabel* WebsiteLink() const;
    CLinkLabel* EmailLink() const;

private:
    std::unique_ptr<Ui::AboutDlg> m_ui;
};

} // namespace quorvel
