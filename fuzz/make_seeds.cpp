// Writes the fuzzers' seed corpora: small files made by the model itself, so
// that each target starts from inputs that pass its checks. Usage:
//   fuzz_make_seeds FOLDER   (writes FOLDER/<target>/<name>)
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "core/ByteWriter.h"

using namespace fuzz;
namespace fs = std::filesystem;

namespace {

std::string root;

void put(const std::string& target, const std::string& name, const Bytes& bytes) {
    fs::create_directories(root + "/" + target);
    if (FILE* f = std::fopen((root + "/" + target + "/" + name).c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

// A recorder section of the current version: one note with a bend, and a
// whammy and a wah change on guitar 1.
Bytes recorderSection() {
    ByteWriter w;
    w.i32(1); // currentNoteID
    w.i32(2); // notes
    w.i32(1); // pitch changes
    w.i32(0); // whammy, guitar 0
    w.i32(1); // whammy, guitar 1
    w.i32(0); // wah, guitar 0
    w.i32(1); // wah, guitar 1
    for (const auto& [down, sample, time] : {std::tuple{1, 10, 0.01}, std::tuple{0, 0, 0.05}}) {
        w.u8(static_cast<uint8_t>(down));
        w.i8(static_cast<int8_t>(sample));
        w.f64(time);
        w.i32(0);
        w.f32(down ? 0.8f : 0.0f);
        w.f64(down ? -1.5e-5 : 0.0);
    }
    w.f64(0.02);
    w.i32(0);
    w.f32(SoundEngine::kFullBendPitch);
    w.i32(1);
    for (float pitch : {1.05f, 0.3f}) {
        w.f64(0.03);
        w.f32(pitch);
        w.i32(1);
    }
    return w.take();
}

Bytes join(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes song(const std::string& header, const Bytes& tab, const Bytes& recorder, const Bytes& engine) {
    ByteWriter w;
    w.text(header);
    for (const Bytes* s : {&tab, &recorder, &engine}) {
        w.i32(static_cast<int32_t>(s->size()));
        w.bytes(s->data(), s->size());
    }
    return w.take();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds FOLDER\n");
        return 2;
    }
    root = argv[1];
    Model m(nullptr, std::string());
    m.files.resetState();
    const Bytes defaults = m.files.createSongSaveBuffer();
    const Bytes emptyTab = m.files.createTabSaveBuffer();

    m.tab.addChordToTab(0, 0, 2, 2, 1, 0, 0);
    m.tab.addChordToTab(1, -1, 3, 2, 0, 1, 0);
    m.tab.addNoteToTab(2, 5, 3);
    const Bytes tabSection = m.tab.createSaveTabBuffer();
    const Bytes tabFile = m.files.createTabSaveBuffer();
    m.engine.setDelayOn(0, true);
    const Bytes engineSection = m.engine.createSaveBuffer();
    const Bytes engineV0 = m.engine.createSaveBufferOLDVersion0();
    const Bytes rec = recorderSection();
    const Bytes full = song("VERSION2", tabSection, rec, engineSection);
    m.files.restoreSongFromSaveBuffer(full.data(), full.size());
    const Bytes recV0 = m.recorder.createSaveBufferOldVersion0();

    for (const char* target : {"fuzz_song", "fuzz_render"}) {
        put(target, "defaults.state", defaults);
        put(target, "song.SAV", full);
        put(target, "version0.SAV", song("", tabSection, recV0, engineV0));
        put(target, "version7.state", song("VERSION7", tabSection, Bytes(12, 0xee), Bytes(72, 0xee)));
    }
    put("fuzz_tab", "empty.TAB", emptyTab);
    put("fuzz_tab", "chords.TAB", tabFile);
    put("fuzz_tab", "version0.TAB", tabSection);
    put("fuzz_sections", "tab", join({{0, 2}, tabSection}));
    put("fuzz_sections", "recorder", join({{1, 2}, rec}));
    put("fuzz_sections", "recorder0", join({{1, 0}, recV0}));
    put("fuzz_sections", "engine", join({{2, 2}, engineSection}));
    put("fuzz_sections", "engine0", join({{2, 0}, engineV0}));

    Bytes wav;
    {
        ByteWriter w;
        w.text("RIFF");
        w.u32(36 + 8 + 2 + 16);
        w.text("WAVE");
        w.text("fmt ");
        w.u32(16);
        w.i16(1);
        w.i16(1);
        w.u32(44100);
        w.u32(88200);
        w.i16(2);
        w.i16(16);
        w.text("LIST");
        w.u32(2);
        w.i16(0);
        w.text("data");
        w.u32(16);
        for (int i = 0; i < 8; ++i)
            w.i16(static_cast<int16_t>(i * 1000 - 4000));
        wav = w.take();
    }
    put("fuzz_wav", "tiny.wav", wav);
    wav.resize(wav.size() - 3);
    put("fuzz_wav", "cut.wav", wav);
    std::printf("seeds written to %s\n", root.c_str());
    return 0;
}
