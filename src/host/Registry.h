#pragma once

#include "contracts/HostServices.h"

#include <string>

namespace qv {

// The registry of this platform.
//
// CurrentUser lives in an INI file, $XDG_CONFIG_HOME/Veltrane/Quorvel2.ini (~/.config when
// the variable is unset, empty or not absolute), read when the object is made. A key such as
// "Software\Veltrane\Quorvel2\ProjectExplorer" is the group "Software/Veltrane/Quorvel2/
// ProjectExplorer"; the default value ("") is stored under the name "(Default)". Values are
// stored as text; names are compared with their case. Every write reaches the file at once
// under the file's lock, so several processes may share it.
//
// ClassesRoot is answered from the desktop's MIME database and cannot be written:
//   - value "" of key ".EXT": the MIME type name of such files ("image/bmp"), Empty when the
//     database does not know the extension;
//   - value "" of key TYPE + "\DefaultIcon": "%1" for image/* types (image files are drawn
//     with their own picture here), "" for any other known type;
//   - everything else: Empty.
class HostRegistry : public Registry {
public:
    HostRegistry();

    std::string TypeName() const override { return "Registry"; }
    const std::string& FilePath() const { return filePath_; }

    Variant GetValue(int32_t hive, const std::string& key,
                     const std::string& valueName) const override;
    // Raises 75 when the file cannot be written; 70 for ClassesRoot.
    void SetValue(int32_t hive, const std::string& key, const std::string& valueName,
                  const Variant& value) override;
    void CreateKey(int32_t hive, const std::string& key) override;

private:
    std::string filePath_;
};

} // namespace qv
