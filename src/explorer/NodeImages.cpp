#include "contracts/Error.h"
#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"
#include "explorer/Text.h"

#include <exception>

namespace qv {

using diag::Procedure;
using diag::Var;

namespace {
constexpr int32_t kMaskColor = 0xFF00FF;
constexpr int32_t kWindowColor = static_cast<int32_t>(0x80000005);

std::string ExtensionOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot + 1);
}
} // namespace

std::string ProjectExplorer::TopicImage(const std::shared_ptr<Topic>& topic) {
    std::string result;
    TopicImage(topic, result);
    return result;
}

void ProjectExplorer::TopicImage(const std::shared_ptr<Topic>& topic, std::string& result) {
    result.clear();
    Procedure p(errors_, "TopicImage", {{"Topic", topic}});
    p.Run([&] {
        const std::string_view status = Need(topic).StatusRef(); // one that fails leaves no key
        result.assign("topicstatus").append(status);
        if (Need(topic->Project()).UnderSourceControl())
            result += topic->ReadOnly() ? "_readonly" : "_checkedout";
    });
}

std::string ProjectExplorer::OtherFileImage(const std::shared_ptr<OtherFile>& file) {
    std::string result;
    OtherFileImage(file, result);
    return result;
}

void ProjectExplorer::OtherFileImage(const std::shared_ptr<OtherFile>& file, std::string& result,
                                     FileObject* known) {
    result.clear();
    Procedure p(errors_, "OtherFileImage", {{"OtherFile", file}});
    p.Run([&] {
        FileObject& f = known ? *known : Need(Need(file).File());
        if (!f.Exists()) {
            result = "missing";
            return;
        }
        if (mShowBitmapsAsIcons && CustomShellIcon(file))
            result = "ico_" + f.LocalSpec();
        else
            result.assign("ext_").append(file->ExtensionRef());
        if (Need(mQVProject).UnderSourceControl())
            result += f.ReadOnly() ? "_readonly" : "_checkedout";
    });
}

std::string ProjectExplorer::BuildProfileImage(const std::shared_ptr<BuildProfile>& profile) {
    std::string result;
    Procedure p(errors_, "BuildProfileImage", {{"BuildProfile", profile}});
    p.Run([&] {
        result =
            Need(profile).CompiledHelp() ? "help" + std::to_string(profile->HelpFormat()) : "html";
    });
    return result;
}

int32_t ProjectExplorer::OtherFileNodeColor(const std::shared_ptr<OtherFile>& file) {
    int32_t result = 0;
    Procedure p(errors_, "OtherFileNodeColor", {{"OtherFile", file}});
    p.Run([&] { result = FileNodeColor(Need(file)); });
    return result;
}

bool ProjectExplorer::CustomShellIcon(const std::shared_ptr<OtherFile>& file) {
    bool result = false;
    std::string typeName;
    std::string iconEntry;
    Procedure p(errors_, "CustomShellIcon", {{"OtherFile", file}},
                {{"TypeName", typeName}, {"IconEntry", iconEntry}});
    p.Run([&] {
        if (!Need(file).IsImage()) return;
        // The ".bmp" type is asked whatever the file's own extension: it is the machine-wide
        // switch for drawing pictures as their own icons.
        typeName = RegistryObject().GetValue(hive::ClassesRoot, ".bmp", "").ToString();
        if (typeName.empty()) return;
        iconEntry =
            RegistryObject().GetValue(hive::ClassesRoot, typeName + "\\DefaultIcon", "").ToString();
        result = iconEntry.find("%1") != std::string::npos;
    });
    return result;
}

void ProjectExplorer::CreateAlternateImages(const std::string& key) {
    Procedure p(errors_, "CreateAlternateImages", {{"ListImage", key}});
    p.Run([&] {
        img16x16->Add(key + "_readonly", img16x16->Overlay(key, "readonly"));
        img16x16->Add(key + "_checkedout", img16x16->Overlay(key, "checkedout"));
    });
}

std::shared_ptr<FileObject> ProjectExplorer::MakeTemporaryFile(const std::string& extension) {
    auto file = Need(site_.libraries.EnvironmentHelper()).Variable("TMP", "");
    auto temp = site_.libraries.NewFileObject();
    Need(temp).SetSpec(file.empty() || file.back() == '/' ? file : file + "/");
    temp->SetExtension(extension);
    temp->MakeUnique();
    temp->WriteText(" ");
    return temp;
}

void ProjectExplorer::AddExtensionImage(const std::string& extension) {
    std::string key;
    std::shared_ptr<FileObject> temporary;
    Procedure p(errors_, "AddExtensionImage", {{"Extension", extension}},
                {{"Key", key}, {"TempFile", temporary}, Var::ExternalUdt("pic")});
    p.Run([&] {
        p.line = 1;
        key = "ext_" + extension;
        if (Shared().InCollection(*img16x16, key)) return;
        p.line = 2;
        temporary = MakeTemporaryFile(extension);
        p.line = 3;
        std::string message;
        std::shared_ptr<Picture> picture;
        // The temporary file goes whatever the picture loader does.
        std::exception_ptr failure;
        try {
            picture = DesignerHelp().FilePicture(temporary->LocalSpec(), true, kMaskColor, message,
                                                 kWindowColor);
        } catch (...) {
            failure = std::current_exception();
        }
        temporary->Delete();
        if (failure) std::rethrow_exception(failure);
        p.line = 4;
        img16x16->Add(key, picture);
        CreateAlternateImages(key);
    });
}

void ProjectExplorer::AddFileImage(const std::string& filename) {
    std::string key;
    std::shared_ptr<FileObject> temporary;
    Procedure p(errors_, "AddFileImage", {{"Filename", filename}},
                {{"Key", key}, {"TempFile", temporary}, Var::ExternalUdt("pic")});
    p.Run([&] {
        p.line = 1;
        key = "ico_" + filename;
        if (Shared().InCollection(*img16x16, key)) return;
        p.line = 2;
        std::string message;
        auto picture =
            DesignerHelp().FilePicture(filename, true, kMaskColor, message, kWindowColor);
        if (!picture) {
            temporary = MakeTemporaryFile(ExtensionOf(filename));
            diag::IgnoreErrors([&] {
                picture = DesignerHelp().FilePicture(temporary->LocalSpec(), true, kMaskColor,
                                                     message, kWindowColor);
            });
            temporary->Delete();
        }
        p.line = 3;
        img16x16->Add(key, picture);
        CreateAlternateImages(key);
    });
}

void ProjectExplorer::RemoveAllFileImages() {
    int32_t index = 1;
    Procedure p(errors_, "RemoveAllFileImages", {}, {{"Index", index}});
    p.Run([&] {
        while (index <= img16x16->Count()) {
            if (text::Left(img16x16->Key(index), 4) == "ico_")
                img16x16->Remove(index);
            else
                ++index;
        }
    });
}

} // namespace qv
