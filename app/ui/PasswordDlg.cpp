#include "app/ui/PasswordDlg.h"

#include "ui_PasswordDlg.h"

namespace quorvel {

namespace {

// Results of exec() besides Accepted (OK) and Rejected (Skip, Esc).
constexpr int kSkipAllResult = 2;

} // namespace

CPasswordDlg::CPasswordDlg(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::PasswordDlg>()) {
    m_ui->setupUi(this);
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->skipButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->skipAllButton, &QPushButton::clicked, this, [this] { done(kSkipAllResult); });
}

CPasswordDlg::~CPasswordDlg() = default;

PasswordAnswer CPasswordDlg::Ask(const std::string& path, bool wrongBefore, bool offerSkipAll,
                                 CSecret& password) {
    m_ui->fileLabel->setText(QString::fromStdString(path));
    m_ui->wrongLabel->setVisible(wrongBefore);
    m_ui->skipAllButton->setVisible(offerSkipAll);
    m_ui->passwordEdit->setText(QString());
    m_ui->passwordEdit->setFocus();
    adjustSize();
    const int result = exec();
    password.Clear();
    if (result == QDialog::Accepted)
        TakePassword(password);
    m_ui->passwordEdit->setText(QString());
    if (result == QDialog::Accepted)
        return PasswordAnswer::Ok;
    return result == kSkipAllResult ? PasswordAnswer::SkipAll : PasswordAnswer::Skip;
}

void CPasswordDlg::TakePassword(CSecret& password) {
    QString typed = m_ui->passwordEdit->text();
    // Once the field lets go of its text, `typed` is the only holder of
    // those characters and can be overwritten in place. Setting the text
    // (unlike clear()) also drops the field's undo history, which holds the
    // typed characters.
    m_ui->passwordEdit->setText(QString());
    QByteArray utf8 = typed.toUtf8();
    password = CSecret(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
    WipeBytes(utf8.data(), static_cast<size_t>(utf8.size()));
    WipeBytes(typed.data(), static_cast<size_t>(typed.size()) * sizeof(QChar));
}

} // namespace quorvel
