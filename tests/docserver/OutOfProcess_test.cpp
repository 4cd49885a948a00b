#include "common/MakePdf.h"
#include "common/TempDir.h"
#include "docserver/DocFrameIo.h"
#include "docserver/FakeDocuments.h"
#include "docserver/OutOfProcessFactory.h"
#include "docserver/PageCountAhead.h"
#include "docserver/PageCountOutOfProcess.h"
#include "support/PageCountProbe.h"
#include "support/SaveInProgress.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quorvel {
namespace {

using Clock = std::chrono::steady_clock;

std::string CorpusDir() {
    const char* env = std::getenv("PDF_CORPUS_DIR");
    return env && *env ? env : QUORVEL_SOURCE_DIR "/../shared/corpus";
}

std::shared_ptr<CDocServerConnection> FakeConnection(int timeoutMs = 10000) {
    return std::make_shared<CDocServerConnection>(QUORVEL_DOCSERVER_FAKE, timeoutMs);
}

// True when `pid` is neither running nor a zombie waiting to be reaped.
bool Gone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Waits until the killed child `pid` has finished dying, every thread of it
// and so every descriptor it held, leaving it for its parent to reap.
void WaitUntilDead(pid_t pid) {
    siginfo_t info{};
    auto deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
        info.si_pid = 0;
        if (::waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ADD_FAILURE() << "child " << pid << " did not die";
}

// True when this process has no child processes at all, reaped or not.
bool NoChildrenLeft() {
    int status = 0;
    return ::waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
}

class OutOfProcessTest : public ::testing::Test {
protected:
    void TearDown() override {
        m_factory.reset();
        m_connection.reset();
        EXPECT_TRUE(NoChildrenLeft());
    }
    void Use(std::shared_ptr<CDocServerConnection> connection) {
        m_connection = std::move(connection);
        m_factory = std::make_shared<COutOfProcessFactory>(m_connection);
    }
    template <class T> std::shared_ptr<T> Make(const char* progId) {
        auto object = CreateAs<T>(*m_factory, progId);
        EXPECT_TRUE(object) << progId;
        return object;
    }

    std::shared_ptr<CDocServerConnection> m_connection = FakeConnection();
    std::shared_ptr<COutOfProcessFactory> m_factory =
        std::make_shared<COutOfProcessFactory>(m_connection);
};

TEST_F(OutOfProcessTest, TheHelperStartsWithTheFirstObjectAndStaysForTheRest) {
    EXPECT_FALSE(m_connection->IsRunning());
    auto app = Make<IAcroApp>(kProgIdApp);
    EXPECT_TRUE(m_connection->IsRunning());
    for (int i = 0; i < 5; ++i) {
        Make<IAcroPDDoc>(kProgIdPDDoc);
    }
    EXPECT_EQ(m_connection->StartCount(), 1);
}

TEST_F(OutOfProcessTest, ObjectsHaveTheKindTheirProgIdNames) {
    EXPECT_TRUE(Make<IAcroApp>(kProgIdApp));
    EXPECT_TRUE(Make<IAcroPDDoc>(kProgIdPDDoc));
    EXPECT_TRUE(Make<IAcroAVDoc>(kProgIdAVDoc));
    EXPECT_TRUE(Make<IAcroPDBookmark>(kProgIdPDBookmark));
    EXPECT_FALSE(CreateAs<IAcroApp>(*m_factory, kProgIdPDDoc));
    EXPECT_FALSE(m_factory->CreateObject("AcroExch.Nothing"));
    EXPECT_FALSE(m_factory->CreateObject(""));
}

TEST_F(OutOfProcessTest, EveryMethodRoundTrips) {
    auto app = Make<IAcroApp>(kProgIdApp);
    EXPECT_EQ(app->Exit(), 1);
    EXPECT_EQ(app->CloseAllDocs(), 1);
    EXPECT_EQ(app->MenuItemExecute("NewBookmark"), FakeStringHash("NewBookmark"));

    auto out = Make<IAcroPDDoc>(kProgIdPDDoc);
    auto src = Make<IAcroPDDoc>(kProgIdPDDoc);
    EXPECT_EQ(out->Create(), 1);
    EXPECT_EQ(src->Open("/fake/9"), 1);
    EXPECT_EQ(src->Open("/not/there.pdf"), 0);
    EXPECT_EQ(src->Open("/fake/9"), 1);
    EXPECT_EQ(src->GetNumPages(), 9);
    EXPECT_EQ(out->InsertPages(-1, src, 2, 4, 1), 1);
    EXPECT_EQ(out->InsertPages(3, src, 0, 9, 0), 1);
    EXPECT_EQ(out->InsertPages(-1, src, 8, 2, 0), 0); // past the source's end
    EXPECT_EQ(out->InsertPages(13, src, 0, 1, 0), 0); // past the target's end
    EXPECT_EQ(out->InsertPages(-1, nullptr, 0, 1, 0), 0);
    EXPECT_EQ(out->GetNumPages(), 13);
    EXPECT_EQ(out->Save(0x21, "/tmp/out.pdf"), 0x21);
    EXPECT_EQ(out->Save(-2, "/tmp/out.pdf"), -2); // the 16-bit flags keep their sign
    EXPECT_EQ(out->Save(0x21, ""), 0);

    auto view = out->OpenAVDoc("title");
    ASSERT_TRUE(view);
    EXPECT_FALSE(out->OpenAVDoc("null"));
    auto viewDoc = view->GetPDDoc();
    ASSERT_TRUE(viewDoc);
    EXPECT_EQ(viewDoc->GetNumPages(), 13);
    auto pageView = view->GetAVPageView();
    ASSERT_TRUE(pageView);
    EXPECT_EQ(pageView->GoTo(12), 12);
    EXPECT_EQ(pageView->GoTo(-7), -7);

    auto mark = Make<IAcroPDBookmark>(kProgIdPDBookmark);
    EXPECT_EQ(mark->GetByTitle(out, "Untitled"), 1);
    EXPECT_EQ(mark->GetByTitle(out, "untitled"), 0);
    EXPECT_EQ(mark->GetByTitle(nullptr, "Untitled"), 0);
    EXPECT_EQ(mark->SetTitle("chapter 1"), FakeStringHash("chapter 1"));

    auto opened = Make<IAcroAVDoc>(kProgIdAVDoc);
    EXPECT_FALSE(opened->GetPDDoc());
    EXPECT_FALSE(opened->GetAVPageView());
    EXPECT_EQ(opened->Close(1), 0);
    EXPECT_EQ(opened->Open("/fake/-1", ""), 1);
    EXPECT_EQ(opened->GetPDDoc()->GetNumPages(), -1);
    EXPECT_EQ(opened->Close(1), 1);
    EXPECT_EQ(opened->Open("/fake/2", ""), 1);
    EXPECT_EQ(opened->Close(0), 2);
    EXPECT_EQ(out->Close(), 1);
    EXPECT_EQ(out->Close(), 0);
}

TEST_F(OutOfProcessTest, StringsArriveByteForByte) {
    std::string every;
    for (int c = 1; c < 256; ++c) {
        every.push_back(static_cast<char>(c));
    }
    std::string longPath = "/" + std::string(4096, 'd') + "/" + every + ".pdf";
    const std::string table[] = {"",    "a",      "Ünïcödé ✓",
                                 every, longPath, std::string(2 * 1024 * 1024, 'x')};
    auto app = Make<IAcroApp>(kProgIdApp);
    auto view = Make<IAcroAVDoc>(kProgIdAVDoc);
    auto mark = Make<IAcroPDBookmark>(kProgIdPDBookmark);
    for (const std::string& s : table) {
        EXPECT_EQ(app->MenuItemExecute(s), FakeStringHash(s)) << s.size();
        EXPECT_EQ(mark->SetTitle(s), FakeStringHash(s)) << s.size();
        if (!s.empty()) {
            EXPECT_EQ(view->Open("/fake/1", s), FakeStringHash(s)) << s.size();
        }
    }
}

TEST_F(OutOfProcessTest, AutomationExceptionsReachTheCaller) {
    auto app = Make<IAcroApp>(kProgIdApp);
    auto doc = Make<IAcroPDDoc>(kProgIdPDDoc);
    EXPECT_EQ(doc->Create(), 1);
    app->MenuItemExecute("FailCreate");
    try {
        doc->Create();
        ADD_FAILURE() << "Create did not throw";
    } catch (const AutomationException& e) {
        EXPECT_STREQ(e.what(), "Cannot create a new document");
    }
    // Any other exception in the helper is a failed call, and the helper lives on.
    EXPECT_EQ(app->MenuItemExecute("ThrowOther"), 0);
    EXPECT_EQ(doc->GetNumPages(), 0);
    EXPECT_EQ(app->CloseAllDocs(), 1);
    EXPECT_EQ(m_connection->StartCount(), 1);
}

// The helper dies in the middle of a run in each way it can; the call fails,
// the old objects go dead, and the next CreateObject brings a fresh helper.
TEST_F(OutOfProcessTest, AHelperThatDiesFailsTheCallAndIsReplaced) {
    for (const char* death : {"/crash/segv", "/crash/abort", "/crash/exit", "/garbage"}) {
        SCOPED_TRACE(death);
        auto app = Make<IAcroApp>(kProgIdApp);
        auto out = Make<IAcroPDDoc>(kProgIdPDDoc);
        auto src = Make<IAcroPDDoc>(kProgIdPDDoc);
        ASSERT_TRUE(app && out && src);
        EXPECT_EQ(out->Create(), 1);
        EXPECT_EQ(src->Open("/fake/3"), 1);
        EXPECT_EQ(out->InsertPages(-1, src, 0, 3, 0), 1);
        pid_t pid = m_connection->ServerPid();
        int starts = m_connection->StartCount();

        auto victim = Make<IAcroPDDoc>(kProgIdPDDoc);
        EXPECT_EQ(victim->Open(death), 0);
        EXPECT_TRUE(Gone(pid));
        EXPECT_FALSE(m_connection->IsRunning());

        // Every object of the dead helper answers 0 or null, without a new helper.
        EXPECT_EQ(out->GetNumPages(), 0);
        EXPECT_EQ(out->InsertPages(-1, src, 0, 1, 0), 0);
        EXPECT_EQ(out->Save(0x21, "/tmp/x.pdf"), 0);
        EXPECT_FALSE(out->OpenAVDoc(""));
        EXPECT_EQ(app->CloseAllDocs(), 0);
        EXPECT_EQ(m_connection->StartCount(), starts);

        auto fresh = Make<IAcroPDDoc>(kProgIdPDDoc);
        ASSERT_TRUE(fresh);
        EXPECT_EQ(m_connection->StartCount(), starts + 1);
        EXPECT_NE(m_connection->ServerPid(), pid);
        EXPECT_EQ(fresh->Open("/fake/6"), 1);
        EXPECT_EQ(fresh->GetNumPages(), 6);
        // An object of the dead helper is no argument for the new one.
        EXPECT_EQ(fresh->InsertPages(-1, src, 0, 1, 0), 0);
        EXPECT_EQ(out->GetNumPages(), 0);
    }
}

TEST_F(OutOfProcessTest, AHelperKilledBetweenCallsIsReplacedByTheNextCreate) {
    auto doc = Make<IAcroPDDoc>(kProgIdPDDoc);
    pid_t pid = m_connection->ServerPid();
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    WaitUntilDead(pid);
    // The death is noticed before the request is sent, so this first create works.
    auto next = Make<IAcroPDDoc>(kProgIdPDDoc);
    ASSERT_TRUE(next);
    EXPECT_NE(m_connection->ServerPid(), pid);
    EXPECT_TRUE(Gone(pid));
    EXPECT_EQ(doc->Open("/fake/1"), 0);
    EXPECT_EQ(next->Open("/fake/1"), 1);
}

TEST_F(OutOfProcessTest, AHelperThatHangsIsKilledAfterTheTimeout) {
    Use(FakeConnection(300));
    auto doc = Make<IAcroPDDoc>(kProgIdPDDoc);
    pid_t pid = m_connection->ServerPid();
    EXPECT_EQ(doc->Open("/slow/50"), 1); // slow but within the time allowed

    auto start = Clock::now();
    EXPECT_EQ(doc->Open("/hang"), 0);
    auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(290));
    EXPECT_LT(waited, std::chrono::milliseconds(3000));
    EXPECT_TRUE(Gone(pid));
    EXPECT_EQ(doc->GetNumPages(), 0);

    auto fresh = Make<IAcroPDDoc>(kProgIdPDDoc);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->Open("/fake/2"), 1);
    // A hang while creating an object fails that create and nothing else.
    EXPECT_FALSE(m_factory->CreateObject("/hang"));
    EXPECT_TRUE(Make<IAcroApp>(kProgIdApp));
}

// Without a limit a call waits as long as the helper lives.
TEST(DocServerConnection, TimeoutIsTheGivenOneOrNone) {
    EXPECT_EQ(CDocServerConnection("x", 250).TimeoutMs(), 250);
    EXPECT_EQ(CDocServerConnection("x", 0).TimeoutMs(), 0);
    EXPECT_EQ(CDocServerConnection("x").TimeoutMs(), -1);
}

TEST_F(OutOfProcessTest, DroppedProxiesReleaseTheirObjects) {
    auto app = Make<IAcroApp>(kProgIdApp);
    EXPECT_EQ(app->MenuItemExecute("LiveObjects"), 1);
    {
        auto doc = Make<IAcroPDDoc>(kProgIdPDDoc);
        doc->Open("/fake/2");
        auto view = doc->OpenAVDoc("");
        auto pageView = view->GetAVPageView();
        auto viewDoc = view->GetPDDoc();
        auto mark = Make<IAcroPDBookmark>(kProgIdPDBookmark);
        // app, doc (also behind viewDoc), view, page view, bookmark
        EXPECT_EQ(app->MenuItemExecute("LiveObjects"), 5);
        view.reset();
        // The view goes; its document stays, held by two handles.
        EXPECT_EQ(app->MenuItemExecute("LiveObjects"), 4);
    }
    EXPECT_EQ(app->MenuItemExecute("LiveObjects"), 1);
}

// Calls and releases from several threads never mix up their replies.
TEST_F(OutOfProcessTest, ThreadsShareOneHelperSafely) {
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 1; t <= 4; ++t) {
        threads.emplace_back([this, t, &wrong] {
            for (int i = 0; i < 200; ++i) {
                auto doc = CreateAs<IAcroPDDoc>(*m_factory, kProgIdPDDoc);
                if (!doc || doc->Open("/fake/" + std::to_string(t * 1000 + i)) != 1 ||
                    doc->GetNumPages() != t * 1000 + i) {
                    ++wrong;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(m_connection->StartCount(), 1);
    auto app = Make<IAcroApp>(kProgIdApp);
    EXPECT_EQ(app->MenuItemExecute("LiveObjects"), 1);
}

TEST_F(OutOfProcessTest, ObjectsOfAnotherHelperPassAsNull) {
    auto otherFactory = std::make_shared<COutOfProcessFactory>(FakeConnection());
    auto foreign = CreateAs<IAcroPDDoc>(*otherFactory, kProgIdPDDoc);
    ASSERT_TRUE(foreign);
    EXPECT_EQ(foreign->Open("/fake/4"), 1);
    auto doc = Make<IAcroPDDoc>(kProgIdPDDoc);
    EXPECT_EQ(doc->Create(), 1);
    EXPECT_EQ(doc->InsertPages(-1, foreign, 0, 1, 0), 0);
    auto mark = Make<IAcroPDBookmark>(kProgIdPDBookmark);
    EXPECT_EQ(mark->GetByTitle(foreign, "Untitled"), 0);
}

TEST_F(OutOfProcessTest, PageCountsComeFromOneLongLivedHelper) {
    for (int i = 1; i <= 50; ++i) {
        EXPECT_EQ(ProbePdfPageCountOutOfProcess(*m_connection, "/fake/" + std::to_string(i)), i);
    }
    EXPECT_EQ(ProbePdfPageCountOutOfProcess(*m_connection, "/not/a/pdf"), 0);
    EXPECT_EQ(m_connection->StartCount(), 1);
}

TEST_F(OutOfProcessTest, APageCountThatCrashesOrHangsGivesZero) {
    Use(FakeConnection(300));
    EXPECT_EQ(ProbePdfPageCountOutOfProcess(*m_connection, "/fake/3"), 3);
    EXPECT_EQ(ProbePdfPageCountOutOfProcess(*m_connection, "/crash/segv"), 0);
    EXPECT_EQ(ProbePdfPageCountOutOfProcess(*m_connection, "/fake/4"), 4);
    EXPECT_EQ(ProbePdfPageCountOutOfProcess(*m_connection, "/hang"), 0);
    EXPECT_EQ(ProbePdfPageCountOutOfProcess(*m_connection, "/fake/5"), 5);
    EXPECT_EQ(m_connection->StartCount(), 3);
}

// Batches give the counts one-by-one requests give, whatever happens to the
// helper in the middle of a batch: a file that crashes, hangs or garbles costs
// its own count and the files after it are counted by the next helper.
TEST_F(OutOfProcessTest, BatchedPageCountsMatchOneByOne) {
    struct Case {
        const char* name;
        std::vector<std::string> paths;
        int starts; // helpers started for the batch
    };
    std::vector<std::string> many;
    for (size_t i = 0; i < 2 * kPageCountBatch + 3; ++i) {
        many.push_back("/fake/" + std::to_string(i));
    }
    many[kPageCountBatch - 1] = "/crash/segv"; // the last file of the first batch
    many[kPageCountBatch] = "/crash/abort";    // the first of the next
    const Case table[] = {
        {"nothing", {}, 0},
        {"only empty paths", {"", ""}, 0},
        {"plain", {"/fake/3", "", "/not/a/pdf", "/fake/0", "/fake/-1", "/fake/7"}, 1},
        {"crash in the middle", {"/fake/1", "/crash/segv", "/fake/2", "/crash/exit", "/fake/3"}, 3},
        {"crash first and last", {"/crash/abort", "/fake/4", "/crash/segv"}, 2},
        {"garbled and hung", {"/fake/5", "/garbage", "/fake/6", "/hang", "/fake/8"}, 3},
        {"several batches", many, 3},
    };
    // Long enough that a helper started on a loaded machine (or under the
    // sanitizers) is never taken for a hung one; "/hang" waits it out.
    constexpr int kTimeoutMs = 2000;
    for (const Case& c : table) {
        std::vector<int32_t> expected;
        {
            auto oneByOne = FakeConnection(kTimeoutMs);
            for (const std::string& path : c.paths) {
                expected.push_back(ProbePdfPageCountOutOfProcess(*oneByOne, path));
            }
        }
        Use(FakeConnection(kTimeoutMs));
        EXPECT_EQ(ProbePdfPageCountsOutOfProcess(*m_connection, c.paths), expected) << c.name;
        EXPECT_EQ(m_connection->StartCount(), c.starts) << c.name;
    }
    // The plain case, spelled out.
    EXPECT_EQ(ProbePdfPageCountsOutOfProcess(*m_connection, table[2].paths),
              (std::vector<int32_t>{3, 0, 0, 0, -1, 7}));
}

TEST_F(OutOfProcessTest, BatchedPageCountsWithoutAHelperAreZero) {
    Use(std::make_shared<CDocServerConnection>("/nonexistent/quorvel-docserver", 2000));
    EXPECT_EQ(ProbePdfPageCountsOutOfProcess(*m_connection, {"/fake/2", "", "/fake/3"}),
              (std::vector<int32_t>{0, 0, 0}));
    EXPECT_FALSE(m_connection->IsRunning());
}

// Files counted ahead on their own thread come back in the order taken, a
// file that ends the helper costs its own count, files passed over and
// files of an earlier list are no longer ahead, and a wait that is given up
// ends at once, leaving nothing running for long.
TEST(PageCountAhead, TakesCountsInOrderAndGivesUpOnRequest) {
    struct Take {
        std::string path;
        CPageCountAhead::Take result;
        int32_t count;
    };
    using R = CPageCountAhead::Take;
    struct Case {
        const char* name;
        std::vector<std::string> files;
        std::vector<Take> takes;
        std::string giveUpOn; // the file whose wait is given up
    };
    const Case table[] = {
        {"in order",
         {"/fake/3", "/fake/0", "/fake/7"},
         {{"/fake/3", R::Counted, 3}, {"/fake/0", R::Counted, 0}, {"/fake/7", R::Counted, 7}},
         ""},
        {"a crash in the middle",
         {"/fake/2", "/crash/segv", "/fake/5"},
         {{"/fake/2", R::Counted, 2}, {"/crash/segv", R::Counted, 0}, {"/fake/5", R::Counted, 5}},
         ""},
        {"passing over files",
         {"/fake/1", "/fake/2", "/fake/4"},
         {{"/fake/4", R::Counted, 4}, {"/fake/1", R::NotAhead, 0}, {"/fake/9", R::NotAhead, 0}},
         ""},
        {"a hanging file given up",
         {"/hang", "/fake/6"},
         {{"/hang", R::GaveUp, 0}, {"/fake/6", R::Counted, 6}},
         "/hang"},
    };
    for (const Case& c : table) {
        SCOPED_TRACE(c.name);
        const auto start = Clock::now();
        {
            CPageCountAhead ahead(QUORVEL_DOCSERVER_FAKE, 60000);
            ahead.SetFiles({"/fake/8", "/fake/9"}); // replaced before it is taken
            ahead.SetFiles(c.files);
            for (const Take& take : c.takes) {
                int32_t count = 0;
                EXPECT_EQ(
                    ahead.TakeCount(take.path, count, [&](int) { return take.path != c.giveUpOn; }),
                    take.result)
                    << take.path;
                EXPECT_EQ(count, take.count) << take.path;
            }
        }
        // Well below the helper's time limit: a given-up call ends the helper.
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    }
}

// Records the messages of the automation fallback.
class MessageLog : public IConnectionHost {
public:
    MsgResult MessageBox(const std::string& text, const std::string&, MsgButtons,
                         MsgIcon) override {
        messages.push_back(text);
        return MsgResult::Ok;
    }
    void PumpOneMessage() override {}
    void ShowConnectDialog() override {}
    void CloseConnectDialog() override {}
    std::vector<std::string> messages;
};

// The library step and the automation fallback each run in a helper; a file
// that kills both costs its count and one message, nothing else.
TEST_F(OutOfProcessTest, PageCountFallsBackToAutomationAndSurvivesBothHelpersDying) {
    CDocServerConnection probe(QUORVEL_DOCSERVER_FAKE, 10000);
    MessageLog host;
    EXPECT_EQ(GetPageCountOutOfProcess(probe, "/fake/3", m_factory.get(), host), 3);
    EXPECT_FALSE(m_connection->IsRunning()); // the fallback was not needed
    EXPECT_EQ(GetPageCountOutOfProcess(probe, "/fake/-1", m_factory.get(), host), -1);
    EXPECT_TRUE(m_connection->IsRunning());
    EXPECT_TRUE(host.messages.empty());

    EXPECT_EQ(GetPageCountOutOfProcess(probe, "/crash/segv", m_factory.get(), host), 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "Error Opening File : /crash/segv");
    EXPECT_FALSE(probe.IsRunning());
    EXPECT_FALSE(m_connection->IsRunning());

    EXPECT_EQ(GetPageCountOutOfProcess(probe, "/fake/0", m_factory.get(), host), 0);
    EXPECT_EQ(GetPageCountOutOfProcess(probe, "/fake/8", m_factory.get(), host), 8);
    EXPECT_EQ(probe.StartCount(), 2);
    EXPECT_EQ(m_connection->StartCount(), 2);
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(OutOfProcessTest, AHelperThatCannotStartGivesNullObjects) {
    const char* table[] = {"/nonexistent/quorvel-docserver", "/etc/passwd", "/bin/true"};
    for (const char* path : table) {
        Use(std::make_shared<CDocServerConnection>(path, 2000));
        EXPECT_FALSE(m_factory->CreateObject(kProgIdApp)) << path;
        EXPECT_EQ(ProbePdfPageCountOutOfProcess(*m_connection, "/fake/2"), 0) << path;
        EXPECT_FALSE(m_connection->IsRunning()) << path;
    }
}

// A helper stuck in a library call leaves as soon as the window process's end
// of the socket closes, as it does when the window process ends.
TEST(DocServerHelper, LeavesWhenThePeerGoesEvenWhileStuck) {
    int sv[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(sv[1], 3);
        ::execl(QUORVEL_DOCSERVER_FAKE, QUORVEL_DOCSERVER_FAKE, "--fd", "3", nullptr);
        ::_exit(127);
    }
    ::close(sv[1]);
    std::string payload;
    DocRequest create{DocOp::CreateObject, 0, 0, {DocValue::Text(kProgIdPDDoc)}};
    ASSERT_EQ(WriteDocFrame(sv[0], EncodeDocRequest(create), 5000), DocIoResult::Ok);
    ASSERT_EQ(ReadDocFrame(sv[0], payload, 5000), DocIoResult::Ok);
    std::optional<DocReply> doc = DecodeDocReply(payload);
    ASSERT_TRUE(doc && doc->handle != 0);
    DocRequest hang{DocOp::Call, doc->handle, DocMethod::PDDocOpen, {DocValue::Text("/hang")}};
    ASSERT_EQ(WriteDocFrame(sv[0], EncodeDocRequest(hang), 5000), DocIoResult::Ok);
    EXPECT_EQ(ReadDocFrame(sv[0], payload, 200), DocIoResult::TimedOut);
    ::close(sv[0]);

    auto deadline = Clock::now() + std::chrono::seconds(5);
    int status = 0;
    pid_t reaped = 0;
    while (reaped == 0 && Clock::now() < deadline) {
        reaped = ::waitpid(pid, &status, WNOHANG);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (reaped != pid) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        FAIL() << "the helper did not leave";
    }
    EXPECT_TRUE(WIFEXITED(status));
}

TEST_F(OutOfProcessTest, ClosingTheConnectionEndsTheHelper) {
    auto doc = Make<IAcroPDDoc>(kProgIdPDDoc);
    pid_t pid = m_connection->ServerPid();
    m_connection->Stop();
    EXPECT_TRUE(Gone(pid));
    EXPECT_EQ(doc->Open("/fake/1"), 0);
    // Proxies may outlive their factory and connection owner.
    m_factory.reset();
    m_connection.reset();
    EXPECT_EQ(doc->GetNumPages(), 0);
}

// The real helper counts pages with the PDF library, one process for every
// file, with the same results as counting in this process.
TEST_F(OutOfProcessTest, TheInstalledHelperCountsPagesLikeTheLibrary) {
    Use(std::make_shared<CDocServerConnection>(QUORVEL_DOCSERVER_REAL, 60000));
    test::CTempDir dir;
    const std::string pdf5 = test::MakePdf(5);
    const std::pair<const char*, std::string> generated[] = {
        {"five.pdf", pdf5},
        {"none.pdf", test::MakePdf(0)},
        {"text.pdf", "not a PDF"},
        {"truncated.pdf", pdf5.substr(0, pdf5.size() / 3)},
    };
    std::vector<std::string> paths{"", dir / "missing.pdf"};
    for (const auto& [name, bytes] : generated) {
        ASSERT_TRUE(test::WriteFileBytes(dir / name, bytes));
        paths.push_back(dir / name);
    }
    std::string corpus = CorpusDir();
    std::ifstream manifest(corpus + "/MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line); // header
    int corpusFiles = 0;
    while (std::getline(manifest, line)) {
        paths.push_back(corpus + "/" + line.substr(0, line.find('\t')));
        ++corpusFiles;
    }
    auto start = Clock::now();
    for (const std::string& path : paths) {
        EXPECT_EQ(ProbePdfPageCountOutOfProcess(*m_connection, path), ProbePdfPageCount(path))
            << path;
    }
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("[ probe    ] %zu files (%d from the corpus) counted twice in %.0f ms\n",
                paths.size(), corpusFiles, ms);
    EXPECT_EQ(ProbePdfPageCountOutOfProcess(*m_connection, dir / "five.pdf"), 5);
    std::vector<int32_t> oneByOne;
    for (const std::string& path : paths) {
        oneByOne.push_back(ProbePdfPageCount(path));
    }
    EXPECT_EQ(ProbePdfPageCountsOutOfProcess(*m_connection, paths), oneByOne);
    EXPECT_EQ(m_connection->StartCount(), 1);
    if (corpusFiles == 0) {
        GTEST_SKIP() << "no PDF corpus at " << corpus << " (set PDF_CORPUS_DIR)";
    }
}

// An append done through the real helper writes the same file an in-process
// server would: pages copied, outline item added and renamed, file saved.
TEST_F(OutOfProcessTest, TheInstalledHelperAppendsRealDocuments) {
    Use(std::make_shared<CDocServerConnection>(QUORVEL_DOCSERVER_REAL, 60000));
    test::CTempDir dir;
    ASSERT_TRUE(test::WriteFileBytes(dir / "a.pdf", test::MakePdf(3, "a")));
    ASSERT_TRUE(test::WriteFileBytes(dir / "b.pdf", test::MakePdf(2, "b")));

    auto app = Make<IAcroApp>(kProgIdApp);
    auto out = Make<IAcroPDDoc>(kProgIdPDDoc);
    auto src = Make<IAcroPDDoc>(kProgIdPDDoc);
    ASSERT_TRUE(app && out && src);
    EXPECT_NE(out->Create(), 0);
    EXPECT_NE(src->Open(dir / "a.pdf"), 0);
    EXPECT_NE(out->InsertPages(-1, src, 0, 3, 0), 0);
    EXPECT_NE(src->Close(), 0);
    EXPECT_NE(src->Open(dir / "b.pdf"), 0);
    EXPECT_EQ(out->InsertPages(2, src, 1, 2, 0), 0); // the source has no page 3
    EXPECT_NE(out->InsertPages(2, src, 1, 1, 0), 0);
    EXPECT_EQ(out->GetNumPages(), 4);

    auto view = out->OpenAVDoc("");
    ASSERT_TRUE(view);
    auto pageView = view->GetAVPageView();
    ASSERT_TRUE(pageView);
    pageView->GoTo(3);
    EXPECT_NE(app->MenuItemExecute("NewBookmark"), 0);
    auto mark = Make<IAcroPDBookmark>(kProgIdPDBookmark);
    EXPECT_NE(mark->GetByTitle(out, "Untitled"), 0);
    mark->SetTitle("b");
    EXPECT_NE(view->Close(1), 0);
    EXPECT_NE(out->Save(0x21, dir / "out.pdf"), 0);
    EXPECT_NE(out->Close(), 0);
    app->CloseAllDocs();
    EXPECT_EQ(test::PdfInfoPages(dir / "out.pdf"), 4);
    EXPECT_EQ(ProbePdfPageCountOutOfProcess(*m_connection, dir / "out.pdf"), 4);

    // A file the server cannot open is a failed call, and the server stays.
    ASSERT_TRUE(test::WriteFileBytes(dir / "bad.pdf", "%PDF-1.4 nothing else"));
    auto bad = Make<IAcroPDDoc>(kProgIdPDDoc);
    EXPECT_EQ(bad->Open(dir / "bad.pdf"), 0);
    EXPECT_EQ(m_connection->StartCount(), 1);
}

// Every real-world file goes through the real helper: a file that the server
// opens reports the page count qpdf gives, and whatever happens inside the
// helper, this process carries on.
TEST_F(OutOfProcessTest, TheInstalledHelperOpensTheCorpus) {
    Use(std::make_shared<CDocServerConnection>(QUORVEL_DOCSERVER_REAL, 60000));
    std::string corpus = CorpusDir();
    std::ifstream manifest(corpus + "/MANIFEST.tsv");
    if (!manifest) {
        GTEST_SKIP() << "no PDF corpus at " << corpus << " (set PDF_CORPUS_DIR)";
    }
    std::string line;
    std::getline(manifest, line); // header
    int files = 0;
    int opened = 0;
    while (std::getline(manifest, line)) {
        std::vector<std::string> fields;
        for (size_t start = 0;;) {
            size_t tab = line.find('\t', start);
            fields.push_back(line.substr(start, tab - start));
            if (tab == std::string::npos) {
                break;
            }
            start = tab + 1;
        }
        ASSERT_GT(fields.size(), 5u) << line;
        ++files;
        auto doc = CreateAs<IAcroPDDoc>(*m_factory, kProgIdPDDoc);
        ASSERT_TRUE(doc) << fields[0];
        if (doc->Open(corpus + "/" + fields[0]) == 0) {
            continue;
        }
        ++opened;
        // A count beyond 32 bits (a forged page tree) has no expected value here.
        const std::string& qpdfPages = fields[5];
        if (!qpdfPages.empty() && qpdfPages.size() < 10 &&
            std::isdigit(static_cast<unsigned char>(qpdfPages[0]))) {
            EXPECT_EQ(doc->GetNumPages(), std::stoi(qpdfPages)) << fields[0];
        }
        doc->Close();
    }
    std::printf("[ corpus   ] %d files, %d opened, %d helper starts\n", files, opened,
                m_connection->StartCount());
    EXPECT_GT(opened, 0);
}

TEST_F(OutOfProcessTest, PerCallOverhead) {
    auto doc = Make<IAcroPDDoc>(kProgIdPDDoc);
    ASSERT_EQ(doc->Open("/fake/10"), 1);
    constexpr int kCalls = 10000;
    auto start = Clock::now();
    for (int i = 0; i < kCalls; ++i) {
        ASSERT_EQ(doc->GetNumPages(), 10);
    }
    double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / kCalls;
    std::printf("[ overhead ] %d GetNumPages round trips: %.1f us per call\n", kCalls, us);
    RecordProperty("MicrosecondsPerCall", std::to_string(us));
    // Loose on purpose: the machine is shared; this catches a call that waits
    // for a timer instead of the reply.
    EXPECT_LT(us, 2000.0);
}

// A helper that dies in the middle of writing a file leaves its temporary
// file behind; the window removes it, found by the helper's id in its name,
// and nothing else.
TEST_F(OutOfProcessTest, TemporaryFilesOfADeadHelperAreRemoved) {
    Use(std::make_shared<CDocServerConnection>(QUORVEL_DOCSERVER_REAL));
    test::CTempDir dir;
    ASSERT_TRUE(test::WriteFileBytes(dir / "a.pdf", test::MakePdf(2, "a")));
    const std::string out = dir / "out.pdf";
    auto doc = Make<IAcroPDDoc>(kProgIdPDDoc);
    ASSERT_NE(doc->Open(dir / "a.pdf"), 0);
    ASSERT_NE(doc->Save(0x21, out), 0);
    const pid_t helper = m_connection->ServerPid();
    auto leftOver = [&](pid_t writer) {
        std::string name = SaveTempPattern(out, writer);
        return name.replace(name.size() - 6, 6, "a1B2c3");
    };
    for (const std::string& name :
         {leftOver(helper), leftOver(helper + 1), dir / ".out.pdf.a1B2c3"})
        ASSERT_TRUE(test::WriteFileBytes(name, "partial"));

    ::kill(helper, SIGSEGV);
    WaitUntilDead(helper);
    EXPECT_EQ(doc->GetNumPages(), 0);
    EXPECT_FALSE(m_connection->IsRunning());
    EXPECT_FALSE(test::PathExists(leftOver(helper)));
    EXPECT_TRUE(test::PathExists(leftOver(helper + 1))) << "another writer's file was removed";
    EXPECT_TRUE(test::PathExists(dir / ".out.pdf.a1B2c3"));
    EXPECT_EQ(test::PdfInfoPages(out), 2);
}

// A helper told to end in the middle of a save takes it back before it
// leaves: its temporary file goes, and an append is cut back to the old
// length.
TEST(SaveInProgress, AnEndingHelperTakesBackItsSave) {
    for (const bool append : {false, true}) {
        SCOPED_TRACE(append ? "append" : "temporary file");
        test::CTempDir dir;
        const std::string target = dir / "out.pdf";
        const std::string temp = dir / ".out.pdf.1~abcdef";
        ASSERT_TRUE(test::WriteFileBytes(target, "old content"));
        ASSERT_TRUE(test::WriteFileBytes(temp, "partial"));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (append) {
                const int fd = ::open(target.c_str(), O_RDWR);
                SaveAppendStarted(fd, 11);
                WriteSaveBytes(fd, " and more", 9, 11);
            } else {
                SaveTempFileCreated(temp);
            }
            UndoSaveInProgress();
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_EQ(test::ReadFileBytes(target), "old content");
        EXPECT_EQ(test::PathExists(temp), append);
    }
}

} // namespace
} // namespace quorvel
