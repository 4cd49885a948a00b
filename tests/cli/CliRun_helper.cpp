#include "cli/CliRun.h"

#include "common/TempDir.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace quorvel::test {

int CountLines(const std::string& text, const std::string& line) {
    int count = 0;
    std::istringstream lines(text);
    for (std::string l; std::getline(lines, l);)
        count += l == line;
    return count;
}

CCliProcess::CCliProcess(const std::vector<std::string>& args, const std::string& workDir,
                         const std::string& program) {
    // Output goes to files rather than pipes, so a large output cannot stall
    // the child while we wait for it.
    std::string dir = (std::filesystem::temp_directory_path() / "quorvel-cli-XXXXXX").string();
    if (!mkdtemp(dir.data()))
        return;
    m_strDir = dir;
    const std::string outPath = dir + "/out", errPath = dir + "/err";

    std::vector<std::string> argvText{program};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvText)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    if (!workDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    pid_t pid = -1;
    if (posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0)
        m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
}

CCliProcess::~CCliProcess() {
    if (m_pid > 0 && !m_bReaped) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    if (!m_strDir.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_strDir, ec);
    }
}

std::string CCliProcess::OutputSoFar() const {
    return m_strDir.empty() ? std::string() : ReadFileBytes(m_strDir + "/out");
}

void CCliProcess::Signal(int signal) {
    if (m_pid > 0 && !m_bReaped)
        ::kill(m_pid, signal);
}

CliResult CCliProcess::Wait(double timeoutSeconds) {
    CliResult result;
    if (m_pid <= 0 || m_bReaped)
        return result;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(timeoutSeconds);
    int status = 0;
    for (;;) {
        pid_t done = ::waitpid(m_pid, &status, timeoutSeconds > 0 ? WNOHANG : 0);
        if (done == m_pid)
            break;
        if (done < 0)
            return result;
        if (Clock::now() >= deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            result.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_bReaped = true;
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.termSignal = WTERMSIG(status);
    result.out = ReadFileBytes(m_strDir + "/out");
    result.err = ReadFileBytes(m_strDir + "/err");
    return result;
}

CliResult RunCli(const std::vector<std::string>& args, const std::string& workDir,
                 double timeoutSeconds) {
    CCliProcess process(args, workDir);
    return process.Wait(timeoutSeconds);
}

CliResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& workDir, double timeoutSeconds) {
    CCliProcess process(args, workDir, program);
    return process.Wait(timeoutSeconds);
}

} // namespace quorvel::test
