#pragma once

#include "contracts/Error.h"
#include "contracts/ProjectModel.h"
#include "support/EventLog.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace qvtest {

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qvmodel-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern + "/";
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; } // ends with "/"
    std::string operator/(const std::string& relative) const { return path_ + relative; }

    void Write(const std::string& relative, const std::string& text) const {
        std::filesystem::path p(path_ + relative);
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }
    // A copy of the sample project; returns the path of its project file.
    std::string CopySample() const {
        std::filesystem::copy(std::string(QV_SOURCE_DIR) + "/samples/Handbook", path_ + "Handbook",
                              std::filesystem::copy_options::recursive);
        return path_ + "Handbook/Handbook.qvproj";
    }

private:
    std::string path_;
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

// The error number a call raises; 0 when it succeeds.
template <class F> int32_t ErrorNumber(F&& call) {
    try {
        call();
    } catch (const qv::Error& e) {
        return e.Number();
    }
    return 0;
}

// The IDs of a topic collection in order, blank separated.
inline std::string Ids(const qv::TopicCollection& topics) {
    std::string out;
    for (int32_t i = 1; i <= topics.Count(); ++i)
        out += (i > 1 ? " " : "") + topics.Item(i)->ID();
    return out;
}

} // namespace qvtest
