// quorvel-count-bench: times page counting over a list of files.
//
//   quorvel-count-bench compare LISTFILE [LABEL]
//       The bare library loop (load the file, ask its page count, nothing
//       else), ProbePdfPageCount, ProbePdfPageCountOutOfProcess file by file
//       and ProbePdfPageCountsOutOfProcess (batches) over the same files, each
//       the best of 3 rounds, and prints one line:
//       LABEL: files=N poppler=Xs probe=Ys ratio=R helper=Zs ratio=R batch=...
//       Exits 3 when the probe and the helpers differ in their page sums, 4
//       when only the bare loop differs (it also counts files the probe
//       turns down). In parentheses: the bare loop while one document stays
//       open (the library then builds its global tables only once).
//   quorvel-count-bench poppler [LISTFILE]
//       Only the bare library loop, once, over the files named in LISTFILE or
//       on standard input; prints the sum of the counts (the baseline of the
//       folder-scan benchmark, timed from outside).
//   quorvel-count-bench kept [LISTFILE]
//       The same with the first file held open all along, so that the
//       library builds its global tables once.
//
// A list names one file per line. The helper is started before its rounds
// are timed: the window keeps one for its whole life.

#include "docserver/PageCountOutOfProcess.h"
#include "support/PageCountProbe.h"

#include <poppler-document.h>
#include <poppler-global.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void Quiet(const std::string&, void*) {}

std::vector<std::string> ReadList(std::istream& in) {
    std::vector<std::string> files;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty())
            files.push_back(line);
    }
    return files;
}

long BareLoop(const std::vector<std::string>& files) {
    long total = 0;
    for (const std::string& f : files) {
        std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(f));
        if (doc)
            total += doc->pages();
    }
    return total;
}

// Best of `rounds` wall-clock times of `loop`; `total` receives its result.
double Best(int rounds, const std::function<long()>& loop, long& total) {
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = Clock::now();
        total = loop();
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        if (s < best)
            best = s;
    }
    return best;
}

int Compare(const std::vector<std::string>& files, const std::string& label) {
    constexpr int kRounds = 3;
    long bare = 0, probe = 0, helper = 0;
    // One untimed pass first, so that every contender finds the files cached.
    BareLoop(files);
    const double tBare = Best(
        kRounds, [&] { return BareLoop(files); }, bare);
    const double tProbe = Best(
        kRounds,
        [&] {
            long t = 0;
            for (const std::string& f : files)
                t += quorvel::ProbePdfPageCount(f);
            return t;
        },
        probe);
    const auto s0 = Clock::now();
    quorvel::ProbePdfPageCountOutOfProcess(files.empty() ? std::string("/") : files.front());
    const double tStart = std::chrono::duration<double>(Clock::now() - s0).count();
    const double tHelper = Best(
        kRounds,
        [&] {
            long t = 0;
            for (const std::string& f : files)
                t += quorvel::ProbePdfPageCountOutOfProcess(f);
            return t;
        },
        helper);
    long batch = 0;
    const double tBatch = Best(
        kRounds,
        [&] {
            long t = 0;
            for (int32_t n : quorvel::ProbePdfPageCountsOutOfProcess(files))
                t += n;
            return t;
        },
        batch);
    // The bare loop again with one document held open all along, so that the
    // library's global tables are built once: the least a count can cost.
    long kept = 0;
    double tKept = 0;
    {
        std::unique_ptr<poppler::document> holder(
            files.empty() ? nullptr : poppler::document::load_from_file(files.front()));
        tKept = Best(
            kRounds, [&] { return BareLoop(files); }, kept);
    }
    std::printf("%s: files=%zu poppler=%.3fs probe=%.3fs ratio=%.2f helper=%.3fs ratio=%.2f"
                " batch=%.3fs ratio=%.2f (library tables kept: poppler=%.3fs, probe/that=%.2f,"
                " helper/that=%.2f, batch/that=%.2f; helper start %.3fs; pages %ld/%ld/%ld/%ld)\n",
                label.c_str(), files.size(), tBare, tProbe, tProbe / tBare, tHelper,
                tHelper / tBare, tBatch, tBatch / tBare, tKept, tProbe / tKept, tHelper / tKept,
                tBatch / tKept, tStart, bare, probe, helper, batch);
    if (probe != helper || probe != batch)
        return 3;
    return bare == probe ? 0 : 4;
}

} // namespace

int main(int argc, char** argv) {
    poppler::set_debug_error_function(Quiet, nullptr);
    const std::string mode = argc > 1 ? argv[1] : "";
    std::vector<std::string> files;
    if (argc > 2) {
        std::ifstream in(argv[2]);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", argv[2]);
            return 2;
        }
        files = ReadList(in);
    } else {
        files = ReadList(std::cin);
    }
    if (mode == "compare" && argc > 2)
        return Compare(files, argc > 3 ? argv[3] : "count");
    if (mode == "poppler") {
        std::printf("%ld\n", BareLoop(files));
        return 0;
    }
    if (mode == "kept") {
        std::unique_ptr<poppler::document> holder(
            files.empty() ? nullptr : poppler::document::load_from_file(files.front()));
        std::printf("%ld\n", BareLoop(files));
        return 0;
    }
    std::fprintf(stderr, "usage: quorvel-count-bench compare LISTFILE [LABEL]\n"
                         "       quorvel-count-bench poppler|kept [LISTFILE]\n");
    return 2;
}
