#pragma once
#include <array>
#include <string>

#include "core/GuitarId.h"

// How Strumwell talks MIDI, chosen in the application setup screen and kept
// with the application's own settings (never in songs).
//
// Channels (0-based here, 1-based on the screen): a guitar per channel
// (guitar 1 on channel 0, guitar 2 on channel 1) or a channel per string
// (guitar 1 on 0 ... 5, guitar 2 on 6 ... 11, low E first), so that a bend
// of one string leaves the others alone. The same mode reads MIDI in.
//
// Threads: any (a plain value).
struct MidiSettings {
    bool channelPerString = false;
    // Which guitars' notes go out.
    std::array<bool, kGuitars> sendGuitar{true, true};
    // Whether a song being played back goes out too (a player's gestures
    // always do).
    bool sendSongPlayback = false;

    static constexpr int kStringsPerGuitar = 6;

    // The channel of a guitar's string (any string in the guitar mode).
    int channelFor(GuitarId guitar, int string) const {
        return channelPerString ? guitar * kStringsPerGuitar + string : guitar;
    }
    // The guitar (and, per string, the string) a channel plays; kNoGuitar for
    // a channel no guitar listens on.
    GuitarId guitarOfChannel(int channel) const {
        if (channelPerString)
            return channel >= 0 && channel < kGuitars * kStringsPerGuitar ? channel / kStringsPerGuitar
                                                                          : kNoGuitar;
        return validGuitar(channel) ? channel : kNoGuitar;
    }
    int stringOfChannel(int channel) const { return channelPerString ? channel % kStringsPerGuitar : -1; }
    int firstChannel(GuitarId guitar) const { return channelFor(guitar, 0); }
    int numChannels() const { return channelPerString ? kStringsPerGuitar : 1; }

    bool operator==(const MidiSettings&) const = default;
};
