#include "AudioTestSupport.h"

#include <fstream>

namespace {
void put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int k = 0; k < bytes; ++k)
        out.push_back(uint8_t(v >> (8 * k)));
}
} // namespace

std::vector<uint8_t> wavBytes(const std::vector<int16_t>& values, int channels, int bits, int rate) {
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    const uint32_t dataBytes = uint32_t(values.size() * 2);
    put(out, 36 + dataBytes, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0});
    put(out, uint32_t(channels), 2);
    put(out, uint32_t(rate), 4);
    put(out, uint32_t(rate * channels * bits / 8), 4);
    put(out, uint32_t(channels * bits / 8), 2);
    put(out, uint32_t(bits), 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put(out, dataBytes, 4);
    for (int16_t v : values)
        put(out, uint16_t(v), 2);
    return out;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void writeBundle(const testsupport::TempFolder& folder, int length) {
    const char* prefixes[] = {"A1-", "A2-", "E3-", "E2-", "CE-"};
    for (int p = 0; p < 5; ++p)
        for (int k = 1; k <= 48; ++k)
            writeWav(folder.file(prefixes[p] + std::to_string(k) + ".wav"),
                     constantSample(length, int16_t(100 * (p + 1) + k)));
    for (int n = 1; n <= 12; ++n) {
        if (n <= 10)
            writeWav(folder.file("fret" + std::to_string(n) + ".wav"), constantSample(length, int16_t(n)));
        writeWav(folder.file("tap" + std::to_string(n) + ".wav"), constantSample(length, int16_t(20 + n)));
    }
}

std::vector<int16_t> render(SoundEngine& engine, int frames) {
    std::vector<int16_t> out(size_t(frames) * 2, int16_t(0x5555));
    SoundEngine::callbackProcStereo(engine.callbackUserData(), out.data(), frames);
    return out;
}

std::vector<int16_t> sideOf(const std::vector<int16_t>& stereo, int side) {
    std::vector<int16_t> out;
    for (size_t k = size_t(side); k < stereo.size(); k += 2)
        out.push_back(stereo[k]);
    return out;
}
