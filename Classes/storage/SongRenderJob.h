#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Renders a song into a 44100 Hz 16-bit stereo WAV file on a worker thread
// of its own, for a screen that must stay responsive meanwhile: the screen
// starts the job, polls progress() and state() from its frame loop, and may
// cancel() it at any time.
//
// The song is a song buffer (FileManager::createSongSaveBuffer of the state
// to be rendered, taken on the UI thread before start). It plays exactly as
// `strumwell render` plays it with its default options (a fresh engine and
// recorder of the job's own, no sound device, 256-frame buffers, fixed
// random seeds), so the file is the same, sample for sample. It is written
// to a temporary file beside the output and renamed over it at the end:
// a cancelled or failed job leaves no file behind and an existing one whole.
// A song whose last event lies more than an hour after its start fails, as
// `strumwell render` refuses it.
//
// Threads: construct, start, poll, cancel and destroy on one thread (the UI
// thread); progress(), state() and message() may be read from any thread.
class SongRenderJob {
public:
    enum class State { NotStarted, Running, Done, Failed, Cancelled };

    SongRenderJob(std::vector<uint8_t> songBuffer, std::string bundleFolder, std::string outputPath);
    // Cancels a job still running and waits for its thread.
    ~SongRenderJob();
    SongRenderJob(const SongRenderJob&) = delete;
    SongRenderJob& operator=(const SongRenderJob&) = delete;

    // UI thread. Starts the worker; once only.
    void start();
    // UI thread. Asks the worker to stop at its next buffer; state() becomes
    // Cancelled once it has cleaned up.
    void cancel();
    // UI thread. Waits for the worker to end (tests, the command line).
    void wait();

    // Any thread. 0 ... 1, an estimate from the song's length.
    float progress() const { return progress_.load(std::memory_order_relaxed); }
    State state() const { return state_.load(std::memory_order_acquire); }
    // Any thread. After Done: the output's file name; after Failed: why
    // ("Error loading file", "cannot write NAME", "cannot write NAME: the
    // song's last event lies more than an hour in"); otherwise empty.
    std::string message() const;

    // The whole job on the calling thread. Returns the final state and sets
    // message; `cancel` is polled before every buffer.
    static State render(const std::vector<uint8_t>& songBuffer, const std::string& bundleFolder,
                        const std::string& outputPath, std::atomic<float>* progress,
                        const std::atomic<bool>* cancel, std::string& message);

private:
    void finish(State state, std::string message);

    std::vector<uint8_t> songBuffer_;
    std::string bundleFolder_;
    std::string outputPath_;
    std::atomic<float> progress_{0.0f};
    std::atomic<bool> cancel_{false};
    std::atomic<State> state_{State::NotStarted};
    mutable std::mutex messageMutex_;
    std::string message_;
    std::thread thread_;
};
