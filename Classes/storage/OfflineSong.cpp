#include "storage/OfflineSong.h"

OfflineSong::OfflineSong(const std::string& bundleFolder, int bufferFrames)
    : bufferFrames_(bufferFrames), output_(bufferFrames), engine_(nullptr, &output_, bundleFolder, clock_),
      recorder_(nullptr, &engine_, clock_, false), files_(&tab_, &recorder_, &engine_, std::string()) {
    engine_.seedRandom(1);
    recorder_.setRandomSeed(1);
    files_.setDiagnosticStream(diagnostics_);
    files_.setSongOptions(&options_);
    recorder_.setSongOptions(&options_);
}

OfflineSong::~OfflineSong() = default;

bool OfflineSong::load(const std::vector<uint8_t>& bytes) {
    engine_.resetState();
    return files_.loadStateFromBuffer(bytes.data(), bytes.size());
}

RenderCommand::Rendered OfflineSong::render(std::optional<uint64_t> exactFrames,
                                            const RenderCommand::PlayOptions& play,
                                            const RenderCommand::Sink& sink) {
    return RenderCommand::renderLoop(engine_, recorder_, clock_, output_, bufferFrames_, exactFrames, sink,
                                     play);
}
