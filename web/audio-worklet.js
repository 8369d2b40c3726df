// The browser's audio thread end of WebAudioOutput: reads interleaved 16-bit
// stereo frames from the ring the program's producer thread fills in the
// wasm memory (a SharedArrayBuffer) and plays them.
//
// process() runs on the real-time audio thread: it never allocates, never
// waits and never locks. It copies what the ring holds, pads with silence and
// counts an underrun when the ring runs dry, then publishes the new read
// index and wakes the producer, which sleeps on that index.

// The Int32 slots at the ring's start (WebAudioOutput::Header).
const READ_INDEX = 0;
const WRITE_INDEX = 1;
const UNDERRUNS = 2;
const RUNNING = 3;
const GENERATION = 4;

class StrumwellRingReader extends AudioWorkletProcessor {
  constructor(options) {
    super();
    const o = options.processorOptions;
    this.header = new Int32Array(o.buffer, o.headerOffset, 5);
    this.samples = new Int16Array(o.buffer, o.samplesOffset, o.capacityFrames * 2);
    this.mask = o.capacityFrames - 1;
    this.generation = o.generation;
  }

  process(inputs, outputs) {
    const channels = outputs[0];
    const left = channels[0];
    const right = channels.length > 1 ? channels[1] : channels[0];
    const frames = left.length;
    const header = this.header;
    if (Atomics.load(header, GENERATION) !== this.generation) {
      // A later start() owns the ring now: this node is on its way out.
      left.fill(0);
      right.fill(0);
      return false;
    }
    const read = Atomics.load(header, READ_INDEX);
    const available = (Atomics.load(header, WRITE_INDEX) - read) | 0;
    const take = available < frames ? (available > 0 ? available : 0) : frames;
    const samples = this.samples;
    const mask = this.mask;
    let position = read & mask;
    let i = 0;
    for (; i < take; ++i) {
      left[i] = samples[2 * position] / 32768;
      right[i] = samples[2 * position + 1] / 32768;
      position = (position + 1) & mask;
    }
    for (; i < frames; ++i) {
      left[i] = 0;
      right[i] = 0;
    }
    // Only a running producer can be late; a stopped one leaves silence.
    if (take < frames && Atomics.load(header, RUNNING) === 1)
      Atomics.add(header, UNDERRUNS, 1);
    if (take > 0) {
      Atomics.store(header, READ_INDEX, (read + take) | 0);
      Atomics.notify(header, READ_INDEX);
    }
    return true;
  }
}

registerProcessor('strumwell-ring-reader', StrumwellRingReader);
