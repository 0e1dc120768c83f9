#pragma once

// What the project-file fuzz targets share: a scratch project folder of their own and the
// round-trip check.
#include "model/Project.h"
#include "model/ProjectFileReader.h"
#include "model/ProjectFileWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace qvfuzz {

// A fresh folder for this process, made once: below $QV_FUZZ_DIR, else /dev/shm when there
// is one (saves flush their file, which costs little there), else /tmp.
inline const std::string& Folder() {
    static const std::string folder = [] {
        std::string pattern = std::string(std::getenv("QV_FUZZ_DIR") ? std::getenv("QV_FUZZ_DIR")
                                          : access("/dev/shm", W_OK) == 0 ? "/dev/shm"
                                                                          : "/tmp") +
                              "/qvfuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        return pattern + "/";
    }();
    // Gone when the fuzzer ends normally; a crash leaves it for a look.
    static const bool removedAtExit = [] {
        return std::atexit([] {
                   std::error_code ignored;
                   std::filesystem::remove_all(Folder(), ignored);
               }) == 0;
    }();
    (void)removedAtExit;
    return folder;
}

// The input as the project file "P.qvproj" of the scratch folder; returns its path.
inline std::string WriteInput(const uint8_t* data, std::size_t size) {
    const std::string file = Folder() + "P.qvproj";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return file;
}

[[noreturn]] inline void Finding(const std::string& what) {
    std::fprintf(stderr, "FINDING: %s\n", what.c_str());
    std::abort();
}

// Saves the project and reads it back: the reader must take what the writer wrote, and the
// project read must write the same text again.
inline void SaveAndReload(qv::Project& project, const std::string& file) {
    try {
        project.Save();
    } catch (const qv::Error& e) {
        Finding("a project that opened could not be saved: " + e.Description());
    }
    const std::string saved = qv::WriteProjectFile(project.ToData());
    try {
        auto again = qv::LoadProject(file);
        if (qv::WriteProjectFile(again->ToData()) != saved)
            Finding("the saved project reads back different:\n" + saved);
    } catch (const qv::Error& e) {
        Finding("a saved project does not open again: " + e.Description() + "\n" + saved);
    }
}

} // namespace qvfuzz
