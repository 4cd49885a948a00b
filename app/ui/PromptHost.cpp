#include "app/ui/PromptHost.h"

#include "bulk/ui/FolderChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace quorvel {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QMessageBox::StandardButtons ToButtons(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon ToIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

std::string RunFileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(nullptr, Q(request.title), QDir::currentPath());
    SetUpFileDialog(dialog, request, save);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front().toStdString();
}

} // namespace

void SetUpFileDialog(QFileDialog& dialog, const FileDialogRequest& request, bool save) {
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // The type list shows each entry's own text ("All Files *.*"), not Qt's
    // pattern suffix; the patterns still do the filtering.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(FileDialogFilters(request));
    dialog.setDefaultSuffix(Q(request.defaultExtension));
}

QStringList FileDialogFilters(const FileDialogRequest& request) {
    QStringList filters;
    for (const FileFilter& f : request.filters)
        filters << QStringLiteral("%1 (%2)").arg(Q(f.label), Q(f.patterns));
    return filters;
}

MsgResult CQtPromptHost::MessageBox(const std::string& text, const std::string& caption,
                                    MsgButtons buttons, MsgIcon icon) {
    QMessageBox box(ToIcon(icon), Q(caption), Q(text), ToButtons(buttons), m_pOwner.data());
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    default:
        return MsgResult::Ok;
    }
}

std::string CQtPromptHost::ChooseOpenFile(const FileDialogRequest& request) {
    return RunFileDialog(request, false);
}

std::string CQtPromptHost::ChooseSaveFile(const FileDialogRequest& request) {
    return RunFileDialog(request, true);
}

std::string CQtPromptHost::ChooseFolder(const std::string& caption, const std::string& instruction,
                                        const std::string& initialFolder) {
    CFolderChooser chooser(caption.c_str(), instruction.c_str(), initialFolder.c_str(),
                           m_pOwner.data(), *this);
    return chooser.ChooseFolder() == 1 ? chooser.GetPath() : std::string();
}

} // namespace quorvel
