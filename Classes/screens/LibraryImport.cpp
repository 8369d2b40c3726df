#include "screens/LibraryImport.h"

#include <algorithm>
#include <filesystem>

#include "core/FailureText.h"
#include "core/WholeFileWriter.h"
#include "import/Importer.h"
#include "storage/LibraryFolder.h"

bool LibraryImport::isImportFile(const std::string& fileName) const {
    return songs_ ? Importer::makesSongs(fileName) : Importer::readsFile(fileName);
}

std::vector<std::string> LibraryImport::files(const LibraryFolder& folder) const {
    return folder.otherFiles([this](const std::string& name) { return isImportFile(name); });
}

bool LibraryImport::erase(const LibraryFolder& folder, const std::string& fileName) {
    std::error_code ec;
    return std::filesystem::remove(folder.documentsFolder() + "/" + fileName, ec);
}

std::vector<std::string> LibraryImport::listWith(const LibraryFolder& folder, std::vector<std::string> names,
                                                 std::vector<bool>& imported) const {
    std::vector<std::pair<std::string, bool>> entries;
    for (std::string& name : names)
        entries.emplace_back(std::move(name), false);
    for (std::string& name : files(folder))
        entries.emplace_back(std::move(name), true);
    std::sort(entries.begin(), entries.end());
    names.clear();
    imported.clear();
    for (auto& [name, isImport] : entries) {
        names.push_back(std::move(name));
        imported.push_back(isImport);
    }
    return names;
}

std::string LibraryImport::failed(const std::string& why) const {
    return std::string(songs_ ? "Song" : "Tab") + " not imported.\n" +
           FailureText::sentence(FailureText::cannotRead(fileName_, why));
}

std::string LibraryImport::open(const LibraryFolder& folder, const std::string& fileName) {
    fileName_ = fileName;
    tracks_.clear();
    score_ = Score{};
    if (const std::string failure = Importer::readFile(folder.documentsFolder() + "/" + fileName, bytes_);
        !failure.empty())
        return failed(failure);
    Importer::Tracks read = Importer::listTracks(bytes_, fileName);
    if (!read.error.empty())
        return failed(read.error);
    score_ = std::move(read.score);
    tracks_ = Importer::tracksWithNotes(score_);
    return tracks_.empty() ? failed("the file has no notes") : std::string();
}

std::vector<std::string> LibraryImport::choices() const {
    std::vector<std::string> lines;
    for (size_t t : tracks_)
        lines.push_back(Importer::trackSummary(score_, t));
    return lines;
}

std::string LibraryImport::question(int guitar) const {
    if (!songs_)
        return "Which track of '" + fileName_ + "' becomes the tab?";
    return "Which track of '" + fileName_ + "' does guitar " + std::to_string(guitar + 1) + " play?";
}

LibraryImport::Saved LibraryImport::save(const LibraryFolder& folder,
                                         const std::vector<size_t>& tracks) const {
    Saved s;
    std::string report;
    if (songs_) {
        const Importer::SongResult r = Importer::toSong(score_, tracks);
        if (!r.error.empty())
            return {false, {}, {}, failed(r.error)};
        s.file = r.file;
        report = r.summary + ".";
        for (const std::string& g : r.guitars)
            report += "\n" + g + ".";
        for (const std::string& more : {r.moved, r.leftOut})
            report += more.empty() ? "" : "\n" + FailureText::sentence(more);
    } else {
        const Importer::TabResult r =
            Importer::toTab(score_, tracks.empty() ? -1 : static_cast<int>(tracks[0]));
        if (!r.error.empty())
            return {false, {}, {}, failed(r.error)};
        s.file = r.file;
        report = r.summary + ".\n" + FailureText::sentence(r.details);
    }
    const auto dot = fileName_.find_last_of('.');
    s.name = folder.freeName(LibraryFolder::makeFileSafe(fileName_.substr(0, dot)));
    if (!WholeFileWriter::write(folder.path(s.name), s.file.data(), s.file.size()))
        return {false,
                {},
                {},
                std::string(songs_ ? "Song" : "Tab") + " not imported.\n'" + folder.fileName(s.name) +
                    "' could not be written."};
    s.ok = true;
    s.text = std::string(songs_ ? "Song" : "Tab") + " '" + s.name + "' imported from '" + fileName_ +
             "': " + report;
    return s;
}
