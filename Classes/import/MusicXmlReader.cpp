#include "import/MusicXmlReader.h"

bool MusicXmlReader::read(std::span<const uint8_t>, Score&, std::string& error) {
    error = "this format cannot be read yet";
    return false;
}
