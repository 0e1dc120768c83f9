#include "model/ProjectFileWriter.h"

#include <pugixml.hpp>
#include <sstream>
#include <string>

namespace qv {

namespace {
const char* Bool(bool value) {
    return value ? "true" : "false";
}
} // namespace

std::string WriteProjectFile(const ProjectData& data) {
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "utf-8";

    pugi::xml_node root = doc.append_child("QuorvelProject");
    root.append_attribute("formatVersion") = kProjectFormatVersion;
    root.append_attribute("allowCategoryIndex") = Bool(data.allowCategoryIndex);
    root.append_attribute("underSourceControl") = Bool(data.underSourceControl);
    root.append_attribute("nextTopicId") = std::to_string(data.nextTopicId).c_str();
    root.append_attribute("nextCategoryId") = std::to_string(data.nextCategoryId).c_str();
    root.append_attribute("nextProfileId") = std::to_string(data.nextProfileId).c_str();

    pugi::xml_node categories = root.append_child("Categories");
    for (const auto& c : data.categories) {
        pugi::xml_node e = categories.append_child("Category");
        e.append_attribute("id") = c.id.c_str();
        e.append_attribute("name") = c.name.c_str();
        e.append_attribute("autoGenerateIndex") = Bool(c.autoGenerateIndex);
    }
    pugi::xml_node topics = root.append_child("Topics");
    for (const auto& t : data.topics) {
        pugi::xml_node e = topics.append_child("Topic");
        e.append_attribute("id") = t.id.c_str();
        e.append_attribute("name") = t.name.c_str();
        e.append_attribute("title") = t.title.c_str();
        e.append_attribute("caption") = t.caption.c_str();
        if (!t.category.empty()) e.append_attribute("category") = t.category.c_str();
        e.append_attribute("status") = t.status.c_str();
        e.append_attribute("includeInOutput") = Bool(t.includeInOutput);
        if (!t.file.empty()) e.append_attribute("file") = t.file.c_str();
    }
    pugi::xml_node files = root.append_child("Files");
    for (const auto& f : data.files) {
        pugi::xml_node e = files.append_child("File");
        e.append_attribute("path") = f.path.c_str();
        e.append_attribute("includeInOutput") = Bool(f.includeInOutput);
    }
    pugi::xml_node profiles = root.append_child("BuildProfiles");
    for (const auto& b : data.profiles) {
        pugi::xml_node e = profiles.append_child("BuildProfile");
        e.append_attribute("id") = b.id.c_str();
        e.append_attribute("name") = b.name.c_str();
        e.append_attribute("title") = b.title.c_str();
        e.append_attribute("compiledHelp") = Bool(b.compiledHelp);
        e.append_attribute("helpFormat") = b.helpFormat;
        e.append_attribute("outputFolder") = b.outputFolder.c_str();
        e.append_attribute("current") = Bool(b.current);
    }

    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

} // namespace qv
