#include "storage/CommandTool.h"

#include "core/BoundedFile.h"
#include "core/FailureText.h"
#include "core/StrumwellFailure.h"
#include "storage/FileManager.h"

CommandTool::CommandTool(std::string name, std::ostream& out, std::ostream& err)
    : name_(std::move(name)), out_(out), err_(err) {}

bool CommandTool::commonOption(const std::vector<std::string>& args, std::size_t& i, std::string& output,
                               bool& help, std::string& problem) {
    const std::string& a = args[i];
    if (a == "-h" || a == "--help") {
        help = true;
        return true;
    }
    if (a != "-o" && a != "--output")
        return false;
    if (i + 1 >= args.size() || args[i + 1].empty())
        problem = "-o needs a file name";
    else
        output = args[++i];
    return true;
}

bool CommandTool::isOption(const std::string& word, bool dashIsWord) {
    return !word.empty() && word[0] == '-' && !(dashIsWord && word == "-");
}

std::string CommandTool::inputWord(const std::string& word, std::string& input, bool dashIsWord) {
    if (isOption(word, dashIsWord))
        return "unknown option '" + word + "'";
    if (!input.empty())
        return "unexpected argument '" + word + "'";
    input = word;
    return {};
}

std::string CommandTool::missing(const std::string& input, const char* noInput, const std::string& output,
                                 const char* noOutput) {
    if (input.empty())
        return noInput;
    if (output.empty())
        return noOutput;
    return {};
}

int CommandTool::answerCommandLine(bool help, const std::string& problem, const std::string& usage) {
    if (help) {
        out_ << usage;
        return 0;
    }
    if (!problem.empty()) {
        err_ << name_ << ": " << problem << "\n" << usage;
        return 2;
    }
    return -1;
}

void CommandTool::quiet(FileManager& files) {
    files.setDiagnosticStream(diagnostics_);
}

bool CommandTool::readFile(const FileManager& files, const std::string& path,
                           std::vector<std::uint8_t>& bytes, const char* /*note*/, bool dashIsStandardInput) {
    std::string failure;
    if (dashIsStandardInput && path == "-") {
        failure = BoundedFile::readStandardInput(BoundedFile::Limit::kSong, bytes);
    } else {
        try {
            bytes = files.loadDataFile(path);
        } catch (const StrumwellFailure& thrown) {
            failure = thrown.name();
        }
    }
    if (failure.empty())
        return true;
    err_ << FailureText::toolLine(path, failure) << "\n";
    return false;
}

bool CommandTool::writeFile(FileManager& files, const std::string& path, const std::uint8_t* data,
                            std::size_t size) {
    if (!files.saveDataFile(path, data, size)) {
        err_ << name_ << ": cannot write " << path << "\n";
        return false;
    }
    return true;
}
