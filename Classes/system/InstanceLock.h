#pragma once
#include <string>

// One running program per documents folder. Two programs over the same
// folder would each load the working state, each save it at quit (the last
// one wins), and the second would take the first one's crash flag for a
// crash. The lock is an exclusive flock on a file in the folder, taken
// without waiting and held until the object goes or the process ends in any
// way (the kernel releases it, so a killed program never leaves it behind).
// The descriptor is closed on exec: a program started from here (the web
// browser) never inherits it.
//
// Threads: any one thread at a time.
class InstanceLock {
public:
    // The lock file, in the documents folder; hidden, so no library lists it.
    static constexpr const char* kFileName = ".strumwell.lock";

    enum class State {
        Held,        // this object holds the lock
        Busy,        // another program (or another lock object) holds it
        Unavailable, // the lock file could not be opened or locked at all
    };

    // Tries once to take the lock on folder + "/" + kFileName, creating the
    // file when it is not there.
    explicit InstanceLock(const std::string& folder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State state() const { return state_; }
    bool held() const { return state_ == State::Held; }
    bool busy() const { return state_ == State::Busy; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
    State state_ = State::Unavailable;
};
