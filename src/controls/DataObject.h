#pragma once

#include "contracts/TreeView.h"

#include <string>
#include <utility>
#include <vector>

namespace qv {

// Drag data held in memory: one value per format, and the file list of a drop from outside.
// A format is named by a string or a number; both are compared by their text ("15" == 15).
class HeadlessDataObject final : public DataObject {
public:
    std::string TypeName() const override { return "DataObject"; }

    // Replaces the value of a format already present (its position stays). An empty format
    // raises 5. An Empty value announces the format: its data is asked for when a drop happens
    // (Announced).
    void SetData(const Variant& value, const Variant& format) override;
    // Raises 461 for a format that has no data.
    Variant GetData(const Variant& format) const override;
    bool GetFormat(const Variant& format) const override;
    const std::vector<std::string>& Files() const override { return files_; }

    void SetFiles(std::vector<std::string> files) { files_ = std::move(files); }
    // Forgets every format and file.
    void Clear();
    // The formats in the order they were first set.
    std::vector<std::string> Formats() const;
    // The formats ever set with an Empty value, first-announced first; Clear forgets them.
    const std::vector<std::string>& Announced() const { return announced_; }

private:
    const Variant* Find(const std::string& format) const;

    std::vector<std::pair<std::string, Variant>> data_; // few formats: a list beats a map
    std::vector<std::string> files_;
    std::vector<std::string> announced_;
};

} // namespace qv
