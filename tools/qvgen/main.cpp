// qvgen: writes the generated project of the benchmarks (bench/Shape.h) to disk, so that the
// desktop program and qvx can be timed on it. See docs/performance.md.
#include "Shape.h"
#include "contracts/Error.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace fs = std::filesystem;

namespace {

int Usage() {
    std::cerr << "usage: qvgen [--no-pages] TOPICS FOLDER\n"
                 "Writes FOLDER/projectTOPICS/Generated.qvproj with its files. Each topic gets\n"
                 "a small page (topics/ID.html) unless --no-pages is given.\n";
    return 2;
}

// A page as an author's topic looks: a head with a style sheet, a heading and some text.
std::string PageOf(const std::string& title) {
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" + title +
           "</title>\n<link rel=\"stylesheet\" href=\"../assets/site.css\">\n</head>\n<body>\n"
           "<h1>" +
           title +
           "</h1>\n<p>Open the settings, choose the subject and follow the steps below. Each "
           "step is saved as soon as it is made.</p>\n<ol><li>Open</li><li>Choose</li>"
           "<li>Confirm</li></ol>\n</body>\n</html>\n";
}

} // namespace

int main(int argc, char** argv) {
    bool pages = true;
    int at = 1;
    if (at < argc && std::string(argv[at]) == "--no-pages") {
        pages = false;
        ++at;
    }
    if (argc - at != 2) return Usage();
    const int topics = std::atoi(argv[at]);
    if (topics < 1) return Usage();
    try {
        std::string folder = fs::absolute(argv[at + 1]).lexically_normal().string();
        if (folder.back() != '/') folder += '/';
        fs::create_directories(folder);
        qvbench::TemporaryFolder() = folder;
        const qvbench::Shape& shape = qvbench::ShapeFor(topics);
        auto project = qvbench::MakeProject(shape);
        if (pages) {
            fs::create_directories(shape.folder + "topics");
            auto all = project->Topics();
            for (int32_t i = 1; i <= all->Count(); ++i) {
                auto topic = project->FindTopic(all->Item(i)->ID());
                std::ofstream out(topic->DiskPath(), std::ios::binary);
                out << PageOf(topic->Title());
                if (!out) throw std::runtime_error("cannot write " + topic->DiskPath());
            }
        }
        project->Save();
        // The shape names its project file for the benchmarks; the desktop program opens
        // folders holding a .qvproj.
        const std::string file = shape.folder + "Generated.qvproj";
        fs::rename(project->Path(), file);
        std::cout << file << "\n";
        return 0;
    } catch (const qv::Error& e) {
        std::cerr << "qvgen: " << e.Description() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "qvgen: " << e.what() << "\n";
    }
    return 1;
}
