#pragma once

#include <string>
#include <vector>

namespace quorvel {

// What a file's logical structure says about each page, read the way an
// assistive reader follows it: from a marked-content id in a page's content
// through the page's /StructParents and the parent tree to an element, which
// must list that id on that page and hang in the tree below the root.
struct PageTags {
    int marked = 0;   // marked-content ids in the page's content streams
    int resolved = 0; // of those, ids that lead to an element as above
    int annotations = 0;
    int annotationsResolved = 0;
};

struct StructTreeReport {
    bool readable = false; // false: the file could not be parsed
    bool hasTree = false;
    bool marked = false; // /MarkInfo /Marked true
    std::string language;
    std::vector<PageTags> pages;
    int elements = 0;        // elements reached from the root
    int misplaced = 0;       // listed twice, or listed by another than their /P
    int unresolvedRoles = 0; // /S that no role map leads to a standard type
    // /StructParents of pages and /StructParent of annotations that the
    // parent tree lacks, or that two of them share.
    int danglingNumbers = 0;
    // The first page (0-based, -1 when none) of each element below the root.
    std::vector<int> topLevelFirstPages;
    // Standard types of the elements in tree order ("H1", "P", "Figure"...).
    std::vector<std::string> roles;

    // Every id and every numbered annotation resolves, no element is
    // misplaced and every role resolves.
    bool Sound() const;
};

// Reads the structure of the file at `path`; without `readContent`, the
// pages' content streams are not parsed and their ids not counted. Never
// throws.
StructTreeReport ReadStructTree(const std::string& path, bool readContent = true);

} // namespace quorvel
