#include "support/ProcessControl.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace quorvel;
namespace fs = std::filesystem;

extern char** environ;

TEST(ProcessControlTest, PathMatchingTable) {
    struct {
        const char* path;
        const char* name;
        bool match;
    } cases[] = {
        {"/opt/reader/AcroRd32.exe", "AcroRd32.exe", true},
        {"/opt/reader/ACRORD32.EXE", "acrord32.exe", true},
        {"/opt/reader/xAcroRd32.exe", "AcroRd32.exe", false},
        {"/opt/AcroRd32.exe/bin/tool", "AcroRd32.exe", true},
        {"/opt/reader/AcroRd32.exe (deleted)", "AcroRd32.exe", true},
        {"/opt/reader/AcroRd32.exe", "reader/AcroRd32.exe", true},
        {"", "AcroRd32.exe", false},
        {"/opt/reader/AcroRd32.exe", "", false},
        // A name without extension matches only an executable of exactly that
        // name when the path ends in .exe.
        {"/opt/reader/AcroRd32.exe", "AcroRd32", true},
        {"/opt/reader/AcroRd32Helper.exe", "AcroRd32", false},
        {"/usr/bin/acrord32", "AcroRd32", true},
        {"/opt/x.exe/AcroRd32", "AcroRd32", true},
        // Without any separator in the path the name is looked for as it is.
        {"xAcroRd32.exe", "AcroRd32.exe", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProcessPathMatches(c.path, c.name), c.match) << c.path << " / " << c.name;
}

namespace {

// A copy of /bin/sleep under a name of the test's choosing, run and reaped by
// the test itself.
class SleepCopies {
public:
    SleepCopies() {
        std::string pattern = (fs::temp_directory_path() / "quorvel-proc-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            m_dir = pattern;
    }
    ~SleepCopies() {
        const std::vector<pid_t> running = m_pids;
        for (pid_t pid : running)
            Reap(pid, true, true);
        std::error_code ec;
        if (!m_dir.empty())
            fs::remove_all(m_dir, ec);
    }
    bool Ready() const { return !m_dir.empty(); }

    // Starts `relativePath` (a copy of sleep) and returns its pid, or -1.
    pid_t Start(const std::string& relativePath) {
        fs::path exe = m_dir / relativePath;
        std::error_code ec;
        fs::create_directories(exe.parent_path(), ec);
        fs::copy_file("/bin/sleep", exe, fs::copy_options::overwrite_existing, ec);
        if (ec)
            return -1;
        std::string exeText = exe.string();
        char seconds[] = "120";
        char* argv[] = {exeText.data(), seconds, nullptr};
        pid_t pid = -1;
        if (posix_spawn(&pid, exeText.c_str(), nullptr, nullptr, argv, environ) != 0)
            return -1;
        m_pids.push_back(pid);
        return pid;
    }

    // Waits for `pid` to end, `expectEnd` ? five seconds : half a second;
    // returns the signal that killed it, 0 when it still runs (then kills it
    // when `force`), -1 when it ended otherwise.
    int Reap(pid_t pid, bool expectEnd, bool force = false) {
        const int tries = expectEnd || force ? 50 : 5;
        for (int i = 0; i < tries; ++i) {
            int status = 0;
            pid_t r = waitpid(pid, &status, WNOHANG);
            if (r == pid) {
                std::erase(m_pids, pid);
                return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
            }
            if (r < 0)
                return -1;
            if (force)
                kill(pid, SIGKILL);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return 0;
    }

private:
    fs::path m_dir;
    std::vector<pid_t> m_pids;
};

} // namespace

TEST(ProcessControlTest, KillsOnlyTheExactReaderName) {
    SleepCopies copies;
    ASSERT_TRUE(copies.Ready());
    pid_t reader = copies.Start("AcroRd32.exe");
    pid_t other = copies.Start("xAcroRd32.exe");
    ASSERT_GT(reader, 0);
    ASSERT_GT(other, 0);

    TerminateProcessesByName("AcroRd32.exe");

    EXPECT_EQ(copies.Reap(reader, true), SIGKILL);
    EXPECT_EQ(copies.Reap(other, false), 0) << "a longer executable name must not match";
}

TEST(ProcessControlTest, NameFormsOnRealProcesses) {
    // Names unique to this test run, so that no process of anyone else matches.
    const std::string tag = "QvProc" + std::to_string(getpid());
    struct {
        std::string exe; // relative to the temporary folder
        std::string name;
        bool dies;
    } cases[] = {
        {tag + "a.exe", "\"" + tag + "A.EXE\"", true},
        {tag + "b", tag + "b", true},
        {tag + "c.exe/sleep", tag + "c.exe", true},
        {tag + "dHelper.exe", tag + "d", false},
        {"x" + tag + "e.exe", tag + "e.exe", false},
        {tag + "f.exe", "", false},
        {tag + "g.exe", "\"", false},
        {tag + "h.exe", "\"\"", false},
    };
    SleepCopies copies;
    ASSERT_TRUE(copies.Ready());
    for (const auto& c : cases) {
        pid_t pid = copies.Start(c.exe);
        ASSERT_GT(pid, 0) << c.exe;
        TerminateProcessesByName(c.name);
        EXPECT_EQ(copies.Reap(pid, c.dies), c.dies ? SIGKILL : 0) << c.exe << " / " << c.name;
    }
}

TEST(ProcessControlTest, NeverTerminatesItself) {
    // Our own record with our own path is matched but spared.
    bool sawSelf = false;
    EXPECT_TRUE(EnumerateProcesses([&sawSelf](const ProcessRecord& r) {
        if (r.pid == static_cast<uint32_t>(getpid())) {
            sawSelf = true;
            EXPECT_EQ(r.path, fs::read_symlink("/proc/self/exe").string());
            EXPECT_TRUE(MatchAndTerminate(r, {fs::path(r.path).filename().string()}));
            return false;
        }
        return true;
    }));
    EXPECT_TRUE(sawSelf);
}
