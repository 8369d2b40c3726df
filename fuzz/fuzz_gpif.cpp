// The score.gpif document of the zipped Guitar Pro format: the rules of
// GpScoreRules.h, and no more notes than the reader's limit.
#include "GpScoreRules.h"
#include "import/GuitarProZipReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string xml(reinterpret_cast<const char*>(data), size);
    std::string error;
    const size_t notes = fuzz::checkReader(
        [&](Score& s, std::string& e) { return GuitarProZipReader::readGpif(xml, s, e); }, error);
    fuzz::require(notes <= GuitarProZipReader::kMaxEvents, "a score holds at most kMaxEvents notes");
    return 0;
}
