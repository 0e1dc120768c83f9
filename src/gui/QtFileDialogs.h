#pragma once

#include "host/FileDialogs.h"

#include <QString>

class QWidget;

namespace qv {

// The host's filter ("Image files (*.png;*.jpg)|*.png;*.jpg|All files (*.*)|*.*": description
// and patterns in pairs, patterns separated by ";") as a Qt name filter list
// ("Image files (*.png *.jpg);;All files (*)"). A description's own pattern list in
// parentheses is replaced by the pair's patterns; "*.*" becomes "*".
QString QtNameFilters(const std::string& hostFilter);

// The open-file dialog for a person: QFileDialog with the title, filter, start folder and
// multi-selection the caller gives; paths come back in the order the dialog lists them.
class QtFileDialogs final : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    std::vector<std::string> OpenFiles(const std::string& title, const std::string& filter,
                                       const std::string& startFolder, bool multiSelect) override;

private:
    QWidget* parent_;
};

} // namespace qv
