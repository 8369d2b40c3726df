#pragma once
#include <functional>
#include <string>
#include <vector>

// The files of one kind (one upper-case extension, such as ".SAV" or ".TAB")
// in the documents folder, without any drawing: their names, making a typed
// name safe to use as a file name, removing one and copying the demos of that
// kind shipped in the bundle. The song and tab browsers each use one with
// their own extension.
//
// A file "X<extension>" holds the item named "X"; the extension must match
// exactly, so "x.sav" is not a song.
//
// Threads: any one thread at a time (the UI thread, in the app).
class LibraryFolder {
public:
    // Folders are taken as given (no trailing slash needed). The bundle folder
    // may be empty: there are then no demos.
    LibraryFolder(std::string documentsFolder, std::string bundleFolder, std::string extension);

    // Every ".", "/" and backslash becomes "_"; nothing else changes, so an
    // empty text stays empty and the result never leaves the folder it is
    // put in.
    static std::string makeFileSafe(const std::string& text);
    // name + extension.
    std::string fileName(const std::string& name) const;
    // "X<extension>" gives "X"; any other file name (other or lower-case
    // extension, nothing before the extension) gives an empty text.
    std::string nameOfFile(const std::string& fileName) const;

    // The names of the files of this kind in the documents folder, in byte
    // order. Only regular files with a non-empty name; the save's temporary
    // files never qualify. An unreadable folder gives no names.
    std::vector<std::string> names() const;
    // The whole file names (extension and all) of the regular files in the
    // documents folder that `accept` takes, in byte order: files of other
    // kinds listed beside these (the imports). Temporary files ("." first)
    // never qualify.
    std::vector<std::string> otherFiles(const std::function<bool(const std::string&)>& accept) const;
    // `name` when no file of this kind has it, else the first of "name 2",
    // "name 3", ... that none has: a new item never replaces an old one.
    std::string freeName(const std::string& name) const;
    // A regular file of this name exists; false for a name that is not a
    // plain file name.
    bool exists(const std::string& name) const;
    // documents folder + "/" + name + extension.
    std::string path(const std::string& name) const;
    // Removes the file; false when it was not there or could not be removed.
    // Refuses names that are not a plain file name.
    bool erase(const std::string& name) const;
    // Copies every file of this kind in the bundle folder into the documents
    // folder under its own name, each written whole (a full disk leaves no
    // part of a copy). A file already there is left as it is, unless it is
    // empty or the start of the demo (a copy an older version cut short):
    // that one is copied again. Returns how many were copied. A missing
    // bundle folder copies nothing.
    int copyDemos() const;

    const std::string& documentsFolder() const { return documentsFolder_; }
    const std::string& bundleFolder() const { return bundleFolder_; }

private:
    std::string documentsFolder_;
    std::string bundleFolder_;
    std::string extension_;
};
