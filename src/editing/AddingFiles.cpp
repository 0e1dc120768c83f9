#include "contracts/Error.h"
#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"
#include "explorer/Text.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace qv {

using diag::Procedure;

namespace {

namespace fs = std::filesystem;

bool SameContents(const std::string& a, const std::string& b) {
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    if (!x || !y) return false;
    return std::equal(std::istreambuf_iterator<char>(x), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(y), std::istreambuf_iterator<char>());
}

// Copies source into a new file at target (never one that exists: "x" opens exclusively).
// The error of the step that failed comes back as the system says it (a full disk is "No
// space left on device"), and a partial target is removed.
std::error_code CopyToNewFile(const std::string& source, const std::string& target) {
    auto failure = [] { return std::error_code(errno ? errno : EIO, std::generic_category()); };
    errno = 0;
    std::FILE* in = std::fopen(source.c_str(), "rb");
    if (!in) return failure();
    errno = 0;
    std::FILE* out = std::fopen(target.c_str(), "wbx");
    if (!out) {
        const std::error_code ec = failure();
        std::fclose(in);
        return ec;
    }
    std::error_code ec;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        errno = 0;
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in);
        if (n < buffer.size() && std::ferror(in)) {
            ec = failure();
            break;
        }
        errno = 0;
        if (n > 0 && std::fwrite(buffer.data(), 1, n, out) != n) {
            ec = failure();
            break;
        }
        if (n < buffer.size()) break;
    }
    std::fclose(in);
    errno = 0;
    if (std::fclose(out) != 0 && !ec) ec = failure();
    if (ec) {
        std::error_code ignored;
        fs::remove(target, ignored);
        return ec;
    }
    std::error_code ignored;
    fs::permissions(target, fs::status(source, ignored).permissions(), ignored);
    return {};
}

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
    return text::Lower(text::Left(s, prefix.size())) == text::Lower(prefix);
}

} // namespace

void ProjectExplorer::AddFiles(Tool& command, const std::string& nodeKey) {
    std::string startFolder;
    bool autoCopy = false;
    bool cancel = false;
    Procedure p(errors_, "AddFiles", {diag::Var::UdtParameter("Command"), {"NodeKey", nodeKey}},
                {{"StartFolder", startFolder}, {"AutoCopy", autoCopy}, {"Cancel", cancel}});
    p.Run([&] {
        p.line = 1;
        const std::string folder = Need(Need(mQVProject).ProjectFile()).Folder();
        if (nodeKey == "other" || nodeKey == "images")
            startFolder = folder;
        else if (text::StartsWith(nodeKey, "images\\"))
            startFolder = folder + std::string(text::Mid(nodeKey, 8));
        else if (text::StartsWith(nodeKey, "other\\"))
            startFolder = folder + std::string(text::Mid(nodeKey, 7));
        else
            startFolder = folder + nodeKey;
        // Keys are lower case and "\" separated; the dialog needs the folder as the disk has it.
        auto start = site_.libraries.NewFileObject();
        Need(start).SetSpec(startFolder + "\\");
        startFolder = start->Folder();
        if (text::Lower(command.Name()) == "addimage") {
            p.line = 2;
            const auto files = Need(site_.libraries.ImageFileDialog())
                                   .BrowseForImages("Add Images",
                                                    "Image files (*.png;*.jpg;*.bmp;*.gif)|*.png;"
                                                    "*.jpg;*.bmp;*.gif",
                                                    "bmp", startFolder, true);
            for (const auto& file : files)
                CreateNewOtherFile(file, autoCopy, cancel, "");
            return;
        }
        p.line = 3;
        const std::string chosen =
            Shared().BrowseForFiles("Add to Project", "All files (*.*)|*.*", startFolder, true);
        if (chosen.empty()) return;
        if (chosen.find('\0') == std::string::npos) {
            CreateNewOtherFile(chosen, autoCopy, cancel, "");
            return;
        }
        const auto parts = text::Split(chosen, '\0');
        std::string directory(parts[0]);
        if (directory.empty() || (directory.back() != '/' && directory.back() != '\\'))
            directory += '/';
        for (std::size_t i = 1; i < parts.size(); ++i)
            CreateNewOtherFile(directory + std::string(parts[i]), autoCopy, cancel, "");
    });
}

void ProjectExplorer::CreateNewOtherFile(const std::string& filename, bool& autoCopy, bool& cancel,
                                         const std::string& autoCopyFolder) {
    std::shared_ptr<OtherFile> f;
    Procedure p(errors_, "CreateNewOtherFile",
                {{"Filename", filename},
                 {"AutoCopy", autoCopy},
                 {"Cancel", cancel},
                 {"AutoCopyFolder", autoCopyFolder}},
                {{"f", f}});
    p.Run([&] {
        QVProject& project = Need(mQVProject);
        const auto files = project.OtherFiles();
        const std::string folder = Need(project.ProjectFile()).Folder();
        auto box = [&](const std::string& text, int32_t buttons, const std::string& title) {
            return site_.libraries.MsgBox(text, buttons, title);
        };
        p.line = 1;
        // The project writes "\" between folders, so a name that holds one (a file or folder
        // of this disk named so) would be listed, and read back, as another file: refused
        // before the duplicate test, which would look at that other file.
        std::error_code literal;
        if (filename.find('\\') != std::string::npos &&
            fs::symlink_status(filename, literal).type() != fs::file_type::not_found && !literal) {
            box("'" + filename +
                    "' cannot be added to the Quorvel project: a \"\\\" in a file or folder "
                    "name would be read as a folder separator.",
                48, "Invalid file name");
            return;
        }
        // The path as the project would list it ("..", doubled separators and the disk's
        // spelling resolved): another spelling of a listed file is the same duplicate, not a
        // collection error at the end.
        auto listedAs = site_.libraries.NewFileObject();
        Need(listedAs).SetSpec(filename);
        if (Shared().InCollection(*files, filename) ||
            Shared().InCollection(*files, listedAs->LocalSpec())) {
            box("The file '" + filename + "' already exists in this Quorvel project", 48,
                "Duplicate");
            return;
        }
        // A shell drop may hold folders; a folder would become an entry without a file.
        if (listedAs->FileName().empty()) {
            box("'" + filename + "' is a folder. Only files can be added to the Quorvel project.",
                48, "Not a file");
            return;
        }
        p.line = 2;
        f = project.NewOtherFile(filename);
        if (f->IsTemplateFile()) {
            box("This file should not be added to the Quorvel project; it is part of the "
                "Template which is automatically included by Quorvel when generating the help "
                "system.",
                48, "Template file");
            return;
        }
        p.line = 3;
        FileObject& file = Need(f->File());
        if (!StartsWithNoCase(file.LocalSpec(), folder)) {
            p.line = 4;
            const std::string name = file.FileName();
            if (!autoCopy) {
                const int32_t answer = box(
                    "WARNING: It is highly recommended that you only add files to the Quorvel "
                    "project that are in the project directory or sub-directories.  Adding files "
                    "in other locations can result in incorrect references to those files in any "
                    "generated compiled help files.  Would you like to copy this file ('" +
                        name + "') to the " +
                        (f->IsImage() ? "images project sub-directory" : "project directory") +
                        " before adding it to the Quorvel project?",
                    35, "Copy file to project directory?");
                if (answer == mb::Cancel) {
                    autoCopy = false;
                    cancel = true;
                    return;
                }
                autoCopy = answer == mb::Yes;
            }
            if (autoCopy) {
                // The target as the disk spells it: a folder whose name differs only in case
                // is the same folder.
                auto target = site_.libraries.NewFileObject();
                if (!autoCopyFolder.empty()) {
                    Need(target).SetSpec(autoCopyFolder + name);
                    if (Shared().InCollection(*files, target->LocalSpec())) {
                        box("This file already exists in this project.", 48,
                            "Image already exists");
                        return;
                    }
                } else {
                    Need(target).SetSpec(folder + (f->IsImage() ? "images\\" : "") + name);
                    if (Shared().InCollection(*files, target->LocalSpec())) {
                        box("Could not add the file '" + name +
                                "' as it already exists in this project.",
                            48, "Image already exists");
                        return;
                    }
                    diag::IgnoreErrors([&] { fs::create_directory(target->Folder()); });
                }
                if (!CopyIntoProject(file.LocalSpec(), target->LocalSpec())) return;
                file.SetSpec(target->LocalSpec());
            }
        }
        p.line = 5;
        if (!StartsWithNoCase(file.LocalSpec(), folder) && project.UnderSourceControl()) {
            box("Could not add '" + file.FileName() +
                    "'. For projects under Source Control control, you can only add Files or "
                    "Images that are in a sub-directory of the main project directory.",
                48, "Source Control");
            return;
        }
        p.line = 6;
        if (f->Pending()) f->SetPending(false);
        files->Add(f, file.LocalSpec());
    });
}

// Copies a file into the project without ever replacing a different file: a file with the same
// contents already at the target is taken as it is; a different one is left alone and the user
// is told. A copy that fails leaves nothing behind and raises.
bool ProjectExplorer::CopyIntoProject(const std::string& source, const std::string& target) {
    // A folder on the way that is a link out of the project would put the copy elsewhere.
    std::error_code projectError, targetError;
    const fs::path project =
        fs::canonical(Need(Need(mQVProject).ProjectFile()).Folder(), projectError);
    if (projectError)
        throw Error(75, "Could not copy '" + source + "' to '" + target +
                            "': the project folder cannot be reached (" + projectError.message() +
                            ")");
    const fs::path relative = fs::weakly_canonical(target, targetError).lexically_relative(project);
    if (targetError || relative.empty() || *relative.begin() == "..")
        throw Error(75, "Could not copy '" + source + "' to '" + target +
                            "': the target lies outside the project folder");
    std::error_code ec;
    // A pipe would keep the copy waiting for a writer, a device feed it without end.
    if (const fs::file_status from = fs::status(source, ec);
        fs::exists(from) && !fs::is_regular_file(from))
        throw Error(75, "Could not copy '" + source + "' to '" + target +
                            "': it is not a regular file (a folder, a pipe or a device)");
    // Whatever lies at the target stays, a link leading nowhere or a folder included.
    if (fs::exists(fs::symlink_status(target, ec))) {
        const fs::file_status there = fs::status(target, ec);
        if (fs::is_regular_file(there) && SameContents(source, target)) return true;
        // Named without the separator a folder's spec ends with.
        const fs::path named = target.back() == '/' ? target.substr(0, target.size() - 1) : target;
        site_.libraries.MsgBox(
            std::string(fs::is_directory(there) ? "A folder" : "A different file") + " named '" +
                named.filename().string() + "' already lies in '" + named.parent_path().string() +
                "'. It was not replaced, and the file was not added.",
            48, "File already exists");
        return false;
    }
    ec = CopyToNewFile(source, target);
    if (ec) {
        const int32_t number = ec == std::errc::no_such_file_or_directory ? err::FileNotFound : 75;
        // Which side is missing: the target's folder may be gone from disk while its node stays.
        std::error_code ignored;
        const fs::path folder = fs::path(target).parent_path();
        const std::string why = number == err::FileNotFound && fs::exists(source, ignored) &&
                                        !fs::is_directory(folder, ignored)
                                    ? "the folder '" + folder.string() + "' does not exist"
                                    : ec.message();
        throw Error(number, "Could not copy '" + source + "' to '" + target + "': " + why);
    }
    return true;
}

} // namespace qv
