#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class AcrobatConnectDlg;
}

namespace quorvel {

// The modeless "Acrobat Connection" notice shown while the append run
// connects to the document server.
class CAcrobatConnectDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAcrobatConnectDlg(QWidget* owner);
    ~CAcrobatConnectDlg() override;

    // Shows the notice centred over its owner and paints it at once, since
    // the connection blocks the event loop.
    void ShowNow();

private:
    std::unique_ptr<Ui::AcrobatConnectDlg> m_ui;
};

} // namespace quorvel
