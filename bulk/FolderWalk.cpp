#include "bulk/FolderWalk.h"

#include "bulk/NameOrder.h"

#include <algorithm>
#include <dirent.h>
#include <exception>
#include <sys/stat.h>
#include <vector>

namespace quorvel {

int CJobListScanHost::AddJobEntry(const JobEntryFields& fields) {
    return quorvel::AddJobEntry(m_jobs, m_addHost, fields);
}

std::string FileTitle(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string RemoveTrailingSeparators(const std::string& path) {
    std::string out = path;
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

bool PassesExtensionTest(const std::string& fullPath, const std::string& extension) {
    // Only ASCII letters are lowered: bytes of multi-byte UTF-8 sequences are
    // all above 0x7F and stay as they are.
    std::string lower = fullPath;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower.find(extension) != std::string::npos;
}

namespace {

// Removes every occurrence of `what` in one left-to-right pass.
std::string RemoveAll(const std::string& text, const std::string& what) {
    std::string out;
    size_t pos = 0;
    for (;;) {
        const size_t hit = text.find(what, pos);
        if (hit == std::string::npos)
            break;
        out.append(text, pos, hit - pos);
        pos = hit + what.size();
    }
    out.append(text, pos, std::string::npos);
    return out;
}

// `cut` moved forward to the end of the UTF-8 character that the byte
// before it belongs to, when that character goes on past `cut`; bytes that
// are no valid sequence are cut where asked.
size_t ExtendCutToCharacterEnd(const std::string& text, size_t cut) {
    auto isContinuation = [&](size_t i) {
        return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    };
    if (cut == 0 || cut >= text.size() || !isContinuation(cut))
        return cut;
    // The lead byte is at most three bytes before the first one cut off.
    size_t lead = cut - 1;
    while (lead > 0 && cut - lead < 4 && isContinuation(lead))
        --lead;
    const auto byte = static_cast<unsigned char>(text[lead]);
    const size_t length = byte >= 0xF0 && byte <= 0xF4   ? 4
                          : byte >= 0xE0 && byte <= 0xEF ? 3
                          : byte >= 0xC2 && byte <= 0xDF ? 2
                                                         : 0;
    const size_t end = lead + length;
    if (end <= cut || end > text.size())
        return cut;
    for (size_t i = lead + 1; i < end; ++i) {
        if (!isContinuation(i))
            return cut;
    }
    return end;
}

} // namespace

std::string GroupedOutputPath(const std::string& outputDir, const std::string& suffix,
                              const std::string& sourcePath) {
    std::string t = JoinPath(outputDir, FileTitle(sourcePath));
    t = RemoveAll(t, ".pdf");
    t = RemoveAll(t, ".PDF");
    return t + suffix + ".pdf";
}

std::string PartNameOutputPath(const std::string& outputDir, int firstChars,
                               const std::string& sourcePath) {
    std::string title = FileTitle(sourcePath);
    if (firstChars >= 0 && static_cast<size_t>(firstChars) < title.size()) {
        // Never cut a UTF-8 character in two: half a character is not valid
        // text. The cut moves to the character's end rather than its start,
        // so that a small n still tells names apart by their first character
        // instead of sending them all to the group of n = 0.
        title.resize(ExtendCutToCharacterEnd(title, static_cast<size_t>(firstChars)));
    }
    return JoinPath(outputDir, title) + ".pdf";
}

namespace {

enum class WalkKind { Grouped, OneOutput, PartName };

// The inputs of one walk, fixed for all its levels, and the one thing that
// changes while it runs.
struct WalkState {
    WalkKind kind = WalkKind::Grouped;
    std::string extension;
    std::string outputDir;    // Grouped, PartName
    std::string suffix;       // Grouped
    std::string containsText; // OneOutput
    std::string outputFile;   // OneOutput
    bool removeExisting = false;
    int firstChars = 0; // PartName
    bool addedAny = false;
};

struct FolderEntry {
    std::string name;
    std::string folded; // FoldCase(name), the sort key
    bool isFolder = false;
};

// Lists a folder's entries that the walk can use: folders, and regular files
// or links to them. Links to folders are left out so that a link loop cannot
// keep the walk going; sockets, pipes and devices are left out because
// opening one to count its pages could block. Names are sorted as file
// managers show them (FolderNameLess): the order a directory hands them out
// in is arbitrary on most Linux file systems, and the append order of a group
// must be one the user can predict.
std::vector<FolderEntry> ListFolder(const std::string& folder) {
    std::vector<FolderEntry> entries;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return entries;
    while (const dirent* d = readdir(dir)) {
        const std::string name = d->d_name;
        if (name == "." || name == "..")
            continue;
        FolderEntry e;
        e.name = name;
        if (d->d_type == DT_DIR) {
            e.isFolder = true;
        } else if (d->d_type != DT_REG) {
            struct stat st {};
            const std::string full = JoinPath(folder, name);
            if (lstat(full.c_str(), &st) != 0)
                continue;
            if (S_ISDIR(st.st_mode)) {
                e.isFolder = true;
            } else if (S_ISLNK(st.st_mode)) {
                if (stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
                    continue;
            } else if (!S_ISREG(st.st_mode)) {
                continue;
            }
        }
        e.folded = FoldCase(e.name);
        entries.push_back(std::move(e));
    }
    closedir(dir);
    // FolderNameLess, with each name folded once.
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        return a.folded != b.folded ? a.folded < b.folded : a.name < b.name;
    });
    return entries;
}

// True when the walk offers file `name` of `folder` to AddJobEntry.
bool Offers(const WalkState& state, const std::string& folder, const std::string& name) {
    if (state.kind == WalkKind::OneOutput && name.find(state.containsText) == std::string::npos)
        return false;
    return PassesExtensionTest(JoinPath(folder, name), state.extension);
}

// Tells the host which files of `entries` from `from` on the walk will offer.
void TellFilesAhead(IScanHost& host, const WalkState& state, const std::string& folder,
                    const std::vector<FolderEntry>& entries, size_t from) {
    std::vector<std::string> ahead;
    for (size_t i = from; i < entries.size(); ++i) {
        if (!entries[i].isFolder && Offers(state, folder, entries[i].name))
            ahead.push_back(JoinPath(folder, entries[i].name));
    }
    host.FilesAhead(ahead);
}

void HandleFile(IScanHost& host, WalkState& state, const std::string& folder,
                const std::string& name) {
    if (!Offers(state, folder, name))
        return;
    const std::string full = JoinPath(folder, name);
    JobEntryFields f;
    f.filename = full;
    f.selected = 1;
    f.parameters = "all";
    f.keepBookmarks = "N";
    f.create = "N";
    f.append = "Y";
    f.bookmarkFilename = "N";
    switch (state.kind) {
    case WalkKind::Grouped:
        f.outputFile = GroupedOutputPath(state.outputDir, state.suffix, full);
        break;
    case WalkKind::OneOutput:
        f.outputFile = state.outputFile;
        if (state.removeExisting && !state.addedAny)
            f.create = "Y";
        break;
    case WalkKind::PartName:
        f.outputFile = PartNameOutputPath(state.outputDir, state.firstChars, full);
        break;
    }
    if (host.AddJobEntry(f) == 1)
        state.addedAny = true;
}

void Walk(IScanHost& host, WalkState& state, const std::string& folder, int recurse) {
    if (host.StopRequested())
        return;
    if (!folder.empty()) {
        host.ShowFolder(folder);
        host.PumpOneMessage();
        const std::vector<FolderEntry> entries = ListFolder(folder);
        TellFilesAhead(host, state, folder, entries, 0);
        for (size_t i = 0; i < entries.size(); ++i) {
            const FolderEntry& e = entries[i];
            host.ShowFolder(folder);
            host.PumpOneMessage();
            if (host.StopRequested())
                return;
            if (e.isFolder) {
                if (e.name[0] != '.' && recurse) {
                    Walk(host, state, JoinPath(folder, e.name), 1);
                    // A stop inside the subfolder unwinds every level at once.
                    if (host.StopRequested())
                        return;
                    TellFilesAhead(host, state, folder, entries, i + 1);
                }
            } else {
                // One entry's failure must not end the whole walk.
                try {
                    HandleFile(host, state, folder, e.name);
                } catch (const std::exception&) {
                }
            }
            host.PumpOneMessage();
            host.RepaintMainWindow();
        }
    }
    host.AutosizeFilenameColumn();
}

} // namespace

void ScanFolderGrouped(IScanHost& host, const std::string& folder, const std::string& extension,
                       int recurse, const std::string& outputDir, const std::string& suffix) {
    WalkState state;
    state.kind = WalkKind::Grouped;
    state.extension = extension;
    state.outputDir = outputDir;
    state.suffix = suffix;
    Walk(host, state, folder, recurse);
}

void ScanFolderOneOutput(IScanHost& host, const std::string& folder, const std::string& extension,
                         int recurse, const std::string& containsText,
                         const std::string& outputFile, bool removeExisting) {
    WalkState state;
    state.kind = WalkKind::OneOutput;
    state.extension = extension;
    state.containsText = containsText;
    state.outputFile = outputFile;
    state.removeExisting = removeExisting;
    Walk(host, state, folder, recurse);
}

void ScanFolderPartName(IScanHost& host, const std::string& folder, const std::string& extension,
                        int recurse, int firstChars, const std::string& outputDir) {
    WalkState state;
    state.kind = WalkKind::PartName;
    state.extension = extension;
    state.firstChars = firstChars;
    state.outputDir = outputDir;
    Walk(host, state, folder, recurse);
}

} // namespace quorvel
