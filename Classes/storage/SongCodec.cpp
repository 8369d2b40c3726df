#include "storage/SongCodec.h"

#include "core/ByteWriter.h"
#include "core/SongVersion.h"
#include "storage/RecorderSection.h"
#include "storage/SongOptionsSection.h"
#include "storage/SongSections.h"
#include "storage/VersionHeader.h"

Song SongCodec::readSong(const uint8_t* bytes, size_t size, int eventLimit) {
    Song song;
    const VersionHeader header = VersionHeader::read(bytes, size);
    song.version = header.version;
    SongSections sections(bytes, size, header.dataOffset);
    const uint8_t* section = nullptr;
    size_t sectionSize = 0;
    sections.nextOrFail(section, sectionSize);
    song.tab.restoreFromSaveTabBuffer(section, sectionSize, song.version);
    sections.nextOrFail(section, sectionSize);
    if (SongVersion::recorderSectionKnown(song.version))
        song.events = RecorderSection::read(section, sectionSize, song.version, eventLimit);
    sections.nextOrFail(section, sectionSize);
    if (SongVersion::engineSectionKnown(song.version))
        song.engine = EngineSettings::read(section, sectionSize, song.version);
    if (SongVersion::optionsSectionKnown(song.version)) {
        sections.nextOrFail(section, sectionSize);
        SongOptionsSection::read(section, sectionSize, song);
    } else {
        song.timing.tempo = SongTiming::kNoTempo;
    }
    return song;
}

Song SongCodec::readTab(const uint8_t* bytes, size_t size) {
    Song song;
    const VersionHeader header = VersionHeader::read(bytes, size);
    song.version = header.version;
    if (!SongVersion::optionsSectionKnown(song.version)) {
        song.tab.restoreFromSaveTabBuffer(bytes + header.dataOffset, size - header.dataOffset, song.version);
        song.timing.tempo = SongTiming::kNoTempo;
        return song;
    }
    SongSections sections(bytes, size, header.dataOffset);
    const uint8_t* section = nullptr;
    size_t sectionSize = 0;
    sections.nextOrFail(section, sectionSize);
    song.tab.restoreFromSaveTabBuffer(section, sectionSize, song.version);
    sections.nextOrFail(section, sectionSize);
    song.tunings[0] = SongOptionsSection::readTuning(section, sectionSize);
    song.timing.tempo = SongTiming::kNoTempo;
    return song;
}

std::vector<uint8_t> SongCodec::writeSong(const Song& song) {
    const std::vector<uint8_t> tabSection = song.tab.createSaveTabBuffer();
    const std::vector<uint8_t> recorderSection = RecorderSection::write(song.events.value_or(SongEvents()));
    std::vector<uint8_t> engineSection;
    if (song.engine) {
        engineSection = song.engine->write();
    } else {
        // A song read from a version whose engine section this build does not
        // know has no settings of its own. Plain zeroes are not all valid
        // settings (a read holds them to their knobs' ranges), so they are
        // written as a read gives them back: what is written reads back the same.
        const std::vector<uint8_t> zeroes = EngineSettings().write();
        engineSection = EngineSettings::read(zeroes.data(), zeroes.size(), SongVersion::kCurrent).write();
    }
    const std::vector<uint8_t> optionsSection = SongOptionsSection::write(song);
    ByteWriter w(VersionHeader::kSize + 16 + tabSection.size() + recorderSection.size() +
                 engineSection.size() + optionsSection.size());
    VersionHeader::write(w);
    for (const std::vector<uint8_t>* section : std::initializer_list<const std::vector<uint8_t>*>{
             &tabSection, &recorderSection, &engineSection, &optionsSection}) {
        w.i32(static_cast<int32_t>(section->size()));
        w.bytes(section->data(), section->size());
    }
    return w.take();
}

std::vector<uint8_t> SongCodec::writeTab(const Song& song) {
    const std::vector<uint8_t> tabSection = song.tab.createSaveTabBuffer();
    const std::vector<uint8_t> tuning = SongOptionsSection::writeTuning(song.tunings[0]);
    ByteWriter w(VersionHeader::kSize + 8 + tabSection.size() + tuning.size());
    VersionHeader::write(w);
    for (const std::vector<uint8_t>* section : {&tabSection, &tuning}) {
        w.i32(static_cast<int32_t>(section->size()));
        w.bytes(section->data(), section->size());
    }
    return w.take();
}

std::vector<uint8_t> SongCodec::writeTab(const Tab& tab) {
    Song song;
    song.tab = tab;
    return writeTab(song);
}
