#pragma once

#include "contracts/Dispatch.h"
#include "contracts/HostServices.h"
#include "host/FileServices.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace qvtest {

// The error component: records each "ErrorHandler" call with its eight arguments and answers
// the "Action" property with "". Other members raise 438.
class FakeErrorComponent : public qv::Dispatch {
public:
    std::string TypeName() const override { return "Error"; }
    qv::Variant Invoke(std::string_view name, qv::CallKind kind,
                       std::vector<qv::Variant>& args) override;

    int32_t handlerError = 0; // when not 0, ErrorHandler raises this error after recording
    std::vector<std::vector<qv::Variant>> reports; // arguments of each ErrorHandler call
    std::vector<std::string> members;              // every member asked for, in order
};

struct MsgBoxCall {
    std::string prompt;
    int32_t buttons;
    std::string title;
};

// Host libraries for tests: message boxes are recorded and answered from a queue, and the
// error component exists only while errorComponent is true. The helper objects are not
// offered here (the real ones live in host/): their accessors return nullptr.
class FakeHostLibraries : public qv::HostLibraries {
public:
    std::shared_ptr<qv::SharedHelper> SharedHelper() override { return nullptr; }
    std::shared_ptr<qv::DesignerHelper> DesignerHelper() override { return nullptr; }
    std::shared_ptr<qv::Registry> Registry() override { return nullptr; }
    std::shared_ptr<qv::EnvironmentHelper> EnvironmentHelper() override { return nullptr; }
    std::shared_ptr<qv::HelpAttributes> HelpAttributes() override { return nullptr; }
    std::shared_ptr<qv::ImageFileDialog> ImageFileDialog() override { return nullptr; }
    std::shared_ptr<qv::FileObject> NewFileObject() override { return nullptr; }
    std::shared_ptr<qv::Picture> LoadPicture(const std::string&) override { return nullptr; }
    qv::FileService& FileService() override { return files; }

    // "VeltaError.Error" while errorComponent is true; anything else raises 429.
    std::shared_ptr<qv::Dispatch> CreateObject(const std::string& className) override;
    // Answers with the next queued answer, else with the box's first button (1 OK, 6 Yes...).
    int32_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) override;

    // The ErrorHandler calls of every component created so far, in order.
    std::vector<std::vector<qv::Variant>> ErrorReports() const;

    bool errorComponent = false;
    int32_t handlerError = 0; // given to each component created
    qv::PermanentFileService files;
    std::deque<int32_t> answers;
    std::vector<MsgBoxCall> msgBoxes;
    std::vector<std::shared_ptr<FakeErrorComponent>> components; // in order of creation
};

} // namespace qvtest
