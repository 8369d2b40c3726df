// Writes the fuzzers' seed corpora: small files made by the model itself, so
// that each target starts from inputs that pass its checks. Usage:
//   fuzz_make_seeds FOLDER   (writes FOLDER/<target>/<name>)
#include <cstdio>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "support/Files.h"

namespace {

std::string root;

void write(const std::string& target, const std::string& name, const Bytes& bytes) {
    std::filesystem::create_directories(root + "/" + target);
    testsupport::writeFile(root + "/" + target + "/" + name, bytes);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds FOLDER\n");
        return 2;
    }
    root = argv[1];
    fuzz::Model m(nullptr, std::string());
    const Bytes defaults = m.files.createSongSaveBuffer(), emptyTab = m.files.createTabSaveBuffer();

    m.tab.addChordToTab(0, 0, 2, 2, 1, 0, 0);
    m.tab.addChordToTab(1, -1, 3, 2, 0, 1, 0);
    m.tab.addNoteToTab(2, 5, 3);
    const Bytes tabSection = m.tab.createSaveTabBuffer(), tabFile = m.files.createTabSaveBuffer();
    m.engine.setDelayOn(0, true);
    const Bytes engine = engineSection(m.engine), engineV0 = engineSection(m.engine, 0);
    // One note with a bend, and a whammy and a wah change on guitar 1.
    const Bytes rec =
        recorderSection({Note(10, 0.8f, 0.01, 1, 0, -1.5e-5, 0.0), Note(0.05, 0, 0.0)},
                        {PitchChange(0.02, 0, SoundEngine::kFullBendPitch, 1)},
                        {{{}, {WhammyBarChange(0.03, 1.05f, 1)}}}, {{{}, {WahChange(0.03, 0.3f, 1)}}}, 1);
    const Bytes full = songBuffer("VERSION2", tabSection, rec, engine);
    m.files.restoreSongFromSaveBuffer(full.data(), full.size());
    const Bytes recV0 = m.savedEvents(0);

    for (const char* target : {"fuzz_song", "fuzz_render"}) {
        write(target, "defaults.state", defaults);
        write(target, "song.SAV", full);
        write(target, "version0.SAV", songBuffer("", tabSection, recV0, engineV0));
        write(target, "version7.state", songBuffer("VERSION7", tabSection, Bytes(12, 0xee), Bytes(72, 0xee)));
        // Guitar 2 in DADGAD with a capo on 2, at 96 beats per minute in 3.
        write(target, "tuned.SAV",
              writtenSong(tabSection, rec, engine,
                          optionsSection(96, 3, kStandardTuning, {0, 7, 12, 17, 19, 24, 2})));
    }
    write("fuzz_tab", "empty.TAB", emptyTab);
    write("fuzz_tab", "chords.TAB", tabFile);
    write("fuzz_tab", "version0.TAB", tabSection);
    write("fuzz_tab", "version2.TAB", pack("VERSION2", tabSection));
    write("fuzz_tab", "dropD.TAB", writtenTab(tabSection, {0, 7, 12, 17, 21, 26, 0}));
    write("fuzz_sections", "tab", pack(uint8_t(0), uint8_t(2), tabSection));
    write("fuzz_sections", "recorder", pack(uint8_t(1), uint8_t(2), rec));
    write("fuzz_sections", "recorder0", pack(uint8_t(1), uint8_t(0), recV0));
    write("fuzz_sections", "engine", pack(uint8_t(2), uint8_t(2), engine));
    write("fuzz_sections", "engine0", pack(uint8_t(2), uint8_t(0), engineV0));

    // A mono sample file with a chunk the reader skips before its data.
    Bytes wav = pack("RIFF", 36 + 8 + 2 + 16, "WAVEfmt ", 16, int16_t(1), int16_t(1), 44100, 88200,
                     int16_t(2), int16_t(16), "LIST", 2, int16_t(0), "data", 16);
    for (int i = 0; i < 8; ++i)
        put(wav, static_cast<int16_t>(i * 1000 - 4000));
    write("fuzz_wav", "tiny.wav", wav);
    wav.resize(wav.size() - 3);
    write("fuzz_wav", "cut.wav", wav);
    std::printf("seeds written to %s\n", root.c_str());
    return 0;
}
