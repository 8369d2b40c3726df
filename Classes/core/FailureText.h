#pragma once
#include <string>

// Turns the short failure codes that readers raise and files and tests rely
// on ("RecorderFailure-2", "FileNotFound", ...) into words a player can act
// on. The code itself always stays in the message, in parentheses, so that a
// report can be matched to the reader that refused the file.
//
// Threads: any (pure functions).
namespace FailureText {

// The reason in words: "the recorder section is damaged". An unknown code
// is returned as it is.
std::string describe(const std::string& code);

// "cannot read 'NAME': the recorder section is damaged (RecorderFailure-2)".
// A code that is already words (an unknown one) is not repeated.
std::string cannotRead(const std::string& path, const std::string& code);

// The text as a sentence for a message box: its first letter upper case and
// a full stop at the end (unless it has one).
std::string sentence(std::string text);

// "strumwell: " + cannotRead(...): the line a command-line tool prints.
std::string toolLine(const std::string& path, const std::string& code);

} // namespace FailureText
