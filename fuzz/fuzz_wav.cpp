// The sample file reader. Rules: a refusal gives a reason and no values; an
// acceptance gives at most the largest number of values the mixer can address;
// the same bytes always give the same answer.
#include "FuzzSupport.h"
#include "audio/WavReader.h"

using namespace fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes input = exact(data, size);
    std::vector<int16_t> values{1, 2, 3};
    std::string error;
    const bool ok = WavReader::parse(input.data(), input.size(), values, error);
    if (ok) {
        require(values.size() <= WavReader::kMaxValues, "an accepted file holds at most kMaxValues values");
        require(values.size() * 2 <= input.size(), "the values come from the bytes given");
    } else {
        require(values.empty(), "a refused file gives no values");
        require(!error.empty(), "a refused file gives a reason");
    }
    std::vector<int16_t> second;
    std::string error2;
    require(WavReader::parse(input.data(), input.size(), second, error2) == ok && second == values &&
                error2 == error,
            "the same bytes give the same answer");
    return 0;
}
