// The page's "Files" panel: the songs (.SAV) and tabs (.TAB) of the documents
// folder go out as downloads (the file itself, a song's MIDI file or WAV, a
// tab's ASCII text) and come in from the device's files.
//
// Loaded by index.html after its own script (which makes `Module`); it uses
// the program only once it has drawn its first frame: FS (the documents are
// in IndexedDB through IDBFS; web/pre.js saves them after every rename under
// /documents, so an opened file is written under a temporary name and renamed
// into place), Module.strumwellSamples (a WAV needs every guitar's samples)
// and the C++ export, strumwell_web_export(song, out, kind), which runs on a
// thread of its own and answers through Module.strumwellFiles.exported.
(function () {
  'use strict';
  if (typeof window === 'undefined' || !window.Module) return;
  var Module = window.Module;

  var DOCUMENTS = '/documents';
  var CACHES = '/caches';
  // The program's own limits for reading these files (BoundedFile::Limit):
  // no valid song or tab comes near them.
  var KINDS = {
    SAV: { what: 'song', library: 'song library', limit: 64 * 1024 * 1024 },
    TAB: { what: 'tab', library: 'tab library', limit: 16 * 1024 * 1024 }
  };
  // Every guitar's samples (SampleBank's patches): a WAV is rendered only
  // once they are all in /bundle.
  var PATCHES = ['A1-', 'A2-', 'E3-', 'E2-', 'CE-'];
  var EXPORT = { MIDI: 0, WAV: 1, TEXT: 2 };
  var SAMPLE_POLL_MS = 400;

  var css = [
    '#files-button{position:fixed;z-index:20;padding:4px 9px;font:12px system-ui,sans-serif;',
    'color:#eee;background:rgba(40,40,40,.55);border:1px solid rgba(160,160,160,.5);border-radius:5px;',
    'opacity:.45;touch-action:manipulation;cursor:pointer}',
    '#files-button:hover,#files-button:focus-visible{opacity:.95}',
    '#files-panel{position:fixed;inset:0;z-index:30;display:flex;align-items:center;justify-content:center;',
    'background:rgba(0,0,0,.82);touch-action:none}',
    '#files-panel .box{display:flex;flex-direction:column;width:min(600px,96vw);max-height:92vh;box-sizing:border-box;',
    'padding:10px 12px;background:#1c1c1c;border:1px solid #555;border-radius:8px;color:#ddd;font:14px system-ui,sans-serif}',
    '#files-panel .head{display:flex;align-items:center;gap:8px;margin-bottom:6px}',
    '#files-panel h2{flex:1;margin:0;font-size:16px}',
    '#files-panel ul{list-style:none;margin:0;padding:0;overflow-y:auto;touch-action:pan-y;flex:1;min-height:40px}',
    '#files-panel li{display:flex;flex-wrap:wrap;align-items:center;gap:6px;padding:6px 2px;border-top:1px solid #333}',
    '#files-panel .name{flex:1 1 160px;overflow-wrap:anywhere}',
    '#files-panel .actions{display:flex;gap:6px;margin-left:auto}',
    '#files-panel .doing{flex:1 1 100%;text-align:right}#files-panel .doing:empty{display:none}',
    '#files-panel .note{color:#999;font-size:12px}',
    '#files-panel button{padding:6px 10px;font:inherit;font-size:13px;color:#eee;background:#333;',
    'border:1px solid #777;border-radius:5px;touch-action:manipulation;cursor:pointer}',
    '#files-panel button:disabled{opacity:.45;cursor:default}',
    '#files-panel .message{min-height:1.3em;margin-top:6px;white-space:pre-wrap;overflow-wrap:anywhere}',
    '#files-panel .message.bad{color:#f99}'
  ].join('');

  var button = null;
  var panel = null;
  var list = null;
  var message = null;
  var picker = null;
  var busy = false;          // one export at a time: a WAV render takes the CPU
  var waiting = {};          // export id -> function (ok, text)
  var lastFocus = null;

  function fs() { return Module.FS; }

  function describe(error) {
    if (!error) return 'unknown error';
    if (error.message) return error.message;
    if (error.errno !== undefined) return 'errno ' + error.errno;
    return String(error);
  }

  function element(tag, props, children) {
    var e = document.createElement(tag);
    Object.keys(props || {}).forEach(function (key) {
      if (key === 'text') e.textContent = props[key];
      else if (key === 'onclick') e.addEventListener('click', props[key]);
      else e.setAttribute(key, props[key]);
    });
    (children || []).forEach(function (child) { e.appendChild(child); });
    return e;
  }

  function say(text, bad) {
    message.textContent = text;
    message.className = 'message' + (bad ? ' bad' : '');
  }

  function sizeText(bytes) {
    if (bytes < 1024) return bytes + ' bytes';
    if (bytes < 1024 * 1024) return (bytes / 1024).toFixed(1) + ' KB';
    return (bytes / (1024 * 1024)).toFixed(1) + ' MB';
  }

  // "NAME.SAV" -> {name, ext, kind}; the library takes only upper-case
  // extensions and no temporary files ("." first).
  function parse(fileName) {
    var match = /^([^.].*)\.(SAV|TAB)$/.exec(fileName);
    return match ? { name: match[1], ext: match[2], kind: KINDS[match[2]] } : null;
  }

  function documents() {
    var found = [];
    fs().readdir(DOCUMENTS).forEach(function (fileName) {
      var item = parse(fileName);
      if (!item) return;
      try {
        var stat = fs().stat(DOCUMENTS + '/' + fileName);
        if (!fs().isFile(stat.mode)) return;
        item.size = stat.size;
        found.push(item);
      } catch (error) { /* gone meanwhile */ }
    });
    // Byte order, as the library lists them; songs first.
    found.sort(function (a, b) {
      if (a.ext !== b.ext) return a.ext === 'SAV' ? -1 : 1;
      return a.name < b.name ? -1 : (a.name > b.name ? 1 : 0);
    });
    return found;
  }

  function download(bytes, fileName, type) {
    var url = URL.createObjectURL(new Blob([bytes], { type: type || 'application/octet-stream' }));
    var link = element('a', { href: url, download: fileName });
    link.style.display = 'none';
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 60000);
  }

  function downloadDocument(item) {
    var fileName = item.name + '.' + item.ext;
    try {
      download(fs().readFile(DOCUMENTS + '/' + fileName), fileName);
      say('Downloading \u2018' + fileName + '\u2019.');
    } catch (error) {
      say('Cannot read \u2018' + fileName + '\u2019: ' + describe(error), true);
    }
  }

  // Asks for every guitar's samples until all are there.
  function withAllSamples(progress, done) {
    var samples = Module.strumwellSamples;
    if (!samples) { done(); return; }
    (function check() {
      var missing = PATCHES.filter(function (prefix) { return !samples.request(prefix); });
      if (!missing.length) { done(); return; }
      progress('Fetching the guitars\u2019 sounds\u2026 ' + (PATCHES.length - missing.length) + ' of ' + PATCHES.length);
      setTimeout(check, SAMPLE_POLL_MS);
    })();
  }

  function runExport(item, kind, ext, type, doing, row) {
    if (busy) return;
    if (typeof Module.ccall !== 'function' || typeof Module._strumwell_web_export !== 'function') {
      say('This build of Strumwell cannot export files.', true);
      return;
    }
    var source = DOCUMENTS + '/' + item.name + '.' + item.ext;
    var outName = item.name + ext;
    var out = CACHES + '/' + outName;
    setBusy(true, row, doing);
    var start = function () {
      say(doing + ' \u2018' + item.name + '\u2019\u2026');
      var id = -1;
      try {
        id = Module.ccall('strumwell_web_export', 'number', ['string', 'string', 'number'], [source, out, kind]);
      } catch (error) {
        finish(false, 'Cannot export \u2018' + outName + '\u2019: ' + describe(error));
        return;
      }
      if (id < 0) { finish(false, 'Cannot export \u2018' + outName + '\u2019.'); return; }
      waiting[id] = finish;
    };
    function finish(ok, text) {
      setBusy(false);
      if (!ok) { say(text.trim() || 'Cannot export \u2018' + outName + '\u2019.', true); return; }
      try {
        download(fs().readFile(out), outName, type);
        say('Downloading \u2018' + outName + '\u2019.');
      } catch (error) {
        say('Cannot read \u2018' + outName + '\u2019: ' + describe(error), true);
      }
      // The copy in memory is done with once the Blob has it.
      try { fs().unlink(out); } catch (error) { /* already gone */ }
    }
    if (kind === EXPORT.WAV) withAllSamples(function (text) { say(text); }, start);
    else start();
  }

  function setBusy(on, row, doing) {
    busy = on;
    list.querySelectorAll('button[data-export]').forEach(function (b) { b.disabled = on; });
    list.querySelectorAll('.note.doing').forEach(function (n) { n.textContent = ''; });
    if (on && row) row.querySelector('.note.doing').textContent = doing + '\u2026';
  }

  function refresh() {
    list.textContent = '';
    var items;
    try {
      items = documents();
    } catch (error) {
      say('Cannot list the documents: ' + describe(error), true);
      return;
    }
    if (!items.length) list.appendChild(element('li', { class: 'note', text: 'No songs or tabs yet.' }));
    items.forEach(function (item) {
      var row = element('li', { 'data-file': item.name + '.' + item.ext });
      var buttons = [element('button', { type: 'button', text: 'Download', onclick: function () { downloadDocument(item); } })];
      function exporter(label, kind, ext, type, doing) {
        var b = element('button', { type: 'button', text: label, 'data-export': label, onclick: function () {
          runExport(item, kind, ext, type, doing, row);
        } });
        b.disabled = busy;
        buttons.push(b);
      }
      if (item.ext === 'SAV') {
        exporter('MIDI', EXPORT.MIDI, '.mid', 'audio/midi', 'Writing the MIDI file');
        exporter('WAV', EXPORT.WAV, '.wav', 'audio/wav', 'Rendering');
      } else {
        exporter('Text', EXPORT.TEXT, '.txt', 'text/plain', 'Writing the text');
      }
      row.appendChild(element('span', { class: 'name' }, [
        document.createTextNode(item.name + ' '),
        element('span', { class: 'note', text: item.kind.what + ', ' + sizeText(item.size) })
      ]));
      row.appendChild(element('span', { class: 'actions' }, buttons));
      row.appendChild(element('span', { class: 'note doing' }));
      list.appendChild(row);
    });
  }

  function exists(path) { return fs().analyzePath(path).exists; }

  function sameBytes(path, bytes) {
    var old = fs().readFile(path);
    if (old.length !== bytes.length) return false;
    for (var i = 0; i < old.length; i++) if (old[i] !== bytes[i]) return false;
    return true;
  }

  // A chosen file goes into the library under its own name (as the library
  // makes names safe: ".", "/" and "\" become "_"), or "NAME 2", "NAME 3", ...
  // when another file has that name; never over an existing file.
  function openFile(file) {
    var shown = '\u2018' + file.name + '\u2019';
    var match = /^(.*)\.(sav|tab)$/i.exec(file.name);
    if (!match) return Promise.resolve(say('Cannot open ' + shown + ': only songs (.SAV) and tabs (.TAB) can be opened here.', true));
    var ext = match[2].toUpperCase();
    var kind = KINDS[ext];
    var name = match[1].replace(/[./\\]/g, '_');
    if (!name) return Promise.resolve(say('Cannot open ' + shown + ': the file has no name before .' + ext + '.', true));
    if (file.size === 0) return Promise.resolve(say('Cannot open ' + shown + ': the file is empty.', true));
    if (file.size > kind.limit) {
      return Promise.resolve(say('Cannot open ' + shown + ': it is ' + sizeText(file.size) + ', more than any ' +
                                 kind.what + ' can be (at most ' + kind.limit / (1024 * 1024) + ' MB).', true));
    }
    say('Opening ' + shown + '\u2026');
    return file.arrayBuffer().then(function (buffer) {
      var bytes = new Uint8Array(buffer);
      var free = name;
      for (var n = 2; exists(DOCUMENTS + '/' + free + '.' + ext); n++) {
        if (sameBytes(DOCUMENTS + '/' + free + '.' + ext, bytes)) {
          say('\u2018' + free + '\u2019 is already in the ' + kind.library + '.');
          return;
        }
        free = name + ' ' + n;
      }
      var target = DOCUMENTS + '/' + free + '.' + ext;
      var temporary = DOCUMENTS + '/.' + free + '.' + ext + '.opening';
      try {
        fs().writeFile(temporary, bytes);
        fs().rename(temporary, target);
      } catch (error) {
        try { fs().unlink(temporary); } catch (ignored) { /* never made */ }
        say('Cannot open ' + shown + ': ' + describe(error), true);
        return;
      }
      refresh();
      say('Opened \u2018' + free + '\u2019 \u2014 it is in the ' + kind.library + '.');
    }, function (error) {
      say('Cannot read ' + shown + ': ' + describe(error), true);
    });
  }

  function build() {
    var style = element('style', { text: css });
    document.head.appendChild(style);
    button = element('button', { id: 'files-button', type: 'button', text: 'Files', 'aria-haspopup': 'dialog', onclick: open });
    button.hidden = true;
    picker = element('input', { type: 'file', accept: '.SAV,.TAB,.sav,.tab', id: 'files-picker' });
    picker.hidden = true;
    picker.addEventListener('change', function () {
      var chosen = picker.files && picker.files[0];
      picker.value = '';
      if (chosen) openFile(chosen);
    });
    list = element('ul', { 'aria-label': 'Songs and tabs' });
    message = element('div', { class: 'message', role: 'status', 'aria-live': 'polite' });
    panel = element('div', { id: 'files-panel', role: 'dialog', 'aria-modal': 'true', 'aria-label': 'Files' }, [
      element('div', { class: 'box' }, [
        element('div', { class: 'head' }, [
          element('h2', { text: 'Songs and tabs' }),
          element('button', { type: 'button', text: 'Open a file\u2026', id: 'files-open', onclick: function () { picker.click(); } }),
          element('button', { type: 'button', text: 'Close', id: 'files-close', onclick: close })
        ]),
        list, message, picker
      ])
    ]);
    panel.hidden = true;
    // The panel's own touches and keys stay in it: the page stops scrolling
    // and the program reads keys on the whole window.
    ['touchstart', 'touchmove', 'touchend', 'touchcancel', 'pointerdown', 'pointermove', 'pointerup',
     'mousedown', 'mousemove', 'mouseup', 'wheel', 'dblclick', 'contextmenu'].forEach(function (type) {
      panel.addEventListener(type, function (event) { event.stopPropagation(); }, { passive: true });
    });
    panel.addEventListener('click', function (event) { if (event.target === panel) close(); });
    document.body.appendChild(button);
    document.body.appendChild(panel);
    ['keydown', 'keyup', 'keypress'].forEach(function (type) {
      window.addEventListener(type, guardKeys, true);
    });
  }

  function guardKeys(event) {
    if (panel.hidden) return;
    if (event.type === 'keydown' && event.key === 'Escape') {
      event.preventDefault();
      close();
    }
    // Nothing reaches the program while the panel is open; a key pressed
    // outside the panel brings the focus into it.
    event.stopImmediatePropagation();
    if (!panel.contains(event.target)) {
      event.preventDefault();
      panel.querySelector('#files-close').focus();
    }
  }

  function open() {
    if (!fs()) return;
    lastFocus = document.activeElement;
    refresh();
    say('');
    panel.hidden = false;
    button.hidden = true;
    panel.querySelector('#files-open').focus();
  }

  function close() {
    panel.hidden = true;
    place();
    if (lastFocus && lastFocus.focus) lastFocus.focus();
  }

  Module.strumwellFiles = {
    // The export `id` is over; `text` is what the command said.
    exported: function (id, ok, text) {
      var then = waiting[id];
      delete waiting[id];
      if (then) then(ok, text);
    },
    open: function () { open(); },
    close: function () { close(); },
    openFile: function (file) { return openFile(file); }
  };

  // Where the button goes: in the band the letterboxed 3:2 picture leaves
  // beside or above it when there is one; otherwise on the picture's bottom
  // right corner, and only on the screens where nothing is there (the main
  // menu, the tab library, the recorder), so it never covers a guitar.
  var ROOMY_SCREENS = [7, 14, 15];
  var BAND_WIDE = 70;
  var BAND_HIGH = 36;
  var running = false;

  function place() {
    if (!running || !panel.hidden) return;
    var canvas = document.getElementById('canvas');
    var box = canvas ? canvas.getBoundingClientRect() : { left: 0, top: 0, width: innerWidth, height: innerHeight };
    var width = Math.min(box.width, Math.floor(box.height * 3 / 2));
    var height = Math.floor(width * 2 / 3);
    var side = (box.width - width) / 2;
    var above = (box.height - height) / 2;
    var style = button.style;
    style.left = style.top = style.right = style.bottom = '';
    if (side >= BAND_WIDE || above >= BAND_HIGH) {
      style.left = (box.left + 6) + 'px';
      style.top = (box.top + 6) + 'px';
      button.hidden = false;
      return;
    }
    var shown = typeof Module._strumwell_web_screen === 'function' ? Module._strumwell_web_screen() : 7;
    style.right = (innerWidth - (box.right - side) + 6) + 'px';
    style.bottom = (innerHeight - (box.bottom - above) + 6) + 'px';
    button.hidden = ROOMY_SCREENS.indexOf(shown) < 0;
  }

  // The button shows once the program runs (its documents are loaded).
  build();
  (function whenReady() {
    if (!Module.strumwellReady) { setTimeout(whenReady, 200); return; }
    Module.strumwellReady.then(function () {
      running = true;
      place();
      window.addEventListener('resize', place);
      setInterval(place, 500);
    });
  })();
})();
