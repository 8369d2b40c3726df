#pragma once
#include <exception>
#include <string>

// The failure raised when saved data cannot be read: it carries a short code
// name ("SoundEngineFailure-1", "RecorderFailure-1", "TabFailure-2",
// "FileNotFound", ...) and an empty reason. Whoever loads a file catches it,
// prints "EXCEPTION: <name>" and resets what it was loading.
class StrumwellFailure : public std::exception {
public:
    explicit StrumwellFailure(std::string name) : name_(std::move(name)) {}

    const std::string& name() const noexcept { return name_; }
    // Always empty: the name says everything.
    const std::string& reason() const noexcept { return reason_; }
    const char* what() const noexcept override { return name_.c_str(); }

private:
    std::string name_;
    std::string reason_;
};
