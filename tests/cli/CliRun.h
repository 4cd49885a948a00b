#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quorvel::test {

// What one run of quorvel-cli printed and how it ended.
struct CliResult {
    std::string out;
    std::string err;
    int exitCode = -1;     // -1 when it could not be started or did not exit normally
    int termSignal = 0;    // the signal that ended it, 0 when it exited
    bool timedOut = false; // killed by RunCli because it ran past its time limit
};

// Runs the quorvel-cli built with the tests (QUORVEL_CLI_PATH) with `args`
// passed exactly as given, in working folder `workDir` (the current one when
// empty), and waits for it. A run still going after `timeoutSeconds` (0: no
// limit) is killed with SIGKILL and reported with timedOut set.
CliResult RunCli(const std::vector<std::string>& args, const std::string& workDir = "",
                 double timeoutSeconds = 0);

// How many lines of `text` are exactly `line` (status lines of a run).
int CountLines(const std::string& text, const std::string& line);

// The same for any program (found on PATH when `program` has no "/"), for
// the tools that check what quorvel-cli wrote (qpdf, pdfinfo).
CliResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& workDir = "", double timeoutSeconds = 0);

// A quorvel-cli (or `program`) started in the background, for tests that
// signal it while it works. The destructor kills and reaps a child that is
// still running.
class CCliProcess {
public:
    CCliProcess(const std::vector<std::string>& args, const std::string& workDir = "",
                const std::string& program = QUORVEL_CLI_PATH);
    ~CCliProcess();
    CCliProcess(const CCliProcess&) = delete;
    CCliProcess& operator=(const CCliProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    // Standard output so far (the child may still be writing).
    std::string OutputSoFar() const;
    // Sends `signal` to the child when it is still running.
    void Signal(int signal);
    // Waits for the end (killing the child after `timeoutSeconds`, 0: no limit)
    // and collects what it printed.
    CliResult Wait(double timeoutSeconds = 0);

private:
    pid_t m_pid = -1;
    bool m_bReaped = false;
    std::string m_strDir;
};

} // namespace quorvel::test
