#include "app/ui/AcrobatConnectDlg.h"

#include "ui_AcrobatConnectDlg.h"

#include <QCoreApplication>

namespace quorvel {

CAcrobatConnectDlg::CAcrobatConnectDlg(QWidget* owner)
    : QDialog(owner), m_ui(std::make_unique<Ui::AcrobatConnectDlg>()) {
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("acrobatConnectDlg"));
    setModal(false);
}

CAcrobatConnectDlg::~CAcrobatConnectDlg() = default;

void CAcrobatConnectDlg::ShowNow() {
    adjustSize();
    if (QWidget* owner = parentWidget()) {
        const QRect frame = owner->frameGeometry();
        move(frame.center() - rect().center());
    }
    show();
    raise();
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace quorvel
