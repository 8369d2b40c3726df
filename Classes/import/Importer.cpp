#include "import/Importer.h"

#include <algorithm>
#include <cctype>

#include "core/BoundedFile.h"
#include "import/ScoreReader.h"
#include "import/ScoreSong.h"
#include "import/TabArranger.h"
#include "storage/SongCodec.h"

namespace {

std::string noteName(int pitch) {
    static const char* names[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    return names[((pitch % 12) + 12) % 12] + std::to_string(pitch / 12 - 1);
}

std::string nameAndInstrument(const Score& score, size_t i) {
    const ScoreTrack& t = score.tracks[i];
    return std::to_string(i + 1) + ": " + (t.name.empty() ? "(no name)" : t.name) + ", " +
           (t.instrument.empty() ? "unknown instrument" : t.instrument);
}

} // namespace

bool Importer::readsFile(const std::string& fileName) {
    static const char* kExtensions[] = {"gp3", "gp4", "gp5", "gp", "musicxml", "xml", "mxl", "mid", "midi"};
    const std::string ext = ScoreReader::extensionOf(fileName);
    return std::any_of(std::begin(kExtensions), std::end(kExtensions),
                       [&](const char* e) { return ext == e; });
}

bool Importer::makesSongs(const std::string& fileName) {
    const std::string ext = ScoreReader::extensionOf(fileName);
    return ext == "mid" || ext == "midi";
}

std::string Importer::readFile(const std::string& path, std::vector<uint8_t>& bytes) {
    return BoundedFile::read(path, BoundedFile::Limit::kSong, bytes);
}

Importer::Tracks Importer::listTracks(std::span<const uint8_t> bytes, const std::string& fileName) {
    Tracks t;
    if (!ScoreReader::read(bytes, fileName, t.score, t.error) && t.error.empty())
        t.error = "the file could not be read";
    return t;
}

std::string Importer::trackListing(const Score& score, size_t i) {
    const ScoreTrack& t = score.tracks[i];
    std::string line = nameAndInstrument(score, i) + ", tuning";
    for (int p : t.tuning)
        line += " " + noteName(p);
    if (t.capo > 0)
        line += " capo " + std::to_string(t.capo);
    return line + ", " + std::to_string(t.notes.size()) + " notes" + (t.guitar ? " (guitar)" : "");
}

std::string Importer::trackSummary(const Score& score, size_t i) {
    return nameAndInstrument(score, i) + ", " + std::to_string(score.tracks[i].notes.size()) + " notes";
}

std::string Importer::trackText(const Score& score, size_t i) {
    return "track " + std::to_string(i + 1) + " (" + score.tracks[i].name + ")";
}

std::vector<size_t> Importer::defaultTracks(const Score& score, size_t wanted) {
    std::vector<size_t> chosen;
    for (bool guitar : {true, false})
        for (size_t i = 0; i < score.tracks.size() && chosen.size() < wanted; ++i)
            if (score.tracks[i].guitar == guitar && !score.tracks[i].notes.empty())
                chosen.push_back(i);
    return chosen;
}

std::vector<size_t> Importer::tracksWithNotes(const Score& score) {
    std::vector<size_t> tracks;
    for (size_t i = 0; i < score.tracks.size(); ++i)
        if (!score.tracks[i].notes.empty())
            tracks.push_back(i);
    return tracks;
}

Importer::TabResult Importer::toTab(const Score& score, int track) {
    TabResult r;
    if (track < 0) {
        const std::vector<size_t> chosen = defaultTracks(score, 1);
        if (chosen.empty()) {
            r.error = "the file has no notes";
            return r;
        }
        track = static_cast<int>(chosen[0]);
    }
    if (static_cast<size_t>(track) >= score.tracks.size()) {
        r.error = "there is no track " + std::to_string(track + 1);
        return r;
    }
    // The track's own tuning when the guitar can be tuned so, else standard.
    const ScoreTrack& chosen = score.tracks[static_cast<size_t>(track)];
    const TabArranger::Result a = TabArranger::arrange(chosen, TabArranger::playableTuning(chosen));
    for (const TabArranger::Column& c : a.columns)
        r.tab.addNotesToTab(-1, c.data());
    Song file;
    file.tab = r.tab;
    file.tunings[0] = a.tuning;
    r.file = SongCodec::writeTab(file);
    r.movedByOctave = a.movedByOctave;
    r.dropped = a.dropped;
    r.refretted = a.refretted;
    r.summary = std::to_string(a.columns.size()) + " columns, " + std::to_string(a.notes) + " notes from " +
                trackText(score, static_cast<size_t>(track));
    r.details = std::to_string(a.movedByOctave) + " notes moved by octaves, " + std::to_string(a.dropped) +
                " dropped, " + std::to_string(a.refretted) + " refretted to " +
                (a.tuning.isStandard() ? std::string("standard tuning")
                                       : a.tuning.name() + " (" + a.tuning.noteNames() + ")");
    return r;
}

Importer::TabResult Importer::toTab(std::span<const uint8_t> bytes, const std::string& fileName, int track) {
    Tracks t = listTracks(bytes, fileName);
    if (!t.error.empty()) {
        TabResult r;
        r.error = t.error;
        return r;
    }
    return toTab(t.score, track);
}

Importer::SongResult Importer::toSong(const Score& score, const std::vector<size_t>& tracks) {
    SongResult r;
    const std::vector<size_t> chosen = tracks.empty() ? defaultTracks(score, 2) : tracks;
    if (chosen.empty()) {
        r.error = "the file has no notes";
        return r;
    }
    std::vector<const ScoreTrack*> played;
    for (size_t i : chosen) {
        if (i >= score.tracks.size()) {
            r.error = "there is no track " + std::to_string(i + 1);
            return r;
        }
        played.push_back(&score.tracks[i]);
    }
    ScoreSong::Result s = ScoreSong::build(played);
    r.file = SongCodec::writeSong(s.song);
    r.song = std::move(s.song);
    r.summary = std::to_string(s.notes) + " notes, " + std::to_string(s.bends) + " bends, " +
                std::to_string(s.whammyChanges) + " whammy and " + std::to_string(s.wahChanges) +
                " wah changes";
    for (size_t g = 0; g < chosen.size(); ++g)
        r.guitars.push_back("guitar " + std::to_string(g + 1) + ": " + trackText(score, chosen[g]) +
                            ", patch " +
                            (s.patch[g] >= 0 ? std::to_string(s.patch[g]) : "unchanged (no guitar program)"));
    if (s.movedByOctave > 0)
        r.moved = std::to_string(s.movedByOctave) + " notes moved by octaves onto the guitar's samples";
    if (s.eventsLeftOut > 0)
        r.leftOut = "the song keeps the first " + std::to_string(SongEvents::kMaxEvents) + " note events; " +
                    std::to_string(s.eventsLeftOut) + " were left out";
    return r;
}

Importer::SongResult Importer::toSong(std::span<const uint8_t> bytes, const std::string& fileName,
                                      const std::vector<size_t>& tracks) {
    Tracks t = listTracks(bytes, fileName);
    if (t.error.empty() && ScoreReader::detect(bytes, fileName) != ScoreReader::Format::Midi)
        t.error = "only MIDI files become songs";
    if (!t.error.empty()) {
        SongResult r;
        r.error = t.error;
        return r;
    }
    return toSong(t.score, tracks);
}
