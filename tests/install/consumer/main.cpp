// Opens a project file in a ProjectExplorer and prints the tree's top level with the number of
// nodes under each. APPFOLDER holds icons/ with the status icons. A message box (the control
// shows its failures in one) makes the exit status 1.
#include "controls/HeadlessControls.h"
#include "controls/HeadlessPlatform.h"
#include "controls/ManualUiLoop.h"
#include "explorer/ProjectExplorer.h"
#include "host/HostLibrariesImpl.h"
#include "model/ProjectFileReader.h"

#include <iostream>

namespace {

int CountBelow(const qv::Node& node) {
    int count = 0;
    for (const qv::Node* child = node.FirstChild(); child; child = child->NextSibling())
        count += 1 + CountBelow(*child);
    return count;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: consumer PROJECTFILE APPFOLDER\n";
        return 2;
    }
    qv::HeadlessControls controls;
    qv::ManualUiLoop ui;
    qv::HeadlessWindows windows;
    qv::HeadlessKeyboard keyboard;
    qv::ScriptedMessageBoxes boxes;
    bool failed = false;
    boxes.SetObserver([&](int32_t, const std::string&, const std::string& text, int32_t) {
        std::cerr << text << "\n";
        failed = true;
    });
    qv::ScriptedFileDialogs dialogs;
    qv::HostLibrariesImpl libraries(boxes, dialogs);
    libraries.Designer()->SetAppFolder(argv[2]);
    auto control = qv::ProjectExplorer::Create({controls, libraries, ui, windows, keyboard});
    control->LoadQVProject(qv::LoadProject(argv[1]));
    for (const qv::Node* node = control->Nodes()->First(); node; node = node->NextSibling())
        std::cout << node->Text() << ": " << CountBelow(*node) << "\n";
    std::cout << control->Nodes()->Count() << " nodes\n";
    control->UserControl_Terminate();
    return failed ? 1 : 0;
}
