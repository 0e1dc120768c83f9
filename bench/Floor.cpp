#include "Floor.h"

#include <pugixml.hpp>
#include <stdexcept>
#include <string_view>

namespace qvbench {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool IsImage(std::string_view extension) {
    const std::string e = Lower(extension);
    for (const char* image :
         {"png", "jpg", "jpeg", "gif", "bmp", "ico", "svg", "tif", "tiff", "webp"})
        if (e == image) return true;
    return false;
}

// The label of a topic node, markup included, as the component draws it.
std::string TopicLabel(const pugi::xml_node& topic) {
    const std::string name = topic.attribute("name").value();
    const std::string spelled =
        std::string(" (<FORMAT spellcheck>") + topic.attribute("title").value() + "</FORMAT>)";
    if (topic.attribute("includeInOutput").as_bool(true)) return name + spelled;
    return "<FORMAT TEXT:808080>" + name + "</FORMAT>" + spelled;
}

} // namespace

std::size_t BuildFloor(const std::string& projectFile, PlainTree& tree) {
    pugi::xml_document doc;
    if (!doc.load_file(projectFile.c_str()))
        throw std::runtime_error("cannot parse " + projectFile);
    const std::string folder = projectFile.substr(0, projectFile.rfind('/') + 1);
    const pugi::xml_node root = doc.document_element();

    std::size_t expected = 0;
    for (const char* list : {"Categories", "Topics", "Files", "BuildProfiles"})
        for ([[maybe_unused]] pugi::xml_node n : root.child(list).children())
            ++expected;
    tree.Reserve(expected + expected / 64 + 8);

    PlainNode* topics = tree.Add(nullptr, "topics", "Topics", "topicfolderclosed");
    PlainNode* uncategorized =
        tree.Add(topics, "c:uncategorized", "(Un-categorized)", "topicfolderclosed");
    for (pugi::xml_node c : root.child("Categories").children("Category"))
        tree.Add(topics, std::string("c:") + c.attribute("id").value(), c.attribute("name").value(),
                 "topicfolderclosed");
    for (pugi::xml_node t : root.child("Topics").children("Topic")) {
        const std::string_view category = t.attribute("category").value();
        PlainNode* parent =
            category.empty() ? uncategorized : tree.Find("c:" + std::string(category));
        tree.Add(parent, std::string("t:") + t.attribute("id").value(), TopicLabel(t),
                 std::string("topicstatus") + t.attribute("status").as_string("Draft"));
    }

    PlainNode* images = tree.Add(nullptr, "images", "Image Files", "imagefolderclosed");
    images->sorted = true;
    PlainNode* other = tree.Add(nullptr, "other", "Other Files", "otherfilefolderclosed");
    other->sorted = true;
    for (pugi::xml_node f : root.child("Files").children("File")) {
        const std::string_view path = f.attribute("path").value();
        const std::size_t slash = path.rfind('\\');
        const std::string_view name = slash == path.npos ? path : path.substr(slash + 1);
        const std::size_t dot = name.rfind('.');
        const std::string_view extension =
            dot == name.npos ? std::string_view() : name.substr(dot + 1);
        const bool image = IsImage(extension);
        PlainNode* current = image ? images : other;
        std::string key = image ? "images" : "other";
        if (slash != path.npos) {
            const std::string_view folders = path.substr(0, slash);
            for (std::size_t at = 0;;) {
                const std::size_t next = folders.find('\\', at);
                const std::string_view part =
                    folders.substr(at, next == folders.npos ? folders.npos : next - at);
                key += '\\';
                key += Lower(part);
                PlainNode* found = tree.Find(key);
                if (!found) {
                    found = tree.Add(current, key, std::string(part),
                                     image ? "imagefolderclosed" : "otherfilefolderclosed", true);
                    found->sorted = true;
                }
                current = found;
                if (next == folders.npos) break;
                at = next + 1;
            }
        }
        std::string spec = folder;
        spec.append(path);
        for (std::size_t i = folder.size(); i < spec.size(); ++i)
            if (spec[i] == '\\') spec[i] = '/';
        tree.Add(current, "o:" + spec, std::string(name), "ext_" + Lower(extension));
    }

    PlainNode* profiles =
        tree.Add(nullptr, "buildprofiles", "Build Profiles", "buildprofilesclosed");
    profiles->sorted = true;
    for (pugi::xml_node b : root.child("BuildProfiles").children("BuildProfile"))
        tree.Add(profiles, std::string("bp:") + b.attribute("id").value(),
                 b.attribute("name").value(), "html");
    tree.Finish();
    return tree.Count();
}

} // namespace qvbench
