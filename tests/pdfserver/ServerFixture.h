#pragma once

#include "common/TempDir.h"
#include "engine/Automation.h"
#include "pdfserver/DocumentServer.h"
#include "pdfserver/PdfTestFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

namespace quorvel::test {

// A document server and a temporary folder with generated sources.
class ServerFixture : public ::testing::Test {
protected:
    std::shared_ptr<IAcroPDDoc> NewPDDoc() {
        return CreateAs<IAcroPDDoc>(*m_factory, kProgIdPDDoc);
    }

    std::shared_ptr<IAcroPDDoc> Open(const std::string& path) {
        auto doc = NewPDDoc();
        EXPECT_EQ(doc->Open(path), 1) << path;
        return doc;
    }

    std::shared_ptr<IAcroPDDoc> Created() {
        auto doc = NewPDDoc();
        doc->Create();
        return doc;
    }

    // Writes (once) and returns the path of a generated source.
    std::string Source(const SourcePlan& plan) {
        std::string key = plan.name + std::to_string(plan.pages) + (plan.outline ? "o" : "") +
                          (plan.links ? "l" : "") + (plan.form ? "f" : "") +
                          (plan.encrypt ? "e" + plan.userPassword : "") + (plan.layers ? "y" : "") +
                          (plan.labels ? "b" : "") + (plan.attachment ? "t" : "") +
                          (plan.spreadForm ? "s" : "") + (plan.comments ? "c" : "") +
                          (plan.webItem ? "w" : "") + (plan.image ? "i" : "") + "v" + plan.version +
                          (plan.tagged ? "t" + plan.headingRole.substr(1) + plan.language +
                                             std::to_string(static_cast<int>(plan.damage))
                                       : "");
        auto found = m_sources.find(key);
        if (found != m_sources.end()) {
            return found->second;
        }
        std::string path = (m_dir / "src-" + key + ".pdf");
        WriteSource(path, plan);
        m_sources.emplace(key, path);
        return path;
    }

    std::string Source(const std::string& name, int pages) {
        SourcePlan plan;
        plan.name = name;
        plan.pages = pages;
        return Source(plan);
    }

    // Saves with the run's flags and checks that the result is a sound file
    // with every page object in the page tree.
    void SaveAndCheck(IAcroPDDoc& doc, const std::string& path, int pages) {
        ASSERT_EQ(doc.Save(0x21, path), 1) << path;
        auto parsed = ParseFully(path);
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(parsed.pages, pages);
        EXPECT_EQ(parsed.pageObjects, pages) << "page objects outside the page tree";
        EXPECT_EQ(parsed.warnings, 0);
        EXPECT_EQ(QpdfCheck(path), 0);
    }

    CTempDir m_dir;
    std::shared_ptr<IAutomationFactory> m_factory = CreateDocumentServerFactory();
    std::map<std::string, std::string> m_sources;
};

} // namespace quorvel::test
