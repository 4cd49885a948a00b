#include "docserver/DocServerLoop.h"

#include "docserver/DocFrameIo.h"
#include "engine/Secret.h"

#include <exception>

namespace quorvel {

namespace {

DocReply IntReply(int32_t n) {
    DocReply r;
    r.kind = DocReplyKind::Int;
    r.number = n;
    return r;
}

DocReply FailureReply(std::string why) {
    DocReply r;
    r.kind = DocReplyKind::Failure;
    r.text = std::move(why);
    return r;
}

DocObjectKind KindOf(const std::shared_ptr<IAcroObject>& object) {
    IAcroObject* p = object.get();
    if (dynamic_cast<IAcroPDDoc*>(p)) {
        return DocObjectKind::PDDoc;
    }
    if (dynamic_cast<IAcroAVDoc*>(p)) {
        return DocObjectKind::AVDoc;
    }
    if (dynamic_cast<IAcroApp*>(p)) {
        return DocObjectKind::App;
    }
    if (dynamic_cast<IAcroPDBookmark*>(p)) {
        return DocObjectKind::PDBookmark;
    }
    if (dynamic_cast<IAcroAVPageView*>(p)) {
        return DocObjectKind::AVPageView;
    }
    return DocObjectKind::None;
}

// Checks that the arguments have exactly the given types.
bool ArgsAre(const DocRequest& request, std::initializer_list<DocValueType> types) {
    if (request.args.size() != types.size()) {
        return false;
    }
    size_t i = 0;
    for (DocValueType t : types) {
        if (request.args[i++].type != t) {
            return false;
        }
    }
    return true;
}

constexpr auto kInt = DocValueType::Int;
constexpr auto kText = DocValueType::Text;
constexpr auto kObject = DocValueType::Object;

} // namespace

CDocServerLoop::CDocServerLoop(std::shared_ptr<IAutomationFactory> factory, DocPageCounter probe)
    : m_factory(std::move(factory)), m_probe(std::move(probe)) {}

int CDocServerLoop::Run(int fd) {
    std::string payload;
    for (;;) {
        DocIoResult r = ReadDocFrame(fd, payload, -1);
        if (r == DocIoResult::Closed) {
            return 0;
        }
        if (r != DocIoResult::Ok) {
            return 2;
        }
        std::optional<DocRequest> request = DecodeDocRequest(payload);
        if (!request) {
            return 2;
        }
        bool peerGone = false;
        Serve(*request, [&](const DocReply& reply) {
            peerGone = WriteDocFrame(fd, EncodeDocReply(reply), -1) != DocIoResult::Ok;
            return !peerGone;
        });
        if (CarriesPassword(*request)) {
            WipePassword(*request);
            WipeString(payload);
        }
        if (peerGone) {
            return 0; // the window process went away while we worked
        }
    }
}

void CDocServerLoop::Serve(const DocRequest& request,
                           const std::function<bool(const DocReply&)>& send) {
    if (request.op != DocOp::ProbePageCounts) {
        if (std::optional<DocReply> reply = Handle(request)) {
            send(*reply);
        }
        return;
    }
    // Each count goes out as soon as it is known, so that a file that ends
    // this process costs the client that one count only.
    for (const DocValue& path : request.args) {
        if (!send(ProbeOne(path))) {
            return;
        }
    }
}

DocReply CDocServerLoop::ProbeOne(const DocValue& path) {
    if (path.type != DocValueType::Text || !m_probe) {
        return IntReply(0);
    }
    try {
        return IntReply(m_probe(path.text));
    } catch (...) {
        return IntReply(0); // a probe that throws has no count
    }
}

void CDocServerLoop::HoldingPasswords() {
    if (!m_bHoldsPasswords) {
        KeepProcessOutOfCoreDumps();
        m_bHoldsPasswords = true;
    }
}

DocReply CDocServerLoop::ProbeWithPassword(const DocRequest& request) {
    const std::string& path = request.args[0].text;
    const std::string& password = request.args[1].text;
    if (!m_passwordProbe) {
        return IntReply(m_probe ? m_probe(path) : 0);
    }
    if (!password.empty()) {
        HoldingPasswords();
    }
    const PdfProbeResult result = m_passwordProbe(path, password);
    return IntReply(result.locked ? kDocProbeLocked : result.pages);
}

DocReply CDocServerLoop::ObjectReply(std::shared_ptr<IAcroObject> object) {
    DocReply r;
    r.kind = DocReplyKind::Object;
    DocObjectKind kind = object ? KindOf(object) : DocObjectKind::None;
    if (kind == DocObjectKind::None) {
        return r; // null, or an object the protocol cannot name: the caller sees null
    }
    uint32_t handle = m_nNextHandle++;
    if (m_nNextHandle == 0) {
        m_nNextHandle = 1;
    }
    m_objects[handle] = Entry{std::move(object), kind};
    r.handle = handle;
    r.objectKind = kind;
    return r;
}

template <class T>
std::shared_ptr<T> CDocServerLoop::ArgObject(const DocRequest& request, size_t index) {
    auto it = m_objects.find(request.args[index].handle);
    if (it == m_objects.end()) {
        return nullptr;
    }
    return std::dynamic_pointer_cast<T>(it->second.object);
}

std::optional<DocReply> CDocServerLoop::Handle(const DocRequest& request) {
    try {
        switch (request.op) {
        case DocOp::CreateObject:
            if (!ArgsAre(request, {kText}) || !m_factory) {
                return ObjectReply(nullptr);
            }
            return ObjectReply(m_factory->CreateObject(request.args[0].text));
        case DocOp::Release:
            m_objects.erase(request.handle);
            return std::nullopt;
        case DocOp::ProbePageCount:
            if (ArgsAre(request, {kText, kText})) {
                return ProbeWithPassword(request);
            }
            if (!ArgsAre(request, {kText}) || !m_probe) {
                return IntReply(0);
            }
            return IntReply(m_probe(request.args[0].text));
        case DocOp::SetPassword:
            if (!ArgsAre(request, {kText, kText}) || !m_factory) {
                return IntReply(0);
            }
            HoldingPasswords();
            m_factory->SetPassword(request.args[0].text, CSecret(request.args[1].text));
            return IntReply(1);
        case DocOp::ProbePageCounts:
            return FailureReply("a page-count batch is served by Serve");
        case DocOp::Call:
            return Call(request);
        case DocOp::Ping:
            return IntReply(0);
        }
        return FailureReply("unknown operation");
    } catch (const AutomationException& e) {
        DocReply r;
        r.kind = DocReplyKind::Exception;
        r.text = e.what();
        return r;
    } catch (const std::exception& e) {
        // Only automation exceptions are part of the interface; anything else is
        // a failed call, not a reason to lose every open document.
        return FailureReply(e.what());
    } catch (...) {
        return FailureReply("unknown exception");
    }
}

DocReply CDocServerLoop::Call(const DocRequest& request) {
    auto it = m_objects.find(request.handle);
    if (it == m_objects.end()) {
        return FailureReply("unknown handle");
    }
    // Keep the object alive for the call even if a callee drops other references.
    std::shared_ptr<IAcroObject> object = it->second.object;
    const auto& a = request.args;
    switch (it->second.kind) {
    case DocObjectKind::App: {
        auto app = std::dynamic_pointer_cast<IAcroApp>(object);
        if (request.method == DocMethod::AppExit && ArgsAre(request, {})) {
            return IntReply(app->Exit());
        }
        if (request.method == DocMethod::AppCloseAllDocs && ArgsAre(request, {})) {
            return IntReply(app->CloseAllDocs());
        }
        if (request.method == DocMethod::AppMenuItemExecute && ArgsAre(request, {kText})) {
            return IntReply(app->MenuItemExecute(a[0].text));
        }
        break;
    }
    case DocObjectKind::PDDoc: {
        auto doc = std::dynamic_pointer_cast<IAcroPDDoc>(object);
        switch (request.method) {
        case DocMethod::PDDocOpen:
            if (ArgsAre(request, {kText})) {
                return IntReply(doc->Open(a[0].text));
            }
            break;
        case DocMethod::PDDocClose:
            if (ArgsAre(request, {})) {
                return IntReply(doc->Close());
            }
            break;
        case DocMethod::PDDocInsertPages:
            if (ArgsAre(request, {kInt, kObject, kInt, kInt, kInt})) {
                return IntReply(doc->InsertPages(a[0].number, ArgObject<IAcroPDDoc>(request, 1),
                                                 a[2].number, a[3].number, a[4].number));
            }
            break;
        case DocMethod::PDDocGetNumPages:
            if (ArgsAre(request, {})) {
                return IntReply(doc->GetNumPages());
            }
            break;
        case DocMethod::PDDocCreate:
            if (ArgsAre(request, {})) {
                return IntReply(doc->Create());
            }
            break;
        case DocMethod::PDDocOpenAVDoc:
            if (ArgsAre(request, {kText})) {
                return ObjectReply(doc->OpenAVDoc(a[0].text));
            }
            break;
        case DocMethod::PDDocSave:
            if (ArgsAre(request, {kInt, kText})) {
                return IntReply(doc->Save(static_cast<int16_t>(a[0].number), a[1].text));
            }
            break;
        }
        break;
    }
    case DocObjectKind::AVDoc: {
        auto view = std::dynamic_pointer_cast<IAcroAVDoc>(object);
        switch (request.method) {
        case DocMethod::AVDocOpen:
            if (ArgsAre(request, {kText, kText})) {
                return IntReply(view->Open(a[0].text, a[1].text));
            }
            break;
        case DocMethod::AVDocGetPDDoc:
            if (ArgsAre(request, {})) {
                return ObjectReply(view->GetPDDoc());
            }
            break;
        case DocMethod::AVDocGetAVPageView:
            if (ArgsAre(request, {})) {
                return ObjectReply(view->GetAVPageView());
            }
            break;
        case DocMethod::AVDocClose:
            if (ArgsAre(request, {kInt})) {
                return IntReply(view->Close(a[0].number));
            }
            break;
        }
        break;
    }
    case DocObjectKind::AVPageView: {
        auto pageView = std::dynamic_pointer_cast<IAcroAVPageView>(object);
        if (request.method == DocMethod::AVPageViewGoTo && ArgsAre(request, {kInt})) {
            return IntReply(pageView->GoTo(a[0].number));
        }
        break;
    }
    case DocObjectKind::PDBookmark: {
        auto mark = std::dynamic_pointer_cast<IAcroPDBookmark>(object);
        if (request.method == DocMethod::PDBookmarkGetByTitle &&
            ArgsAre(request, {kObject, kText})) {
            return IntReply(mark->GetByTitle(ArgObject<IAcroPDDoc>(request, 0), a[1].text));
        }
        if (request.method == DocMethod::PDBookmarkSetTitle && ArgsAre(request, {kText})) {
            return IntReply(mark->SetTitle(a[0].text));
        }
        break;
    }
    case DocObjectKind::None:
        break;
    }
    return FailureReply("unknown method or arguments");
}

} // namespace quorvel
