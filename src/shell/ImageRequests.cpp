#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"

namespace qv {

using diag::Procedure;

void ProjectExplorer::CaptureImage() {
    Procedure p(errors_, "CaptureImage");
    p.Run([&] { Raise(&ExplorerEvents::CaptureImageRequest); });
}

// The file of the selected node when it is a file node; nullptr otherwise. Raises when the
// key names no file of the project.
std::shared_ptr<OtherFile> ProjectExplorer::SelectedOtherFile() {
    Node* selected = tvw->SelectedItem();
    if (!selected || KeyType(selected->Key()) != "o") return nullptr;
    return Need(mQVProject).OtherFiles()->Item(KeyValue(selected->Key()));
}

void ProjectExplorer::ReCaptureImage() {
    std::shared_ptr<OtherFile> file;
    Procedure p(errors_, "ReCaptureImage", {}, {{"OtherFile", file}});
    p.Run([&] {
        file = SelectedOtherFile();
        if (file) Raise(&ExplorerEvents::ReCaptureImageRequest, file);
    });
}

void ProjectExplorer::CreateImageMap() {
    std::shared_ptr<OtherFile> file;
    Procedure p(errors_, "CreateImageMap", {}, {{"OtherFile", file}});
    p.Run([&] {
        file = SelectedOtherFile();
        if (file) Raise(&ExplorerEvents::CreateImageMapRequest, file);
    });
}

void ProjectExplorer::ImageProcessing() {
    std::shared_ptr<OtherFile> file;
    Procedure p(errors_, "ImageProcessing", {}, {{"OtherFile", file}});
    p.Run([&] {
        file = SelectedOtherFile();
        if (file) Raise(&ExplorerEvents::ImageProcessingRequest, file);
    });
}

} // namespace qv
