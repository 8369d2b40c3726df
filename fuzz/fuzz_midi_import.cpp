// MIDI files to scores, tabs and songs. Rules: a refused file says why; a
// read file has notes that start at a time, end no earlier and play a MIDI
// pitch; the arrangement has frets 0 ... 22 on distinct strings, one column
// per note kept or more, and accounts for every note; the song keeps to the
// recorder's event limit and saves and loads back the same.
#include <cmath>

#include "FuzzSupport.h"
#include "import/MidiFileReader.h"
#include "import/ScoreSong.h"
#include "import/TabArranger.h"
#include "storage/SongCodec.h"

using namespace fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes input = exact(data, size);
    Score score;
    std::string error;
    if (!MidiFileReader::read(input, score, error)) {
        require(!error.empty(), "a refused file says why");
        return 0;
    }
    std::vector<const ScoreTrack*> tracks;
    for (const ScoreTrack& t : score.tracks) {
        for (const ScoreNote& n : t.notes)
            require(std::isfinite(n.seconds) && n.seconds >= 0 && n.duration >= 0 && n.pitch >= 0 &&
                        n.pitch < 128 && n.velocity >= 1 && n.velocity < 128,
                    "a note starts at a time, ends no earlier and plays a MIDI pitch");
        const TabArranger::Result r = TabArranger::arrange(t);
        int placed = 0;
        for (const TabArranger::Column& c : r.columns)
            for (int f : c) {
                require(f >= -1 && f <= TabArranger::kMaxFret, "frets 0 ... 22");
                placed += f >= 0;
            }
        require(placed == r.notes && r.notes + r.dropped == static_cast<int>(t.notes.size()) &&
                    r.columns.size() <= t.notes.size(),
                "every note is placed or counted as dropped");
        if (tracks.size() < 2)
            tracks.push_back(&t);
    }
    const ScoreSong::Result song = ScoreSong::build(tracks);
    require(song.song.events->notes.size() <= SongEvents::kMaxEvents, "the song keeps to the event limit");
    const Bytes saved = SongCodec::writeSong(song.song);
    require(SongCodec::writeSong(SongCodec::readSong(saved.data(), saved.size())) == saved,
            "the song saves and loads back the same");
    return 0;
}
