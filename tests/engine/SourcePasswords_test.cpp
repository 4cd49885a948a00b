// Passwords of protected sources: when the user is asked, what is remembered,
// skipping within a batch, and the append run asking before it touches a
// row's output.

#include "engine/AppendRun.h"
#include "engine/SourcePasswords.h"

#include "common/RecordingAutomation.h"
#include "common/RecordingHost.h"
#include "common/TempDir.h"
#include "engine/RunMessages.h"
#include "engine/Settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <fstream>
#include <map>

#include <sys/stat.h>

namespace quorvel {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// Answers from a queue and records every question as "PATH" plus " wrong"
// when the last password failed and " +all" when "skip all" was offered.
class CScriptedProvider : public IPasswordProvider {
public:
    struct Answer {
        PasswordAnswer answer;
        std::string password;
    };
    std::deque<Answer> answers;
    std::vector<std::string> asked;

    PasswordAnswer AskPassword(const std::string& path, bool wrongBefore, bool offerSkipAll,
                               CSecret& password) override {
        asked.push_back(path + (wrongBefore ? " wrong" : "") + (offerSkipAll ? " +all" : ""));
        if (answers.empty())
            return PasswordAnswer::Skip;
        Answer next = answers.front();
        answers.pop_front();
        password = CSecret(next.password);
        return next.answer;
    }
};

// Files by name with the password each needs ("" for none); counts probes.
struct ScriptedLibrary {
    std::map<std::string, std::string> needs;
    int probes = 0;
    PdfProber Prober() {
        return [this](const std::string& path, std::string_view password) {
            ++probes;
            PdfProbeResult result;
            auto it = needs.find(path);
            if (it == needs.end())
                return result; // not a file the library reads
            result.locked = !it->second.empty() && password != it->second;
            result.pages = result.locked ? 0 : 4;
            return result;
        };
    }
};

CScriptedProvider::Answer Ok(const std::string& password) {
    return {PasswordAnswer::Ok, password};
}
const CScriptedProvider::Answer kSkip{PasswordAnswer::Skip, ""};
const CScriptedProvider::Answer kSkipAll{PasswordAnswer::SkipAll, ""};

TEST(CSecret, KeepsItsBytesThroughCopiesAndCutsOverlongInput) {
    CSecret a("pa\0ss"); // stops at the NUL like any C string literal
    CSecret b(std::string_view("pa\0ss", 5));
    CSecret copy = b;
    CSecret moved = std::move(copy);
    EXPECT_EQ(a.View(), "pa");
    EXPECT_EQ(moved.View(), std::string_view("pa\0ss", 5));
    EXPECT_TRUE(copy.Empty());
    EXPECT_EQ(std::string(b.CStr()), "pa");
    EXPECT_EQ(CSecret(std::string(5000, 'x')).View().size(), kMaxSecretBytes);
    EXPECT_STREQ(CSecret().CStr(), "");
}

// The page that holds a secret is marked to be left out of core dumps.
TEST(CSecret, LivesInAPageLeftOutOfCoreDumps) {
    CSecret secret("dump-me-not");
    const auto address = reinterpret_cast<uintptr_t>(secret.CStr());
    std::ifstream maps("/proc/self/smaps");
    std::string line;
    bool inMapping = false;
    bool found = false;
    while (std::getline(maps, line)) {
        uintptr_t from = 0, to = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2 && line.find(' ') < 40) {
            inMapping = address >= from && address < to;
        } else if (inMapping && line.rfind("VmFlags:", 0) == 0) {
            found = true;
            EXPECT_NE(line.find(" dd"), std::string::npos) << line;
        }
    }
    EXPECT_TRUE(found);
}

// One Unlock after another on a fresh store, each with the library and the
// user's answers scripted.
TEST(CSourcePasswords, UnlockAsksOnlyForProtectedFilesAndRemembersTheAnswer) {
    struct Case {
        const char* name;
        std::vector<CScriptedProvider::Answer> answers;
        // Unlock results and passwords of two Unlocks of "a.pdf" (needs "pw").
        UnlockResult first, second;
        std::string firstPassword;
        std::vector<std::string> asked;
    };
    const Case cases[] = {
        {"right at once", {Ok("pw")}, UnlockResult::Open, UnlockResult::Open, "pw", {"a.pdf"}},
        {"wrong, then right",
         {Ok("nope"), Ok("pw")},
         UnlockResult::Open,
         UnlockResult::Open,
         "pw",
         {"a.pdf", "a.pdf wrong"}},
        {"empty counts as wrong",
         {Ok(""), Ok("pw")},
         UnlockResult::Open,
         UnlockResult::Open,
         "pw",
         {"a.pdf", "a.pdf wrong"}},
        // Outside a batch a skip is not remembered: the next open asks again.
        {"skip, then right",
         {kSkip, Ok("pw")},
         UnlockResult::Skipped,
         UnlockResult::Open,
         "",
         {"a.pdf", "a.pdf"}},
        {"skip twice",
         {kSkip, kSkip},
         UnlockResult::Skipped,
         UnlockResult::Skipped,
         "",
         {"a.pdf", "a.pdf"}},
    };
    test::CTempDir dir;
    const std::string a = dir / "a.pdf";
    std::ofstream(a) << "a";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedLibrary library;
        library.needs = {{a, "pw"}};
        CScriptedProvider provider;
        provider.answers.assign(c.answers.begin(), c.answers.end());
        CSourcePasswords passwords;
        passwords.SetProvider(&provider);
        CSecret password;
        int pages = -1;
        EXPECT_EQ(passwords.Unlock(a, library.Prober(), password, &pages), c.first);
        EXPECT_EQ(password.View(), c.firstPassword);
        EXPECT_EQ(pages, c.first == UnlockResult::Open ? 4 : 0);
        EXPECT_EQ(passwords.Unlock(a, library.Prober(), password), c.second);
        std::vector<std::string> asked;
        for (const std::string& question : c.asked)
            asked.push_back(dir / question);
        EXPECT_EQ(provider.asked, asked);
    }
}

TEST(CSourcePasswords, KnownFilesAreNotProbedAgainUntilTheyChange) {
    test::CTempDir dir;
    const std::string plain = dir / "plain.pdf";
    const std::string locked = dir / "locked.pdf";
    std::ofstream(plain) << "one";
    std::ofstream(locked) << "two";
    ASSERT_EQ(::mkfifo((dir / "fifo.pdf").c_str(), 0600), 0);
    ScriptedLibrary library;
    library.needs = {{plain, ""}, {locked, "pw"}};
    CScriptedProvider provider;
    provider.answers = {Ok("pw")};
    CSourcePasswords passwords;
    passwords.SetProvider(&provider);
    CSecret password;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(passwords.Unlock(plain, library.Prober(), password), UnlockResult::Open);
        EXPECT_EQ(passwords.Unlock(locked, library.Prober(), password), UnlockResult::Open);
        EXPECT_EQ(password.View(), "pw");
    }
    // Once for the plain file; the empty and the given password for the other.
    EXPECT_EQ(library.probes, 3);
    std::ofstream(plain, std::ios::app) << " grown";
    EXPECT_EQ(passwords.Unlock(plain, library.Prober(), password), UnlockResult::Open);
    EXPECT_EQ(library.probes, 4);
    // Only regular files are probed: a pipe could keep the reader waiting.
    for (const std::string& other : {dir / "fifo.pdf", dir / "missing.pdf", dir.Path()}) {
        EXPECT_EQ(passwords.Unlock(other, library.Prober(), password), UnlockResult::Open);
        EXPECT_TRUE(password.Empty());
    }
    EXPECT_EQ(library.probes, 4);
    EXPECT_EQ(provider.asked, std::vector<std::string>{locked});
}

TEST(CSourcePasswords, ABatchAsksOncePerFileAndSkipAllEndsTheQuestions) {
    ScriptedLibrary library;
    library.needs = {{"a.pdf", "pa"}, {"b.pdf", "pb"}, {"c.pdf", "pc"}, {"plain.pdf", ""}};
    CScriptedProvider provider;
    provider.answers = {kSkip, kSkipAll, Ok("pa")};
    CSourcePasswords passwords;
    passwords.SetProvider(&provider);
    {
        CPasswordBatch batch(passwords);
        EXPECT_EQ(passwords.CountPages("a.pdf", library.Prober()), 0);
        EXPECT_EQ(passwords.CountPages("a.pdf", library.Prober()), 0); // skipped: not asked
        EXPECT_EQ(passwords.CountPages("b.pdf", library.Prober()), 0); // "skip all"
        EXPECT_EQ(passwords.CountPages("c.pdf", library.Prober()), 0);
        EXPECT_EQ(passwords.CountPages("plain.pdf", library.Prober()), 4);
    }
    // After the batch, a file is asked for again, without "skip all".
    EXPECT_EQ(passwords.CountPages("a.pdf", library.Prober()), 4);
    EXPECT_EQ(passwords.CountPages("a.pdf", library.Prober()), 4);
    EXPECT_THAT(provider.asked, ElementsAre("a.pdf +all", "b.pdf +all", "a.pdf"));
}

TEST(CSourcePasswords, ARememberedPasswordThatNoLongerOpensTheFileIsAskedForAgain) {
    ScriptedLibrary library;
    library.needs = {{"a.pdf", "old"}};
    CScriptedProvider provider;
    provider.answers = {Ok("old"), Ok("new")};
    CSourcePasswords passwords;
    passwords.SetProvider(&provider);
    EXPECT_EQ(passwords.CountPages("a.pdf", library.Prober()), 4);
    library.needs["a.pdf"] = "new"; // the file was replaced
    EXPECT_EQ(passwords.CountPages("a.pdf", library.Prober()), 4);
    EXPECT_THAT(provider.asked, ElementsAre("a.pdf", "a.pdf wrong"));
    ASSERT_NE(passwords.Find("a.pdf"), nullptr);
    EXPECT_EQ(passwords.Find("a.pdf")->View(), "new");
}

TEST(CSourcePasswords, WithoutProviderProtectedFilesAreSkippedUnasked) {
    test::CTempDir dir;
    std::ofstream(dir / "a.pdf") << "a";
    ScriptedLibrary library;
    library.needs = {{dir / "a.pdf", "pw"}};
    CSourcePasswords passwords;
    CSecret password;
    EXPECT_EQ(passwords.Unlock(dir / "a.pdf", library.Prober(), password), UnlockResult::Skipped);
    EXPECT_EQ(passwords.CountPages(dir / "a.pdf", library.Prober()), 0);
}

// The run against the recording server, with a protected source and a
// protected padding file.
class PasswordRunTest : public ::testing::Test {
protected:
    PasswordRunTest() : factory(dir.Path() + "/"), host(factory.Log()) {
        passwords.SetProvider(&provider);
        host.m_pPasswords = &passwords;
        host.m_prober = library.Prober();
    }
    void AddRow(const std::string& source, const std::string& create) {
        const int row = jobs.AddRow("Yes", source);
        const JobRow texts = {"Yes",           dir / source, "all",  "2", "Ready.", "",
                              dir / "out.pdf", "N",          create, "Y", "N"};
        for (int column = 1; column < kJobColumnCount; ++column)
            jobs.SetText(row, column, texts[static_cast<size_t>(column)]);
    }
    void Run() { OnAppendFiles(jobs, host, factory, settings, nullptr, state); }
    // The server calls in order, without object creations and page counts.
    std::vector<std::string> ServerCalls() const {
        std::vector<std::string> calls;
        for (const std::string& line : factory.CallsWithout({"GetNumPages", "CreateObject"}))
            if (line.rfind('[', 0) != 0)
                calls.push_back(line);
        return calls;
    }

    test::CTempDir dir;
    test::CRecordingFactory factory;
    test::CRecordingHost host;
    ScriptedLibrary library;
    CScriptedProvider provider;
    CSourcePasswords passwords;
    CMemoryJobList jobs;
    SetupSettings settings;
    AppendRunState state;
};

TEST_F(PasswordRunTest, EveryRowAndThePaddingOpenWithTheRememberedPasswords) {
    factory.AddFile(dir / "sec.pdf", 2);
    factory.AddFile(dir / "pad.pdf", 1);
    factory.Protect(dir / "sec.pdf", "s3cret");
    factory.Protect(dir / "pad.pdf", "padpw");
    library.needs = {{dir / "sec.pdf", "s3cret"}, {dir / "pad.pdf", "padpw"}};
    settings.m_strOnEach = dir / "pad.pdf";
    provider.answers = {Ok("s3cret"), Ok("wrong"), Ok("padpw")};
    AddRow("sec.pdf", "Y");
    AddRow("sec.pdf", "N");
    Run();

    EXPECT_THAT(provider.asked,
                ElementsAre(dir / "sec.pdf", dir / "pad.pdf", dir / "pad.pdf wrong"));
    EXPECT_THAT(host.m_statuses, ElementsAre("row 0: Processing", "row 0: Done",
                                             "row 1: Processing", "row 1: Done"));
    EXPECT_THAT(factory.Document(dir / "out.pdf").pages,
                ElementsAre("sec:1", "sec:2", "pad:1", "sec:1", "sec:2", "pad:1"));
    // The passwords reach the server before the row's output is created.
    const auto calls = ServerCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(calls.begin(), calls.begin() + 3),
                ElementsAre("SetPassword sec.pdf", "SetPassword pad.pdf", "Create"));
}

TEST_F(PasswordRunTest, ASkippedSourceEndsTheRunBeforeItsOutputIsTouched) {
    factory.AddFile(dir / "sec.pdf", 2);
    factory.AddFile(dir / "out.pdf", 3); // the earlier output, to be replaced
    factory.Protect(dir / "sec.pdf", "s3cret");
    library.needs = {{dir / "sec.pdf", "s3cret"}};
    provider.answers = {kSkip};
    AddRow("sec.pdf", "Y");
    Run();

    EXPECT_THAT(
        host.m_messages,
        ElementsAre("quorvel: " + std::string(RunMessages::kErrorOpeningFile) + (dir / "sec.pdf")));
    EXPECT_THAT(host.m_statuses, ElementsAre("row 0: Processing"));
    EXPECT_EQ(factory.Document(dir / "out.pdf").pages.size(), 3u);
    EXPECT_THAT(ServerCalls(), ElementsAre("CloseAllDocs"));
    EXPECT_EQ(host.m_strLabel, "Append Files");
}

} // namespace
} // namespace quorvel
