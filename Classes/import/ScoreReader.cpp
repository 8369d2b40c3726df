#include "import/ScoreReader.h"

#include <algorithm>
#include <cctype>

#include "import/GuitarProReader.h"
#include "import/GuitarProZipReader.h"
#include "import/MidiFileReader.h"
#include "import/MusicXmlReader.h"

namespace {

bool startsWith(std::span<const uint8_t> bytes, std::string_view magic) {
    return bytes.size() >= magic.size() &&
           std::equal(magic.begin(), magic.end(), bytes.begin(),
                      [](char c, uint8_t b) { return static_cast<uint8_t>(c) == b; });
}

} // namespace

std::string ScoreReader::extensionOf(const std::string& fileName) {
    const auto dot = fileName.find_last_of('.');
    if (dot == std::string::npos || fileName.find('/', dot) != std::string::npos)
        return {};
    std::string ext = fileName.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

ScoreReader::Format ScoreReader::detect(std::span<const uint8_t> bytes, const std::string& fileName) {
    if (startsWith(bytes, "MThd"))
        return Format::Midi;
    // Guitar Pro 3 to 5 start with a one-byte length and "FICHIER GUITAR PRO".
    if (bytes.size() > 1 && startsWith(bytes.subspan(1), "FICHIER GUITAR PRO"))
        return Format::GuitarPro;
    const std::string ext = extensionOf(fileName);
    if (startsWith(bytes, "PK\x03\x04"))
        return ext == "mxl"  ? Format::CompressedMusicXml
               : ext == "gp" ? Format::GuitarProZip
                             : Format::Unknown;
    if (ext == "mid" || ext == "midi")
        return Format::Midi;
    if (ext == "musicxml" || ext == "xml")
        return Format::MusicXml;
    if (ext == "mxl")
        return Format::CompressedMusicXml;
    if (ext == "gp3" || ext == "gp4" || ext == "gp5")
        return Format::GuitarPro;
    if (ext == "gp")
        return Format::GuitarProZip;
    return Format::Unknown;
}

bool ScoreReader::read(std::span<const uint8_t> bytes, const std::string& fileName, Score& score,
                       std::string& error) {
    score = Score{};
    switch (detect(bytes, fileName)) {
    case Format::Midi:
        return MidiFileReader::read(bytes, score, error);
    case Format::MusicXml:
    case Format::CompressedMusicXml:
        return MusicXmlReader::read(bytes, score, error);
    case Format::GuitarPro:
        return GuitarProReader::read(bytes, score, error);
    case Format::GuitarProZip:
        return GuitarProZipReader::read(bytes, score, error);
    case Format::Unknown:
        break;
    }
    error = "not a file Strumwell can import (Guitar Pro .gp3 .gp4 .gp5 .gp, MusicXML .musicxml .xml .mxl, "
            "MIDI .mid)";
    return false;
}
