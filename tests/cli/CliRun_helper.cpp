#include "cli/CliRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace quorvel::test {

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

CliResult RunCli(const std::vector<std::string>& args, const std::string& workDir) {
    CliResult result;
    // Output goes to files rather than pipes, so a large output cannot stall
    // the child while we wait for it.
    std::string dir = (std::filesystem::temp_directory_path() / "quorvel-cli-XXXXXX").string();
    if (!mkdtemp(dir.data()))
        return result;
    const std::string outPath = dir + "/out", errPath = dir + "/err";

    std::vector<std::string> argvText{QUORVEL_CLI_PATH};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvText)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    if (!workDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    pid_t pid = -1;
    if (posix_spawn(&pid, QUORVEL_CLI_PATH, &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            result.exitCode = WEXITSTATUS(status);
        result.out = ReadAll(outPath);
        result.err = ReadAll(errPath);
    }
    posix_spawn_file_actions_destroy(&actions);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return result;
}

} // namespace quorvel::test
