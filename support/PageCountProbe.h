#pragma once

// The page count of a source file: first from the PDF library, then, when the
// library gives no positive count, from the document server.

#include "engine/Automation.h"
#include "engine/ConnectionHost.h"
#include "engine/MessageHost.h"

#include <string>
#include <string_view>

namespace quorvel {

// What the PDF library makes of a file opened with one password.
struct PdfProbeResult {
    int pages = 0;       // the page count, 0 when there is none
    bool locked = false; // the file needs a password and this one is not it
};

// Opens `path` in the PDF library with `password` (empty: none; a user or an
// owner password) and takes its page count. The same tests as
// ProbePdfPageCount; a file that still needs a password is reported locked.
// Shows nothing; never throws.
PdfProbeResult ProbePdf(const std::string& path, std::string_view password);

// The page count from the PDF library, or 0: for an empty path, a file that
// cannot be read, a file whose first 4 bytes are not "%PDF", a file the
// library rejects (damaged beyond repair, needs a password) and a file without
// pages. Shows nothing; never throws.
int ProbePdfPageCount(const std::string& path);

// The page count from the document server: shows the "Acrobat Connection"
// dialog while the application object is being created, opens the file in a
// view, asks for its page count and closes it again. Returns the count, -1
// when the server cannot tell it, or 0 after reporting a failure through the
// host. A null factory counts as a server that cannot be reached.
int CountPagesWithAcrobat(const std::string& path, IAutomationFactory* factory,
                          IConnectionHost& host);

// ProbePdfPageCount, and CountPagesWithAcrobat when that gives less than 1;
// the result of the last one called.
int GetPageCount(const std::string& path, IAutomationFactory* factory, IConnectionHost& host);

// Forwards messages to a host that has no window: nothing to pump or show.
class CWindowlessConnectionHost : public IConnectionHost {
public:
    explicit CWindowlessConnectionHost(IMessageHost& host) : m_host(host) {}
    MsgResult MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                         MsgIcon icon) override {
        return m_host.MessageBox(text, caption, buttons, icon);
    }
    void PumpOneMessage() override {}
    void ShowConnectDialog() override {}
    void CloseConnectDialog() override {}

private:
    IMessageHost& m_host;
};

// The same for callers without a window: no connection dialog, no pump.
int GetPageCount(const std::string& path, IAutomationFactory* factory, IMessageHost& host);

} // namespace quorvel
