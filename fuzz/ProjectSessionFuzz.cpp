// libFuzzer target: a project file from any bytes, opened in the explorer as qvx opens it,
// then changed through the tree and the project (delete, drag, rename, add, remove, reorder)
// and saved: the saved file must open again. The explorer's own failures are reported and
// the session goes on, as in any host; a crash, a sanitizer report, an exception out of the
// session or a save that does not open again is a finding.
//
// Nothing here deletes or writes a file on disk but the scratch project file: files of the
// project leave it through the project only (never the tree's delete, which may delete from
// disk), and nothing is dropped or copied.
#include "FuzzSupport.h"
#include "Script.h"
#include "Session.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <ostream>
#include <streambuf>
#include <vector>

namespace {

class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The host's settings and temporary files stay in the scratch folder.
    setenv("XDG_CONFIG_HOME", (qvfuzz::Folder() + "config").c_str(), 1);
    setenv("TMPDIR", qvfuzz::Folder().c_str(), 1);
    setenv("TMP", qvfuzz::Folder().c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string file = qvfuzz::WriteInput(data, size);
    std::shared_ptr<qv::Project> view; // the IDs to act on, read as the session reads them
    try {
        view = qv::LoadProject(file);
    } catch (const qv::ProjectFileError&) {
        return 0;
    } catch (const qv::Error& e) {
        qvfuzz::Finding("refused without file and line: " + e.Description());
    }
    std::vector<std::vector<std::string>> script = {{"open", file}};
    auto line = [&](std::vector<std::string> args) { script.push_back(std::move(args)); };
    const auto topics = view->Topics();
    const auto categories = view->TopicCategories();
    const auto files = view->OtherFiles();
    const auto profiles = view->BuildProfiles();
    const std::string firstTopic = topics->Count() ? topics->Item(1)->ID() : "";
    const std::string lastTopic = topics->Count() ? topics->Item(topics->Count())->ID() : "";
    const std::string firstCategory = categories->Count() ? categories->Item(1)->ID() : "";
    const std::string lastCategory =
        categories->Count() ? categories->Item(categories->Count())->ID() : "";
    // Through the tree: select, rename in place, drag, delete (no file nodes: see above).
    for (const auto& key : {std::string("topics"), std::string("images"), std::string("other")}) {
        line({"select", key});
        line({"expand", key});
    }
    if (!firstCategory.empty()) {
        line({"select", "c:" + firstCategory});
        line({"key", "F2"});
        line({"type", "Renamed <&> \"category\""});
    }
    if (!lastTopic.empty() && !lastCategory.empty())
        line({"drag", "t:" + lastTopic, "onto", "c:" + lastCategory, "into"});
    if (!firstTopic.empty() && firstTopic != lastTopic)
        line({"drag", "t:" + firstTopic, "onto", "t:" + lastTopic, "after"});
    if (files->Count()) {
        line({"select", "o:" + files->Item(1)->File()->LocalSpec()});
        line({"collapse", "o:" + files->Item(1)->File()->LocalSpec()});
    }
    if (!lastCategory.empty()) {
        line({"select", "c:" + lastCategory});
        line({"key", "Delete"});
    }
    if (!firstTopic.empty()) {
        line({"select", "t:" + firstTopic});
        line({"key", "Delete"});
    }
    if (profiles->Count() > 1) {
        line({"select", "bp:" + profiles->Item(profiles->Count())->ID()});
        line({"key", "Delete"});
    }
    // Through the project, as the rest of the IDE changes it.
    line({"project", "add-category", "", "Added"});
    line({"project", "add-topic", "", "Added", "Added title"});
    line({"project", "add-file", "added\\by the fuzzer.png"});
    line({"project", "add-profile", "", "Added profile"});
    if (!lastTopic.empty()) line({"project", "move-topic", lastTopic, ""});
    if (files->Count() > 1)
        line({"project", "remove-file", files->Item(files->Count())->File()->LocalSpec()});
    if (categories->Count() > 1) line({"project", "remove-category", firstCategory});
    line({"print", "tree"});
    line({"project", "save"});
    line({"close"});

    // QV_FUZZ_ECHO=1 shows the session's lines, to follow a finding.
    NullBuffer nothing;
    static const bool echo = std::getenv("QV_FUZZ_ECHO") != nullptr;
    std::ostream out(echo ? std::cerr.rdbuf() : &nothing);
    {
        qvx::Session session(out);
        for (const auto& args : script) {
            try {
                session.Run(args);
                session.LetPendingWorkRun();
            } catch (const qvx::UsageError& e) {
                // A line this input makes impossible (a node the tree does not hold): skipped.
                if (echo) out << "skipped: " << e.what() << "\n";
            } catch (const qvx::ProjectLoadError& e) {
                qvfuzz::Finding(std::string("the session could not open what the reader read: ") +
                                e.what());
            }
        }
    }
    try {
        auto saved = qv::LoadProject(file);
        qvfuzz::SaveAndReload(*saved, file);
    } catch (const qv::ProjectFileError& e) {
        qvfuzz::Finding("the project saved by the session does not open again: " + e.Description());
    }
    return 0;
}
