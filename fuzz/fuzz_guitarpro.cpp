// The Guitar Pro 3 to 5 reader: the rules of GpScoreRules.h, and a refusal
// names the byte it stopped at.
#include "GpScoreRules.h"
#include "import/GuitarProReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly its size: a read past the end is an address-sanitizer report.
    const std::vector<uint8_t> input(data, data + size);
    std::string error;
    fuzz::checkReader([&](Score& s, std::string& e) { return GuitarProReader::read(input, s, e); }, error);
    fuzz::require(error.empty() || error.find("(at byte ") != std::string::npos, "a refusal names the byte",
                  error);
    return 0;
}
