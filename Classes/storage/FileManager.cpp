#include "storage/FileManager.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <exception>
#include <optional>
#include <utility>

#include "audio/SoundEngine.h"
#include "core/BoundedFile.h"
#include "core/StrumwellFailure.h"
#include "core/WholeFileWriter.h"
#include "recorder/Recorder.h"
#include "recorder/SongOptions.h"
#include "song/Tab.h"
#include "storage/SongCodec.h"

namespace {

// The failure of a song whose section lengths do not fit the file.
constexpr const char* kSectionsDoNotFit = "Error loading file";

// The process id and counter of a temporary file name "." NAME ".saving-"
// PID "-" N; a process id of 0 when the name is not one of ours.
pid_t temporaryFileOwner(const char* fileName, unsigned long& counterValue) {
    if (fileName[0] != '.')
        return 0;
    // The last infix: a file name may itself contain the text.
    const char* infix = nullptr;
    for (const char* p = std::strstr(fileName, FileManager::kTemporaryInfix); p != nullptr;
         p = std::strstr(p + 1, FileManager::kTemporaryInfix))
        infix = p;
    if (infix == nullptr || infix == fileName + 1)
        return 0;
    const char* digits = infix + std::strlen(FileManager::kTemporaryInfix);
    char* end = nullptr;
    errno = 0;
    const long pid = std::strtol(digits, &end, 10);
    if (end == digits || *end != '-' || errno != 0 || pid <= 0 || pid > INT32_MAX)
        return 0;
    const char* counter = end + 1;
    if (*counter < '0' || *counter > '9')
        return 0;
    counterValue = std::strtoul(counter, &end, 10);
    if (*end != '\0' || errno != 0)
        return 0;
    return static_cast<pid_t>(pid);
}

} // namespace

FileManager::FileManager(Tab* tab, Recorder* recorder, SoundEngine* soundEngine, std::string documentsFolder)
    : tab_(tab), recorder_(recorder), soundEngine_(soundEngine), documentsFolder_(std::move(documentsFolder)),
      diagnostics_(&std::cout) {}

std::string FileManager::getPathFromFilename(const std::string& filename) const {
    return documentsFolder_ + "/" + filename;
}

void FileManager::printException(const std::string& name) {
    *diagnostics_ << "EXCEPTION: " << name << "\n" << std::flush;
}

bool FileManager::saveDataFile(const std::string& path, const uint8_t* bytes, size_t size) {
    if (WholeFileWriter::write(path, bytes, size, interruption_))
        return true;
    if (interruption_ != SaveInterruption::CrashBeforeRename) // a crashed program says nothing more
        *diagnostics_ << "[saveDataFile] Could not save file\n" << std::flush;
    return false;
}

std::vector<uint8_t> FileManager::loadDataFile(const std::string& path) const {
    // Songs are the largest data files; tabs and text tabs are read the same way.
    std::vector<uint8_t> bytes;
    const std::string failure = BoundedFile::read(path, BoundedFile::Limit::kSong, bytes);
    if (!failure.empty())
        throw StrumwellFailure(failure);
    return bytes;
}

std::vector<uint8_t> FileManager::createSongSaveBuffer() const {
    Song song = recorder_->snapshot();
    song.tab = *tab_;
    song.engine = soundEngine_->settings();
    if (options_ != nullptr)
        options_->fill(song);
    return SongCodec::writeSong(song);
}

bool FileManager::restoreSongFromSaveBuffer(const uint8_t* bytes, size_t size) {
    // The whole file into a Song first: a file that fails part-way must not
    // leave the working song half replaced. Read with the room the recorder
    // has now, so that it takes the events whole.
    Song song;
    try {
        song = SongCodec::readSong(bytes, size, recorder_->loadRoom());
    } catch (const StrumwellFailure& failure) {
        if (failure.name() != kSectionsDoNotFit)
            throw;
        *diagnostics_ << kSectionsDoNotFit << "\n" << std::flush;
        lastFailure_ = kSectionsDoNotFit;
        return false;
    }
    // Nothing can fail from here on.
    *tab_ = std::move(song.tab);
    recorder_->load(song);
    if (song.engine)
        soundEngine_->applySettings(*song.engine);
    if (options_ != nullptr)
        options_->load(song);
    return true;
}

std::vector<uint8_t> FileManager::createTabSaveBuffer() const {
    Song song;
    song.tab = *tab_;
    if (options_ != nullptr)
        options_->fillTab(song);
    return SongCodec::writeTab(song);
}

template <class Build>
bool FileManager::buildAndSave(const std::string& filename, bool noteFailure, Build&& build) {
    try {
        const std::vector<uint8_t> buffer = build();
        return saveDataFile(getPathFromFilename(filename), buffer.data(), buffer.size());
    } catch (const std::exception&) {
        if (noteFailure)
            *diagnostics_ << "[saveDataFile] Could not save file\n" << std::flush;
        return false;
    }
}

bool FileManager::saveState(const std::string& filename) {
    return buildAndSave(filename, true, [this] { return createSongSaveBuffer(); });
}

template <class Load> bool FileManager::guardedLoad(bool empty, Load&& load) {
    lastFailure_.clear();
    if (empty) {
        lastFailure_ = "Empty file";
        return false;
    }
    try {
        return load();
    } catch (const StrumwellFailure& failure) {
        lastFailure_ = failure.name();
    } catch (const std::exception& e) {
        lastFailure_ = e.what();
    }
    printException(lastFailure_);
    return false;
}

bool FileManager::loadState(const std::string& filename) {
    return loadNamedFile(filename, true);
}

bool FileManager::loadNamedFile(const std::string& filename, bool wholeSong) {
    std::vector<uint8_t> bytes;
    if (!guardedLoad(false, [&] {
            bytes = loadDataFile(getPathFromFilename(filename));
            return true;
        }))
        return false;
    return wholeSong ? loadStateFromBuffer(bytes.data(), bytes.size())
                     : loadTabFromBuffer(bytes.data(), bytes.size());
}

bool FileManager::loadStateFromBuffer(const uint8_t* bytes, size_t size) {
    return guardedLoad(size == 0, [&] { return restoreSongFromSaveBuffer(bytes, size); });
}

bool FileManager::saveTab(const std::string& filename) {
    return buildAndSave(filename, false, [this] { return createTabSaveBuffer(); });
}

bool FileManager::loadTab(const std::string& filename) {
    return loadNamedFile(filename, false);
}

bool FileManager::loadTabFromBuffer(const uint8_t* bytes, size_t size) {
    return guardedLoad(size == 0, [&] {
        // Read whole first, so that a damaged file leaves the tab as it was.
        Song song = SongCodec::readTab(bytes, size);
        *tab_ = std::move(song.tab);
        if (options_ != nullptr)
            options_->loadTab(song);
        return true;
    });
}

int FileManager::removeStaleTemporaryFiles() {
    DIR* folder = ::opendir(documentsFolder_.c_str());
    if (folder == nullptr)
        return 0;
    std::vector<std::string> staleNames;
    while (const dirent* entry = ::readdir(folder)) {
        unsigned long counter = 0;
        const pid_t owner = temporaryFileOwner(entry->d_name, counter);
        if (owner == 0)
            continue;
        // Only a process that is certainly gone gives its files away; one we
        // may not signal (EPERM) is alive. Our own process id may be an old
        // one reused (containers start every run with the same ids): a file
        // with a counter this process has not reached yet is not ours.
        const bool stale = owner == ::getpid() ? counter >= WholeFileWriter::temporaryNamesGiven()
                                               : ::kill(owner, 0) != 0 && errno == ESRCH;
        if (stale)
            staleNames.push_back(entry->d_name);
    }
    ::closedir(folder);
    int removed = 0;
    for (const std::string& name : staleNames) {
        const std::string path = getPathFromFilename(name);
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) == 0)
            ++removed;
    }
    return removed;
}

void FileManager::resetState() {
    tab_->resetState();
    recorder_->resetState();
    soundEngine_->resetState();
    if (options_ != nullptr)
        options_->load(Song());
}

int32_t FileManager::numNotesToSave() const {
    return recorder_->getNumNotes() / 2;
}
