#pragma once

// A document server for tests: it keeps documents as lists of page labels in
// memory, logs every call it receives ("Open out.pdf", "InsertPages 4 src 5 2
// 0") and lets a test script any call's result or make any call or object
// creation fail. Saving writes a small placeholder file so that code which
// looks at the disk sees the output appear.

#include "engine/Automation.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::test {

// One document as the fake server stores it: page labels such as "src:3"
// (file stem and 1-based page of the file the page came from) and top-level
// bookmarks as (title, 0-based page).
struct FakeDocument {
    std::vector<std::string> pages;
    std::vector<std::pair<std::string, int>> bookmarks;
};

struct FakeView;

class CRecordingFactory : public IAutomationFactory {
public:
    // `root` is cut from the front of every path in the log, so tests working
    // in a temporary folder can write "Open out.pdf".
    explicit CRecordingFactory(std::string root = {});

    std::shared_ptr<IAcroObject> CreateObject(const std::string& progId) override;

    // Registers a source document of `pages` pages under `path` and writes a
    // placeholder file there. Pages are labelled "<stem>:1" ... "<stem>:N".
    void AddFile(const std::string& path, int pages);
    // Makes the file at `path` open only once SetPassword gave it `password`.
    void Protect(const std::string& path, const std::string& password) {
        m_required[path] = password;
    }
    // Logged as "SetPassword <path>" (the password itself stays out of the log).
    void SetPassword(const std::string& path, const CSecret& password) override;
    // Whether Open may read `path` now.
    bool Unlocked(const std::string& path) const;
    // The stored document at `path` (as last saved); empty when there is none.
    FakeDocument Document(const std::string& path) const;
    bool HasDocument(const std::string& path) const { return m_store.count(path) != 0; }

    // Makes the `occurrence`-th call whose log line starts with `prefix`
    // (counted from 1; 0: every such call); the prefix matches whole
    // words, so "Create" does not match "CreateObject ..." return `value` instead of running.
    // A creation ("CreateObject AcroExch.PDDoc") with value 0 yields no
    // object; "Create" with value 0 throws AutomationException.
    void Script(const std::string& prefix, int32_t value, int occurrence = 0);
    void FailOn(const std::string& prefix, int occurrence = 1) { Script(prefix, 0, occurrence); }

    // Every call so far, in order.
    const std::vector<std::string>& Calls() const { return *m_log; }
    // The calls without those that start with any of `skipPrefixes`.
    std::vector<std::string> CallsWithout(const std::vector<std::string>& skipPrefixes) const;
    // Shared with a recording host, so both write one trace.
    std::shared_ptr<std::vector<std::string>> Log() const { return m_log; }
    void ClearCalls() { m_log->clear(); }

    // Implementation, used by the fake objects.
    bool Record(const std::string& line, int32_t& scripted);
    std::string Shown(const std::string& path) const;
    std::map<std::string, FakeDocument> m_store;
    std::weak_ptr<FakeView> m_activeView;

private:
    struct Rule {
        std::string prefix;
        int occurrence;
        int32_t value;
        int seen = 0;
    };
    std::string m_root;
    std::shared_ptr<std::vector<std::string>> m_log;
    std::vector<Rule> m_rules;
    std::map<std::string, std::string> m_required;
    std::map<std::string, std::string> m_given;
};

} // namespace quorvel::test
