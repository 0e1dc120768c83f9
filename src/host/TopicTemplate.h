#pragma once

#include <string>

namespace qv {

class Project;
class TopicItem;

// The content file of a new topic, made from a template.
//
// The template is the project's own "template/topic.html" when it exists, else a built-in
// page. "{{title}}" in the template stands for the topic's title; a template without it has
// the text of its first <title> and first <h1> element replaced instead (so a plain page
// saved as the template works too). The title is HTML-escaped.
class TopicTemplate {
public:
    static constexpr const char* kProjectTemplate = "template/topic.html";
    static constexpr const char* kPlaceholder = "{{title}}";

    static const std::string& BuiltIn();
    static std::string Fill(const std::string& templateText, const std::string& title);

    // The template text for a project: its own template when readable, else the built-in one.
    static std::string For(const Project& project);

    // Writes the topic's content file unless the topic names none or the file exists (an
    // existing file is never touched; the check and the creation are one step, so a file made
    // meanwhile by someone else is not overwritten either). Missing folders below the project
    // folder are made. Returns whether a file was written. Raises 5 when the file would lie
    // outside the project folder and 75 when it cannot be written.
    static bool CreateContentFile(const Project& project, const TopicItem& topic);

    // Makes the content file of a topic that is about to be made with the ID and title, under
    // a name nothing uses yet: "topics\ID.html", else "topics\ID-2.html", "-3" ... when
    // something lies there on disk (as the project resolves the name) or another topic names it
    // (in any case, with either separator). A new topic thus
    // never takes over, and a build never publishes, a page that was not written for it.
    // Returns the name as the project file writes it. Raises 75 when no file can be made.
    static std::string CreateNewContentFile(const Project& project, const std::string& id,
                                            const std::string& title);

private:
    // Writes the filled template to a new file at the disk path; false when something lies
    // there already (checked and created in one step).
    static bool WriteNewFile(const Project& project, const std::string& path,
                             const std::string& title, const std::string& id);
};

} // namespace qv
