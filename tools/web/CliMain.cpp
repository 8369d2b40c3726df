// The command-line tools of the program without its window: what the
// browser build runs under Node. Same commands, same output, same files as
// `strumwell dump|render|export|tab|import` in Classes/main.cpp (import
// when the build has the import area: cmake/WebImportDeps.cmake).
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#if STRUMWELL_HAVE_IMPORT
#include "import/ImportCommand.h"
#endif
#include "storage/DumpCommand.h"
#include "storage/ExportCommand.h"
#include "storage/RenderCommand.h"
#include "storage/TabCommand.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string command = args.empty() ? std::string() : args[0];
    const std::vector<std::string> rest =
        args.empty() ? args : std::vector<std::string>(args.begin() + 1, args.end());
    if (command == "dump")
        return DumpCommand::run(rest, std::cout, std::cerr);
    if (command == "render")
        return RenderCommand::run(rest, std::cout, std::cerr);
    if (command == "export")
        return ExportCommand::run(rest, std::cout, std::cerr);
    if (command == "tab")
        return TabCommand::run(rest, std::cout, std::cerr);
#if STRUMWELL_HAVE_IMPORT
    if (command == "import")
        return ImportCommand::run(rest, std::cout, std::cerr);
    std::fputs("usage: strumwell dump|render|export|tab|import ARGS... (this build has only the command-line "
               "tools)\n",
               stderr);
#else
    std::fputs(
        "usage: strumwell dump|render|export|tab ARGS... (this build has only the command-line tools)\n",
        stderr);
#endif
    return 2;
}
