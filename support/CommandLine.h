#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace quorvel {

// The version number of quorvel, quorvel-cli and quorvel-docserver ("1.15.0").
const char* ProgramVersion();

// Prints "PROGRAM VERSION" and a line break to standard output.
void PrintVersion(const char* program);

// The arguments of a program's command line (without the program name), read
// the same way by all three programs.
struct CommandLine {
    bool bHelp = false;    // --help was given
    bool bVersion = false; // --version was given
    // Options this reader does not know, in order. A program that takes
    // options of its own looks them up here before refusing the rest.
    std::vector<std::string> unknownOptions;
    // Arguments that are not options, in order.
    std::vector<std::string> operands;
};

// An argument that starts with '-' is an option, except "-" alone; "--" ends
// the options, so every later argument is an operand even when it starts
// with '-'.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

} // namespace quorvel
