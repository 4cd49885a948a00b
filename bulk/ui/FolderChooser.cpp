#include "bulk/ui/FolderChooser.h"

#include "bulk/FolderValidation.h"

#include "ui_FolderChooser.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QPushButton>

namespace quorvel {

CFolderChooser::CFolderChooser(const char* caption, const char* title, const char* initialFolder,
                               QWidget* parent, IMessageHost& messages)
    : QDialog(parent), m_ui(std::make_unique<Ui::FolderChooser>()), m_messages(messages) {
    m_ui->setupUi(this);
    if (caption)
        setWindowTitle(QString::fromUtf8(caption));
    m_ui->instructionLabel->setText(QString::fromUtf8(title ? title : ""));

    m_pModel = new QFileSystemModel(this);
    m_pModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    m_pModel->setRootPath(QStringLiteral("/"));
    m_ui->folderTree->setModel(m_pModel);
    for (int column = 1; column < m_pModel->columnCount(); ++column)
        m_ui->folderTree->hideColumn(column);
    m_ui->folderTree->setHeaderHidden(true);

    connect(m_ui->okButton, &QPushButton::clicked, this, &CFolderChooser::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->folderTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { OnSelectionChanged(); });
    connect(m_ui->pathEdit, &QLineEdit::textEdited, this, &CFolderChooser::OnEditChanged);

    const QString initial = initialFolder ? QString::fromUtf8(initialFolder) : QDir::currentPath();
    const QFileInfo info(initial);
    if (!initial.isEmpty() && info.isDir()) {
        const QModelIndex index = m_pModel->index(info.absoluteFilePath());
        m_ui->folderTree->setCurrentIndex(index);
        m_ui->folderTree->scrollTo(index);
    }
    // A folder that does not exist yet (one the user agreed to create
    // earlier) is still shown, so that OK keeps it.
    if (m_ui->pathEdit->text().isEmpty())
        m_ui->pathEdit->setText(initial);
    m_ui->okButton->setEnabled(!m_ui->pathEdit->text().isEmpty());
    m_ui->pathEdit->setFocus();
}

CFolderChooser::~CFolderChooser() = default;

int CFolderChooser::ChooseFolder() {
    m_bAccepted = false;
    exec();
    return m_bAccepted ? 1 : -1;
}

void CFolderChooser::OnSelectionChanged() {
    const QModelIndex index = m_ui->folderTree->currentIndex();
    const QString path = index.isValid() ? m_pModel->filePath(index) : QString();
    m_ui->pathEdit->setText(path);
    m_ui->okButton->setEnabled(!path.isEmpty());
}

void CFolderChooser::OnEditChanged(const QString& text) {
    m_ui->okButton->setEnabled(!text.isEmpty());
}

void CFolderChooser::accept() {
    if (!m_ui->okButton->isEnabled())
        return;
    const std::string path = m_ui->pathEdit->text().toStdString();
    if (ValidateFolder(path, m_messages) != 0) {
        m_ui->pathEdit->setFocus();
        return;
    }
    m_strPath = path;
    m_bAccepted = true;
    QDialog::accept();
}

} // namespace quorvel
