#include "docserver/DocServerLoop.h"
#include "docserver/FakeDocuments.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include <sys/prctl.h>

namespace quorvel {
namespace {

// The helper's dispatch, run in this process against the scripted documents.
class DocServerLoopTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFakeDocuments(); }
    void TearDown() override { ResetFakeDocuments(); }
    DocReply Send(DocRequest request) {
        std::optional<DocReply> reply = m_loop.Handle(request);
        EXPECT_TRUE(reply.has_value());
        return reply.value_or(DocReply{});
    }
    uint32_t Create(const char* progId) {
        DocReply r = Send({DocOp::CreateObject, 0, 0, {DocValue::Text(progId)}});
        EXPECT_EQ(r.kind, DocReplyKind::Object);
        return r.handle;
    }
    DocReply CallOn(uint32_t handle, uint8_t method, std::vector<DocValue> args = {}) {
        return Send({DocOp::Call, handle, method, std::move(args)});
    }

    CDocServerLoop m_loop{CreateFakeDocumentFactory(), FakePageCount};
};

TEST_F(DocServerLoopTest, CreatedObjectsCarryTheirKind) {
    const std::pair<const char*, DocObjectKind> table[] = {
        {kProgIdApp, DocObjectKind::App},
        {kProgIdPDDoc, DocObjectKind::PDDoc},
        {kProgIdAVDoc, DocObjectKind::AVDoc},
        {kProgIdPDBookmark, DocObjectKind::PDBookmark},
    };
    for (auto [progId, kind] : table) {
        DocReply r = Send({DocOp::CreateObject, 0, 0, {DocValue::Text(progId)}});
        EXPECT_EQ(r.objectKind, kind) << progId;
        EXPECT_NE(r.handle, 0u);
    }
    DocReply unknown = Send({DocOp::CreateObject, 0, 0, {DocValue::Text("Nope.App")}});
    EXPECT_EQ(unknown.kind, DocReplyKind::Object);
    EXPECT_EQ(unknown.handle, 0u);
    EXPECT_EQ(m_loop.HandleCount(), 4u);
}

TEST_F(DocServerLoopTest, ObjectArgumentsResolveToTheSameObjects) {
    uint32_t target = Create(kProgIdPDDoc);
    uint32_t source = Create(kProgIdPDDoc);
    EXPECT_EQ(CallOn(target, DocMethod::PDDocCreate).number, 1);
    EXPECT_EQ(CallOn(source, DocMethod::PDDocOpen, {DocValue::Text("/fake/5")}).number, 1);
    DocReply inserted = CallOn(target, DocMethod::PDDocInsertPages,
                               {DocValue::Int(-1), DocValue::Object(source), DocValue::Int(1),
                                DocValue::Int(3), DocValue::Int(0)});
    EXPECT_EQ(inserted.number, 1);
    EXPECT_EQ(CallOn(target, DocMethod::PDDocGetNumPages).number, 3);
    // An unknown handle as argument arrives as a null object.
    DocReply nullSource = CallOn(target, DocMethod::PDDocInsertPages,
                                 {DocValue::Int(-1), DocValue::Object(999), DocValue::Int(0),
                                  DocValue::Int(1), DocValue::Int(0)});
    EXPECT_EQ(nullSource.kind, DocReplyKind::Int);
    EXPECT_EQ(nullSource.number, 0);
}

TEST_F(DocServerLoopTest, BadRequestsFailWithoutTouchingObjects) {
    uint32_t doc = Create(kProgIdPDDoc);
    uint32_t app = Create(kProgIdApp);
    const DocRequest table[] = {
        {DocOp::Call, 12345, DocMethod::PDDocGetNumPages, {}},               // unknown handle
        {DocOp::Call, doc, 99, {}},                                          // unknown method
        {DocOp::Call, doc, DocMethod::PDDocOpen, {}},                        // missing argument
        {DocOp::Call, doc, DocMethod::PDDocOpen, {DocValue::Int(1)}},        // wrong type
        {DocOp::Call, doc, DocMethod::PDDocGetNumPages, {DocValue::Int(1)}}, // extra argument
        {DocOp::Call, app, DocMethod::PDDocSave, {DocValue::Int(1), DocValue::Text("x")}},
    };
    for (const DocRequest& request : table) {
        EXPECT_EQ(Send(request).kind, DocReplyKind::Failure)
            << int(request.method) << " on " << request.handle;
    }
    EXPECT_EQ(m_loop.HandleCount(), 2u);
}

TEST_F(DocServerLoopTest, ExceptionsBecomeReplies) {
    uint32_t app = Create(kProgIdApp);
    uint32_t doc = Create(kProgIdPDDoc);
    EXPECT_EQ(CallOn(doc, DocMethod::PDDocCreate).number, 1);
    CallOn(app, DocMethod::AppMenuItemExecute, {DocValue::Text("FailCreate")});
    DocReply automation = CallOn(doc, DocMethod::PDDocCreate);
    EXPECT_EQ(automation.kind, DocReplyKind::Exception);
    EXPECT_EQ(automation.text, "Cannot create a new document");
    // Any other exception is a failed call, not an automation exception.
    DocReply other = CallOn(app, DocMethod::AppMenuItemExecute, {DocValue::Text("ThrowOther")});
    EXPECT_EQ(other.kind, DocReplyKind::Failure);
}

TEST_F(DocServerLoopTest, ReleaseDropsTheObjectAndAnswersNothing) {
    int before = FakeLiveObjects();
    uint32_t doc = Create(kProgIdPDDoc);
    EXPECT_EQ(FakeLiveObjects(), before + 1);
    EXPECT_FALSE(m_loop.Handle({DocOp::Release, doc, 0, {}}).has_value());
    EXPECT_EQ(FakeLiveObjects(), before);
    EXPECT_EQ(CallOn(doc, DocMethod::PDDocGetNumPages).kind, DocReplyKind::Failure);
    // Releasing twice, or a handle never given out, is harmless.
    EXPECT_FALSE(m_loop.Handle({DocOp::Release, doc, 0, {}}).has_value());
    EXPECT_FALSE(m_loop.Handle({DocOp::Release, 777, 0, {}}).has_value());
}

TEST_F(DocServerLoopTest, ViewsAndTheirDocumentsGetTheirOwnHandles) {
    uint32_t view = Create(kProgIdAVDoc);
    EXPECT_EQ(CallOn(view, DocMethod::AVDocGetPDDoc).handle, 0u); // nothing open yet
    EXPECT_EQ(
        CallOn(view, DocMethod::AVDocOpen, {DocValue::Text("/fake/4"), DocValue::Text("")}).number,
        1);
    DocReply doc = CallOn(view, DocMethod::AVDocGetPDDoc);
    ASSERT_EQ(doc.objectKind, DocObjectKind::PDDoc);
    EXPECT_EQ(CallOn(doc.handle, DocMethod::PDDocGetNumPages).number, 4);
    DocReply pageView = CallOn(view, DocMethod::AVDocGetAVPageView);
    ASSERT_EQ(pageView.objectKind, DocObjectKind::AVPageView);
    EXPECT_EQ(CallOn(pageView.handle, DocMethod::AVPageViewGoTo, {DocValue::Int(3)}).number, 3);
    // The document outlives the view's release: the handle holds it.
    m_loop.Handle({DocOp::Release, view, 0, {}});
    EXPECT_EQ(CallOn(doc.handle, DocMethod::PDDocGetNumPages).number, 4);
}

// A page-count batch answers once per path, in order, and stops as soon as the
// peer is gone.
TEST(DocServerLoop, PageCountBatchesAnswerOncePerPath) {
    CDocServerLoop loop(nullptr, [](const std::string& path) -> int32_t {
        if (path == "throws")
            throw std::runtime_error("broken");
        return static_cast<int32_t>(path.size());
    });
    const DocRequest batch{
        DocOp::ProbePageCounts,
        0,
        0,
        {DocValue::Text("abc"), DocValue::Int(9), DocValue::Text("throws"), DocValue::Text("")}};
    std::vector<DocReply> replies;
    loop.Serve(batch, [&](const DocReply& r) {
        replies.push_back(r);
        return true;
    });
    ASSERT_EQ(replies.size(), 4u);
    const int32_t expected[] = {3, 0, 0, 0};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(replies[i].kind, DocReplyKind::Int) << i;
        EXPECT_EQ(replies[i].number, expected[i]) << i;
    }
    int sent = 0;
    loop.Serve(batch, [&](const DocReply&) { return ++sent < 2; });
    EXPECT_EQ(sent, 2);
    // Other requests go through Serve with their single reply, a release with none.
    replies.clear();
    loop.Serve({DocOp::ProbePageCount, 0, 0, {DocValue::Text("ab")}}, [&](const DocReply& r) {
        replies.push_back(r);
        return true;
    });
    loop.Serve({DocOp::Release, 5, 0, {}}, [&](const DocReply& r) {
        replies.push_back(r);
        return true;
    });
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].number, 2);
}

TEST(DocServerLoop, WithoutProbeOrFactoryEverythingAnswersEmpty) {
    CDocServerLoop loop(nullptr, nullptr);
    auto probe = loop.Handle({DocOp::ProbePageCount, 0, 0, {DocValue::Text("/fake/3")}});
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->kind, DocReplyKind::Int);
    EXPECT_EQ(probe->number, 0);
    auto created = loop.Handle({DocOp::CreateObject, 0, 0, {DocValue::Text(kProgIdApp)}});
    ASSERT_TRUE(created);
    EXPECT_EQ(created->handle, 0u);
}

// Requests with a password reach the factory and the password probe; the
// helper leaves no core dump from then on, and only those requests count as
// carrying a password to be wiped.
TEST(DocServerLoop, PasswordsReachTheServerAndTheProbe) {
    struct CFactory : IAutomationFactory {
        std::shared_ptr<IAcroObject> CreateObject(const std::string&) override { return nullptr; }
        void SetPassword(const std::string& path, const CSecret& password) override {
            given = path + "=" + std::string(password.View());
        }
        std::string given;
    };
    auto factory = std::make_shared<CFactory>();
    CDocServerLoop loop(factory, [](const std::string&) { return int32_t{7}; });
    loop.SetPasswordProbe([](const std::string& path, std::string_view password) {
        PdfProbeResult result;
        result.locked = password != "right";
        result.pages = result.locked ? 0 : static_cast<int>(path.size());
        return result;
    });
    DocRequest set{DocOp::SetPassword, 0, 0, {DocValue::Text("/a.pdf"), DocValue::Text("s3")}};
    EXPECT_TRUE(CarriesPassword(set));
    EXPECT_EQ(loop.Handle(set)->number, 1);
    EXPECT_EQ(factory->given, "/a.pdf=s3");
    EXPECT_EQ(::prctl(PR_GET_DUMPABLE), 0);
    WipePassword(set);
    EXPECT_EQ(set.args[1].text, "");

    const auto probe = [&](const char* password) {
        return loop
            .Handle(
                {DocOp::ProbePageCount, 0, 0, {DocValue::Text("/ab"), DocValue::Text(password)}})
            ->number;
    };
    EXPECT_EQ(probe("right"), 3);
    EXPECT_EQ(probe("wrong"), kDocProbeLocked);
    EXPECT_EQ(probe(""), kDocProbeLocked);
    // Without a password the plain probe answers, as before.
    EXPECT_EQ(loop.Handle({DocOp::ProbePageCount, 0, 0, {DocValue::Text("/ab")}})->number, 7);
    EXPECT_FALSE(CarriesPassword({DocOp::ProbePageCount, 0, 0, {DocValue::Text("/ab")}}));
    EXPECT_FALSE(CarriesPassword(
        {DocOp::ProbePageCounts, 0, 0, {DocValue::Text("/a"), DocValue::Text("/b")}}));
}

} // namespace
} // namespace quorvel
