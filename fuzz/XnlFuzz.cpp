// The markup reader over one definition header, with its preprocessor and included files
// served from memory: it must end every input with success or an error entry, never with a
// crash, a hang or a leak.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "core/DefinitionHeader.h"
#include "errors/ErrorTrail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const FuzzFiles files(data, size);
    core::DefinitionHeader header;
    header.ReadInclude = [&files](const std::string& path, std::string& text) { return files.Read(path, text); };
    std::string text = files.Document();
    if (header.ParseHeader(text, FuzzFiles::Directory)) header.CheckHeader();
    errors::ClearErrors();
    return 0;
}
