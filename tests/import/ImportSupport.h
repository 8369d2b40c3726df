#pragma once
// What the import tests share: zipped scores built with libzip, notes in
// words, and hostile files run through `strumwell import`.
#include <zip.h>

#include "import/ImportCommand.h"
#include "import/Score.h"
#include "import/ScoreReader.h"
#include "storage/StorageTestSupport.h"

// The score any reader makes of a file's bytes (chosen by the name); a
// refusal fails the test.
inline Score readScore(const Bytes& bytes, const std::string& name) {
    Score score;
    std::string error;
    EXPECT_TRUE(ScoreReader::read(bytes, name, score, error)) << error;
    return score;
}

// A zip archive holding the entries (name, content).
inline Bytes zipOf(const std::vector<std::pair<std::string, std::string>>& entries) {
    TempFolder dir;
    zip_t* z = zip_open(dir.file("a.zip").c_str(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    for (const auto& [name, text] : entries)
        zip_file_add(z, name.c_str(), zip_source_buffer(z, text.data(), text.size(), 0), 0);
    zip_close(z);
    return readFile(dir.file("a.zip"));
}

// Notes as "ms:pitch", then "~" when tied and "sSfF" where the file gave a string and fret.
inline std::string notesOf(const ScoreTrack& t) {
    std::ostringstream s;
    for (const ScoreNote& x : t.notes) {
        s << " " << std::lround(x.seconds * 1000) << ":" << x.pitch << (x.tied ? "~" : "");
        if (x.string >= 0)
            s << "s" << x.string << "f" << x.fret;
    }
    return s.str().substr(1);
}

// A file `strumwell import` must refuse with `reason`, writing nothing.
struct Refusal {
    std::string name;
    Bytes bytes;
    std::string reason;
    Refusal(std::string n, Bytes b, std::string r) : name(n), bytes(b), reason(r) {}
    Refusal(std::string n, const std::string& b, std::string r) : Refusal(n, Bytes(b.begin(), b.end()), r) {}
};

inline void expectRefused(const std::vector<Refusal>& cases) {
    for (const auto& [name, bytes, reason] : cases) {
        TempFolder dir;
        writeFile(dir.file(name), bytes);
        writeFile(dir.file("out.TAB"), Bytes{'o', 'l', 'd'});
        const CommandRun r = runCommand(ImportCommand::run, {dir.file(name), "-o", dir.file("out.TAB")});
        EXPECT_EQ(r.err,
                  "strumwell: cannot read '" + dir.file(name) + "': " + reason + "; nothing written\n");
        EXPECT_EQ(std::make_tuple(r.code, r.out, readFile(dir.file("out.TAB")), filesIn(dir)),
                  std::make_tuple(1, std::string(), Bytes{'o', 'l', 'd'}, size_t{2}))
            << reason;
    }
}
