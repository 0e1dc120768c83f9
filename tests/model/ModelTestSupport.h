#pragma once

#include "contracts/Error.h"
#include "contracts/ProjectModel.h"
#include "model/ChangeObserver.h"
#include "support/ErrorOf.h"
#include "support/EventLog.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace qvtest {

// A TempDir whose path ends with "/", naming the paths below it with "/".
class TempFolder : public TempDir {
public:
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + relative; }
    // A copy of the sample project; returns the path of its project file.
    std::string CopySample() const {
        std::filesystem::copy(std::string(QV_SOURCE_DIR) + "/samples/Handbook", path_ + "Handbook",
                              std::filesystem::copy_options::recursive);
        return path_ + "Handbook/Handbook.qvproj";
    }

private:
    std::string path_ = TempDir::Path() + "/";
};

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void SetMode(const std::string& path, mode_t mode) {
    ::chmod(path.c_str(), mode);
}

// Records each project event as one line: "TopicChanged topic:T1".
class LoggingSink : public qv::ProjectEvents {
public:
    EventLog log;

    void BuildProfileAdded(const std::shared_ptr<qv::BuildProfile>& b) override {
        log.Add("BuildProfileAdded profile:" + b->ID());
    }
    void BuildProfileChanged(const std::shared_ptr<qv::BuildProfile>& b) override {
        log.Add("BuildProfileChanged profile:" + b->ID());
    }
    void BuildProfileRemoved(const std::shared_ptr<qv::BuildProfile>& b) override {
        log.Add("BuildProfileRemoved profile:" + b->ID());
    }
    void CheckoutStatusChanged() override { log.Add("CheckoutStatusChanged"); }
    void OtherFileAdded(const std::shared_ptr<qv::OtherFile>& f) override {
        log.Add("OtherFileAdded file:" + f->RelativePath());
    }
    void OtherFileChanged(const std::shared_ptr<qv::OtherFile>& f) override {
        log.Add("OtherFileChanged file:" + f->RelativePath());
    }
    void OtherFileCheckoutStatusChanged(const std::shared_ptr<qv::OtherFile>& f) override {
        log.Add("OtherFileCheckoutStatusChanged file:" + f->RelativePath());
    }
    void OtherFileRemoved(const std::shared_ptr<qv::OtherFile>& f) override {
        log.Add("OtherFileRemoved file:" + f->RelativePath());
    }
    void ProjectElementCheckOutStatusChanged(int32_t type) override {
        log.Add("ProjectElementCheckOutStatusChanged " + std::to_string(type));
    }
    void TopicAdded(const std::shared_ptr<qv::Topic>& t) override {
        log.Add("TopicAdded topic:" + t->ID());
    }
    void TopicCategoryAdded(const std::shared_ptr<qv::TopicCategory>& c) override {
        log.Add("TopicCategoryAdded category:" + c->ID());
    }
    void TopicCategoryChanged(const std::shared_ptr<qv::TopicCategory>& c) override {
        log.Add("TopicCategoryChanged category:" + c->ID());
    }
    void TopicCategoryRemoved(const std::shared_ptr<qv::TopicCategory>& c) override {
        log.Add("TopicCategoryRemoved category:" + c->ID());
    }
    void TopicCategoryReOrdered(const std::shared_ptr<qv::TopicCategory>& c) override {
        log.Add("TopicCategoryReOrdered category:" + c->ID());
    }
    void TopicChanged(const std::shared_ptr<qv::Topic>& t) override {
        log.Add("TopicChanged topic:" + t->ID());
    }
    void TopicCheckoutStatusChanged(const std::shared_ptr<qv::Topic>& t) override {
        log.Add("TopicCheckoutStatusChanged topic:" + t->ID());
    }
    void TopicRemoved(const std::shared_ptr<qv::Topic>& t) override {
        log.Add("TopicRemoved topic:" + t->ID());
    }
    void TopicReOrdered(const std::shared_ptr<qv::Topic>& t) override {
        log.Add("TopicReOrdered topic:" + t->ID());
    }
};

// Records what a project's change observer is told, one line each, with the item's place in
// its collection at that moment (0: not in it): "change topic:T1 @1", "leave topic:T3 @3",
// "arrive topic:T40 @0 before end".
class LoggingChangeObserver : public qv::ProjectChangeObserver {
public:
    explicit LoggingChangeObserver(const qv::QVProject& project) : project_(project) {}
    EventLog log;

    void BeforeChange(const std::shared_ptr<qv::Topic>& t) override { Log("change", t); }
    void BeforeLeave(const std::shared_ptr<qv::Topic>& t) override { Log("leave", t); }
    void BeforeArrive(const std::shared_ptr<qv::Topic>& t,
                      const std::shared_ptr<qv::Topic>& next) override {
        Log("arrive", t, next);
    }
    void BeforeChange(const std::shared_ptr<qv::TopicCategory>& c) override { Log("change", c); }
    void BeforeLeave(const std::shared_ptr<qv::TopicCategory>& c) override { Log("leave", c); }
    void BeforeArrive(const std::shared_ptr<qv::TopicCategory>& c,
                      const std::shared_ptr<qv::TopicCategory>& next) override {
        Log("arrive", c, next);
    }
    void BeforeChange(const std::shared_ptr<qv::OtherFile>& f) override { Log("change", f); }
    void BeforeLeave(const std::shared_ptr<qv::OtherFile>& f) override { Log("leave", f); }
    void BeforeArrive(const std::shared_ptr<qv::OtherFile>& f,
                      const std::shared_ptr<qv::OtherFile>& next) override {
        Log("arrive", f, next);
    }
    void BeforeChange(const std::shared_ptr<qv::BuildProfile>& b) override { Log("change", b); }
    void BeforeLeave(const std::shared_ptr<qv::BuildProfile>& b) override { Log("leave", b); }
    void BeforeArrive(const std::shared_ptr<qv::BuildProfile>& b,
                      const std::shared_ptr<qv::BuildProfile>& next) override {
        Log("arrive", b, next);
    }

private:
    static std::string Key(const qv::Topic& t) { return "topic:" + t.ID(); }
    static std::string Key(const qv::TopicCategory& c) { return "category:" + c.ID(); }
    static std::string Key(const qv::OtherFile& f) { return "file:" + f.RelativePath(); }
    static std::string Key(const qv::BuildProfile& b) { return "profile:" + b.ID(); }
    int32_t IndexOf(const qv::Topic& t) const { return project_.Topics()->IndexOf(t); }
    int32_t IndexOf(const qv::TopicCategory& c) const {
        return project_.TopicCategories()->IndexOf(c);
    }
    int32_t IndexOf(const qv::OtherFile& f) const { return project_.OtherFiles()->IndexOf(f); }
    int32_t IndexOf(const qv::BuildProfile& b) const {
        return project_.BuildProfiles()->IndexOf(b);
    }
    template <class T> std::string Line(const char* what, const T& item) const {
        return std::string(what) + " " + Key(item) + " @" + std::to_string(IndexOf(item));
    }
    template <class T> void Log(const char* what, const std::shared_ptr<T>& item) {
        log.Add(Line(what, *item));
    }
    template <class T>
    void Log(const char* what, const std::shared_ptr<T>& item, const std::shared_ptr<T>& next) {
        log.Add(Line(what, *item) + " before " + (next ? Key(*next) : std::string("end")));
    }

    const qv::QVProject& project_;
};

// The IDs of a topic collection in order, blank separated.
inline std::string Ids(const qv::TopicCollection& topics) {
    std::string out;
    for (int32_t i = 1; i <= topics.Count(); ++i)
        out += (i > 1 ? " " : "") + topics.Item(i)->ID();
    return out;
}

} // namespace qvtest
