// Strumwell's side of the page, run by the emscripten runtime before main()
// (emcc --pre-js): `Module` exists; FS, IDBFS, addRunDependency and
// removeRunDependency are defined later in the same scope and are only used
// from callbacks that run once they are.
//
// What main() can count on when it starts:
//   - the arguments --documents /documents --caches /caches --bundle /bundle;
//   - /documents holds what the last visit saved (IndexedDB, through IDBFS);
//   - /bundle/fret*.wav and tap*.wav (the noises every patch shares) exist;
//   - this tab holds the 'strumwell-documents' Web Lock (else main never runs).
// And what it can call (from the main browser thread only):
//   Module.strumwellSamples.request(prefix) -> 1 when /bundle/PREFIX-*.wav are
//       all there, else 0 and the patch is fetched ahead of everything else;
//       Module._strumwell_web_samples_arrived() is called when it is complete.
//   Module.strumwellSync()       after each whole-file write to /documents.
//   Module.strumwellMarkReady()  once the first frame is drawn.
(function () {
  'use strict';
  // pthread workers load this same script; the page belongs to the main thread.
  if (Module['ENVIRONMENT_IS_PTHREAD'] || typeof window === 'undefined') return;

  var DOCUMENTS = '/documents';
  var CACHES = '/caches';
  var BUNDLE = '/bundle';
  // The engine mixes at 44100 Hz and reads the samples as they are, so the
  // decoder must hand back exactly that rate (Chromium resamples to the
  // decoding context's rate).
  var SAMPLE_RATE = 44100;
  var PARALLEL_FETCHES = 4;
  var SYNC_DELAY_MS = 300;
  var RETRY_FIRST_MS = 2000;
  var RETRY_MOST_MS = 30000;

  if (!Module['arguments']) {
    Module['arguments'] = ['--documents', DOCUMENTS, '--caches', CACHES, '--bundle', BUNDLE];
    // ?screen=N opens that screen after start-up, as --screen N does on the
    // desktop (a link straight to a guitar; the page's tests use it).
    var screen = new URLSearchParams(location.search).get('screen');
    if (screen && /^[0-9]{1,2}$/.test(screen)) Module['arguments'].push('--screen', screen);
  }
  if (!Module['canvas']) Module['canvas'] = document.getElementById('canvas');

  function describe(error) {
    if (!error) return 'unknown error';
    if (error.message) return error.message;
    if (error.name) return error.name;
    if (error.errno !== undefined) return 'errno ' + error.errno;
    return String(error);
  }

  // --- The page: status line, messages, tap-to-start. -------------------
  var statusText = { pictures: 'Loading pictures\u2026', sounds: '' };
  function showStatus() {
    var element = document.getElementById('status');
    if (!element) return;
    var text = statusText.pictures || statusText.sounds;
    element.textContent = text;
    element.hidden = !text;
  }
  // The runtime reports the preload package's download here
  // ('Downloading data... (LOADED/TOTAL)'), then 'Running...' and ''.
  Module['setStatus'] = function (text) {
    var progress = /^Downloading data\.\.\. \((\d+)\/(\d+)\)/.exec(text || '');
    if (progress && +progress[2] > 0) {
      statusText.pictures = 'Loading pictures\u2026 ' + Math.floor(100 * progress[1] / progress[2]) + ' %';
    } else {
      statusText.pictures = /^Downloading/.test(text || '') ? 'Loading pictures\u2026' : '';
    }
    showStatus();
  };

  function showMessage(text) {
    var element = document.getElementById('message');
    if (element) {
      element.textContent = text;
      element.hidden = false;
    } else {
      console.warn('strumwell: ' + text);
    }
  }

  if (!Module['onAbort']) {
    Module['onAbort'] = function (what) {
      statusText.pictures = statusText.sounds = '';
      showStatus();
      showMessage('Strumwell stopped: ' + (what === undefined ? 'an internal error' : what) + '. Reload the page to start again.');
    };
  }

  // Browsers start an AudioContext suspended until the page has seen a
  // gesture. WebAudioOutput pushes its context here; any tap resumes them
  // all, and while one stays suspended the page asks for a tap.
  var contexts = Module['strumwellAudioContexts'] || [];
  Module['strumwellAudioContexts'] = contexts;
  function needsResume(context) {
    return context.state === 'suspended' || context.state === 'interrupted';
  }
  function updateTapToStart() {
    var element = document.getElementById('tap-to-start');
    if (element) element.hidden = !contexts.some(needsResume);
  }
  function resumeAll() {
    contexts.forEach(function (context) {
      if (!needsResume(context)) return;
      context.resume().then(updateTapToStart, function (error) {
        console.warn('strumwell: the sound could not start: ' + describe(error));
      });
    });
  }
  var pushContext = contexts.push;
  contexts.push = function () {
    var count = pushContext.apply(contexts, arguments);
    for (var i = 0; i < arguments.length; i++) {
      arguments[i].addEventListener('statechange', updateTapToStart);
    }
    resumeAll();
    // A context made after a gesture runs at once; give it a moment before
    // asking for a tap.
    setTimeout(updateTapToStart, 300);
    return count;
  };
  ['pointerdown', 'touchstart', 'touchend', 'mousedown', 'keydown'].forEach(function (type) {
    window.addEventListener(type, resumeAll, { capture: true, passive: true });
  });

  // --- Ready. -------------------------------------------------------------
  var markReady;
  var runtimeReady = false; // the program has drawn its first frame
  Module['strumwellReady'] = new Promise(function (resolve) { markReady = resolve; });
  Module['strumwellMarkReady'] = function () {
    runtimeReady = true;
    statusText.pictures = '';
    showStatus();
    markReady();
  };

  // --- Documents: IDBFS, loaded before main(), saved after each write. ---
  function loadDocuments(done) {
    try { FS.mkdir(DOCUMENTS); } catch (error) { /* already there */ }
    try { FS.mkdir(CACHES); } catch (error) { /* already there */ }
    if (typeof IDBFS === 'undefined') {
      console.warn('strumwell: built without IDBFS (-lidbfs.js); documents will not survive a reload');
      done();
      return;
    }
    FS.mount(IDBFS, {}, DOCUMENTS);
    watchDocuments();
    FS.syncfs(true, function (error) {
      if (error) console.warn('strumwell: could not load the saved documents: ' + describe(error));
      done();
    });
  }

  // At most one save in flight; calls during the delay merge, and calls
  // during a save queue exactly one more.
  var syncTimer = null;
  var syncing = false;
  var syncAgain = false;
  function runSync() {
    if (syncTimer !== null) { clearTimeout(syncTimer); syncTimer = null; }
    if (syncing) { syncAgain = true; return; }
    if (typeof IDBFS === 'undefined') return;
    syncing = true;
    FS.syncfs(false, function (error) {
      syncing = false;
      if (error) console.warn('strumwell: could not save the documents in the browser: ' + describe(error));
      if (syncAgain) { syncAgain = false; runSync(); }
    });
  }
  Module['strumwellSync'] = function () {
    if (syncTimer === null) syncTimer = setTimeout(runSync, SYNC_DELAY_MS);
  };
  // Every change under /documents reaches the browser's storage: the program
  // writes each file whole (a temporary file renamed over the old one) and
  // deletes with unlink, so watching those calls of the file system (which
  // the program's other threads also reach through the main thread) catches
  // every save, delete and rename without the C++ side knowing of IndexedDB.
  function watchDocuments() {
    function touches(path) {
      return typeof path === 'string' && (path === DOCUMENTS || path.indexOf(DOCUMENTS + '/') === 0);
    }
    ['rename', 'unlink', 'rmdir'].forEach(function (name) {
      var original = FS[name];
      FS[name] = function (a, b) {
        var result = original.apply(FS, arguments);
        if (touches(a) || touches(b)) Module['strumwellSync']();
        return result;
      };
    });
  }
  // Leaving the page: save what is waiting now rather than after the delay.
  function flushSync() {
    // The program first writes its working state (the takes, the patches),
    // which a closed page never gets to do at its end.
    if (runtimeReady && typeof Module['_strumwell_web_page_hidden'] === 'function') {
      try { Module['_strumwell_web_page_hidden'](); } catch (error) { /* the program stopped */ }
    }
    if (syncTimer !== null) runSync();
  }
  window.addEventListener('pagehide', flushSync);
  document.addEventListener('visibilitychange', function () {
    if (document.visibilityState === 'hidden') flushSync();
  });

  // --- Samples: Ogg Vorbis on the site, 16-bit WAV in /bundle. ----------
  var index = null;       // NAME -> {channels, frames}, from samples/index.json
  var patches = {};       // PREFIX -> [NAME...] (the PREFIX-N samples)
  var noises = [];        // the rest: fret*, tap*
  var groups = {};        // key -> {names, waiting, inFlight, done, wanted, complete, onComplete}
  var queue = [];         // keys of incomplete groups, the next to fetch first
  var fetching = 0;
  var backgroundQueued = false;
  var unknownPatches = {};
  var decoder = null;

  function wavBytes(audio, channels, frames) {
    var dataBytes = frames * channels * 2;
    var bytes = new ArrayBuffer(44 + dataBytes);
    var view = new DataView(bytes);
    function tag(offset, text) {
      for (var i = 0; i < 4; i++) view.setUint8(offset + i, text.charCodeAt(i));
    }
    tag(0, 'RIFF'); view.setUint32(4, 36 + dataBytes, true); tag(8, 'WAVE');
    tag(12, 'fmt '); view.setUint32(16, 16, true); view.setUint16(20, 1, true);
    view.setUint16(22, channels, true); view.setUint32(24, SAMPLE_RATE, true);
    view.setUint32(28, SAMPLE_RATE * channels * 2, true); view.setUint16(32, channels * 2, true);
    view.setUint16(34, 16, true);
    tag(36, 'data'); view.setUint32(40, dataBytes, true);
    // Every browser is little-endian, as WAV is. Frames the decoder did not
    // produce stay silent; extra ones are dropped.
    var pcm = new Int16Array(bytes, 44, frames * channels);
    var available = Math.min(frames, audio.length);
    for (var c = 0; c < channels; c++) {
      var source = audio.getChannelData(Math.min(c, audio.numberOfChannels - 1));
      for (var i = 0; i < available; i++) {
        var value = Math.round(source[i] * 32768);
        pcm[i * channels + c] = value > 32767 ? 32767 : (value < -32768 ? -32768 : value);
      }
    }
    return new Uint8Array(bytes);
  }

  function decode(data) {
    // One context decodes everything: decodeAudioData keeps the file's
    // channels and converts to the context's rate, whatever its length.
    if (!decoder) {
      var Offline = window.OfflineAudioContext || window.webkitOfflineAudioContext;
      decoder = new Offline(1, 1, SAMPLE_RATE);
    }
    return new Promise(function (resolve, reject) {
      var promise = decoder.decodeAudioData(data, resolve, reject);
      if (promise && promise.catch) promise.catch(function () { /* reported through reject */ });
    });
  }

  function loadSample(name) {
    var shape = index[name];
    var url = 'samples/' + encodeURIComponent(name) + '.ogg';
    return fetch(url).then(function (response) {
      if (!response.ok) throw new Error('HTTP ' + response.status + ' for ' + url);
      return response.arrayBuffer();
    }).then(decode).then(function (audio) {
      FS.writeFile(BUNDLE + '/' + name + '.wav', wavBytes(audio, shape.channels, shape.frames));
    });
  }

  function showSoundProgress() {
    var done = 0;
    var total = 0;
    queue.forEach(function (key) {
      var group = groups[key];
      if (!group.wanted) return;
      done += group.done;
      total += group.names.length;
    });
    statusText.sounds = total ? 'Loading sounds\u2026 ' + done + '/' + total : '';
    showStatus();
  }

  function nextSample() {
    for (var i = 0; i < queue.length; i++) {
      var group = groups[queue[i]];
      if (group.waiting.length) return { group: group, name: group.waiting.shift() };
    }
    return null;
  }

  function pump() {
    var job;
    while (fetching < PARALLEL_FETCHES && (job = nextSample())) {
      fetching++;
      job.group.inFlight++;
      loadSample(job.name).then(finished.bind(null, job, null), finished.bind(null, job));
    }
  }

  function finished(job, error) {
    var group = job.group;
    fetching--;
    group.inFlight--;
    if (error) {
      // Offline or a flaky network: try again later, less and less often.
      console.warn('strumwell: cannot load the sound ' + job.name + ': ' + describe(error));
      group.retryMs = Math.min(RETRY_MOST_MS, (group.retryMs || RETRY_FIRST_MS / 2) * 2);
      setTimeout(function () { group.waiting.push(job.name); pump(); }, group.retryMs);
    } else {
      group.done++;
      if (group.done === group.names.length) {
        group.complete = true;
        queue.splice(queue.indexOf(group.key), 1);
        group.onComplete();
      }
    }
    showSoundProgress();
    pump();
  }

  // Queues a group; `wanted` means the program waits for it, so it goes
  // ahead of everything and shows in the status line.
  function enqueue(key, names, wanted, onComplete) {
    var group = groups[key];
    if (!group) {
      group = groups[key] = {
        key: key, names: names, waiting: names.slice(), inFlight: 0, done: 0,
        wanted: false, complete: false, onComplete: onComplete
      };
      queue.push(key);
    }
    if (wanted && !group.complete) {
      group.wanted = true;
      queue.splice(queue.indexOf(key), 1);
      queue.unshift(key);
    }
    showSoundProgress();
    pump();
  }

  function patchArrived() {
    var arrived = Module['_strumwell_web_samples_arrived'];
    if (typeof arrived !== 'function') return;
    try {
      arrived();
    } catch (error) {
      console.error('strumwell: ' + describe(error));
    }
  }

  function present(name) {
    return FS.analyzePath(BUNDLE + '/' + name + '.wav').exists;
  }

  Module['strumwellSamples'] = {
    request: function (prefix) {
      // The program names a patch by its files' prefix, 'A1-' or 'A1'.
      prefix = String(prefix).replace(/-$/, '');
      var names = patches[prefix];
      if (!names) {
        // The program may ask every frame; say it once.
        if (!unknownPatches[prefix]) console.warn('strumwell: there are no samples for the patch ' + prefix);
        unknownPatches[prefix] = true;
        return 0;
      }
      var group = groups[prefix];
      if (group ? group.complete : names.every(present)) return 1;
      enqueue(prefix, names, true, patchArrived);
      if (!backgroundQueued) {
        backgroundQueued = true;
        Object.keys(patches).sort().forEach(function (other) {
          if (!groups[other] && !patches[other].every(present)) {
            enqueue(other, patches[other], false, patchArrived);
          }
        });
      }
      return 0;
    }
  };

  function loadNoises(done) {
    fetch('samples/index.json').then(function (response) {
      if (!response.ok) throw new Error('HTTP ' + response.status + ' for samples/index.json');
      return response.json();
    }).then(function (json) {
      index = json;
      Object.keys(index).sort().forEach(function (name) {
        var patch = /^(.+)-\d+$/.exec(name);
        if (patch) (patches[patch[1]] = patches[patch[1]] || []).push(name);
        else noises.push(name);
      });
      FS.createPath('/', BUNDLE.slice(1), true, true);
      enqueue('', noises, true, done);
    }).catch(function (error) {
      console.error('strumwell: cannot load the list of sounds: ' + describe(error));
      done();
    });
  }

  // --- Start: the lock first, then documents and noises, then main(). ----
  function withLock(startOnce) {
    var started = false;
    function start() {
      if (started) return;
      started = true;
      startOnce();
    }
    if (!navigator.locks || !navigator.locks.request) {
      console.warn('strumwell: this browser has no Web Locks; two tabs could overwrite each other\'s documents');
      start();
      return;
    }
    navigator.locks.request('strumwell-documents', { ifAvailable: true }, function (lock) {
      if (!lock) {
        statusText.pictures = '';
        showStatus();
        showMessage('Strumwell is already open in another tab.');
        return undefined;
      }
      start();
      // Held for as long as the page lives.
      return new Promise(function () {});
    }).catch(function (error) {
      console.warn('strumwell: the Web Lock failed (' + describe(error) + '); starting anyway');
      start();
    });
  }

  var preRun = Module['preRun'];
  Module['preRun'] = typeof preRun === 'function' ? [preRun] : (preRun || []);
  Module['preRun'].push(function () {
    addRunDependency('strumwell-lock');
    addRunDependency('strumwell-documents');
    addRunDependency('strumwell-noises');
    withLock(function () {
      removeRunDependency('strumwell-lock');
      loadDocuments(function () { removeRunDependency('strumwell-documents'); });
      loadNoises(function () { removeRunDependency('strumwell-noises'); });
    });
  });
})();
