#pragma once

// The helper process's side: executes requests against an automation factory and
// keeps the table of handles it handed out. Run() serves one connection until
// the window process closes it; Handle() serves a single request and is what
// Run() calls for each frame.

#include "docserver/DocServerProtocol.h"
#include "engine/Automation.h"
#include "engine/SourcePasswords.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

namespace quorvel {

// Counts the pages of a file with the PDF library (0: no count).
using DocPageCounter = std::function<int32_t(const std::string& path)>;

class CDocServerLoop {
public:
    // `probe` may be empty: page-count requests then answer 0.
    CDocServerLoop(std::shared_ptr<IAutomationFactory> factory, DocPageCounter probe);

    // Serves requests read from `fd` until the peer closes it or sends a frame
    // that does not decode. Returns the process exit code (0 on orderly close).
    int Run(int fd);

    // The reply for one request; a Release request answers nothing (nullopt).
    // A page-count batch has one reply per path: Serve gives them.
    std::optional<DocReply> Handle(const DocRequest& request);

    // Serves one request of any kind, passing every reply to `send` as soon as
    // it is ready; stops early when `send` returns false (the peer is gone).
    void Serve(const DocRequest& request, const std::function<bool(const DocReply&)>& send);

    size_t HandleCount() const { return m_objects.size(); }

    // Answers page-count requests that carry a password; without it they are
    // answered by the plain probe, as if no password had been given.
    void SetPasswordProbe(PdfProber probe) { m_passwordProbe = std::move(probe); }

private:
    DocReply Call(const DocRequest& request);
    DocReply ProbeOne(const DocValue& path);
    DocReply ObjectReply(std::shared_ptr<IAcroObject> object);
    DocReply ProbeWithPassword(const DocRequest& request);
    // From the first password on, this process holds passwords inside the
    // libraries: it leaves no core dump.
    void HoldingPasswords();
    template <class T> std::shared_ptr<T> ArgObject(const DocRequest& request, size_t index);

    std::shared_ptr<IAutomationFactory> m_factory;
    DocPageCounter m_probe;
    PdfProber m_passwordProbe;
    bool m_bHoldsPasswords = false;
    struct Entry {
        std::shared_ptr<IAcroObject> object;
        DocObjectKind kind = DocObjectKind::None;
    };
    std::unordered_map<uint32_t, Entry> m_objects;
    uint32_t m_nNextHandle = 1;
};

} // namespace quorvel
