#include "storage/SongParts.h"

#include "storage/EngineSectionContents.h"
#include "storage/SongSections.h"
#include "storage/VersionHeader.h"

SongParts::SongParts() : recorder(nullptr, nullptr, clock, false) {}

SongParts::~SongParts() = default;

void SongParts::read(const uint8_t* bytes, size_t size) {
    const VersionHeader header = VersionHeader::read(bytes, size);
    version = header.version;
    SongSections sections(bytes, size, header.dataOffset);
    const uint8_t* section = nullptr;
    size_t sectionSize = 0;
    sections.nextOrFail(section, sectionSize);
    tab.restoreFromSaveTabBuffer(section, sectionSize, version);
    sections.nextOrFail(section, sectionSize);
    recorder.restoreFromSaveBuffer(section, sectionSize, version);
    sections.nextOrFail(section, sectionSize);
    if (EngineSectionContents::knowsVersion(version))
        engine = EngineSectionContents::parse(section, sectionSize, version);
}
