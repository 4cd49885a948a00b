#include "app/ui/SplashDlg.h"

#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace quorvel {

CSplashDlg::CSplashDlg(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("splashDlg"));
    setProperty("controlId", 134);
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("splashPicture"));
    picture->setPixmap(QPixmap(QStringLiteral(":/splash.png")));
    picture->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture);
    setFixedSize(280, 280);

    m_closeTimer.setSingleShot(true);
    m_closeTimer.setInterval(kShowMilliseconds);
    connect(&m_closeTimer, &QTimer::timeout, this, [this] { done(QDialog::Accepted); });
    m_closeTimer.start();
}

} // namespace quorvel
