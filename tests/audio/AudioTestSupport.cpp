#include "AudioTestSupport.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "strumwell-audio-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    char* made = ::mkdtemp(buffer.data());
    path_ = made ? made : "";
}

TempFolder::~TempFolder() {
    std::error_code ec;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ec);
}

namespace {
void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, uint16_t(v));
    put16(out, uint16_t(v >> 16));
}
} // namespace

std::vector<uint8_t> wavBytes(const std::vector<int16_t>& values, int channels, int bits, int rate) {
    std::vector<uint8_t> out;
    const uint32_t dataBytes = uint32_t(values.size() * 2);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, 36 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, 1);
    put16(out, uint16_t(channels));
    put32(out, uint32_t(rate));
    put32(out, uint32_t(rate * channels * bits / 8));
    put16(out, uint16_t(channels * bits / 8));
    put16(out, uint16_t(bits));
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, dataBytes);
    for (int16_t v : values)
        put16(out, uint16_t(v));
    return out;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void writeWav(const std::string& path, const std::vector<int16_t>& values) {
    writeFile(path, wavBytes(values));
}

std::vector<int16_t> constantSample(int count, int16_t value) {
    return std::vector<int16_t>(size_t(count), value);
}

void writePatch(const TempFolder& folder, const std::string& prefix, int base, int length) {
    for (int k = 1; k <= 48; ++k)
        writeWav(folder.file(prefix + std::to_string(k) + ".wav"), constantSample(length, int16_t(base + k)));
}

std::vector<int16_t> render(SoundEngine& engine, int frames) {
    std::vector<int16_t> out(size_t(frames) * 2, int16_t(0x5555));
    SoundEngine::callbackProcStereo(engine.callbackUserData(), out.data(), frames);
    return out;
}

std::vector<int16_t> leftOf(const std::vector<int16_t>& stereo) {
    std::vector<int16_t> out;
    for (size_t k = 0; k < stereo.size(); k += 2)
        out.push_back(stereo[k]);
    return out;
}

std::vector<int16_t> rightOf(const std::vector<int16_t>& stereo) {
    std::vector<int16_t> out;
    for (size_t k = 1; k < stereo.size(); k += 2)
        out.push_back(stereo[k]);
    return out;
}
