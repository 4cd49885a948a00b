// Walks the logical structure of a PDF the way an assistive reader follows
// it and prints, per page, how many marked-content ids its content has and
// how many resolve through /StructParents and the parent tree to an element
// of that page below the root; likewise for numbered annotations. Exits 0
// when everything resolves, 1 when something does not, 2 when the file
// cannot be read.
//
// usage: quorvel-struct-walk FILE.pdf [--summary]

#include "pdfserver/StructTreeReport.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE.pdf [--summary]\n", argv[0]);
        return 2;
    }
    const bool summary = argc > 2 && std::strcmp(argv[2], "--summary") == 0;
    const auto report = quorvel::ReadStructTree(argv[1]);
    if (!report.readable) {
        std::fprintf(stderr, "%s: cannot be read\n", argv[1]);
        return 2;
    }
    long long marked = 0, resolved = 0, annotations = 0, annotationsResolved = 0;
    int pagesUnresolved = 0;
    for (size_t i = 0; i < report.pages.size(); ++i) {
        const auto& page = report.pages[i];
        marked += page.marked;
        resolved += page.resolved;
        annotations += page.annotations;
        annotationsResolved += page.annotationsResolved;
        const bool whole =
            page.resolved == page.marked && page.annotationsResolved == page.annotations;
        pagesUnresolved += whole ? 0 : 1;
        if (!summary || !whole) {
            std::printf("page %zu: %d marked-content ids, %d resolved; %d annotations, %d "
                        "resolved%s\n",
                        i + 1, page.marked, page.resolved, page.annotations,
                        page.annotationsResolved, whole ? "" : "  <-- UNRESOLVED");
        }
    }
    std::printf("structure tree: %s; marked: %s; language: %s\n", report.hasTree ? "yes" : "no",
                report.marked ? "yes" : "no",
                report.language.empty() ? "(none)" : report.language.c_str());
    std::printf("pages: %zu (%d with unresolved ids); ids: %lld, resolved %lld; annotations: "
                "%lld, resolved %lld\n",
                report.pages.size(), pagesUnresolved, marked, resolved, annotations,
                annotationsResolved);
    std::printf("elements below the root: %d; misplaced: %d; roles not resolving to a standard "
                "type: %d; numbers dangling or shared: %d\n",
                report.elements, report.misplaced, report.unresolvedRoles, report.danglingNumbers);
    return report.Sound() ? 0 : 1;
}
