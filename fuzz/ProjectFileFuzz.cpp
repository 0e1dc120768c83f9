// libFuzzer target: the project-file reader on any bytes. What it refuses must be a
// ProjectFileError; what it loads must save to a file that loads again to the same project.
#include "FuzzSupport.h"
#include "model/ProjectFileReader.h"
#include "model/ProjectFileWriter.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string file = qvfuzz::WriteInput(data, size);
    std::shared_ptr<qv::Project> project;
    try {
        project = qv::LoadProject(file);
    } catch (const qv::ProjectFileError&) {
        return 0; // refused, with its file, line and reason
    } catch (const qv::Error& e) {
        qvfuzz::Finding("refused without file and line: " + e.Description());
    }
    qvfuzz::SaveAndReload(*project, file);
    return 0;
}
