// The page around the show: fetches its files, asks the start-up question,
// runs the show once per animation frame, passes the keyboard and the
// canvas's size on, plays the music through Web Audio, and shows the show's
// messages and its end. The show itself (vantorel.js and .wasm) calls the
// functions of Module.page below.
//
// Test mode: ?frame=N,M,...&fps=F draws those frames of the show on the
// capture tool's frame clock into a 640x360 canvas (or ?size=WxH) and keeps
// each as a PNG data URL in window.vantorel.frames; ?bench keeps none.
'use strict';

(() => {
  const params = new URLSearchParams(location.search);
  const testMode = params.has('frame');
  const [testWidth, testHeight] = (params.get('size') || '640x360').split('x').map(Number);

  // Answers of the show's dialogs (dialog.h): Yes and No.
  const kAnswerYes = 6;
  const kAnswerNo = 7;
  // Virtual-key code of F1, the full-screen key.
  const kKeyF1 = 112;
  // Keys the show reads, kept from the browser's own use (help, scrolling):
  // Escape, Space, Q, F1, and the viewer's P, arrows, Page Up and Down, Home.
  const kShowKeys = new Set([27, 32, 81, kKeyF1, 80, 37, 39, 33, 34, 36]);
  // How long the control bar stays after the pointer last moved, in ms.
  const kControlsShowMs = 2000;
  // How long the audio context's clock may stand (or not start) before the
  // show takes the sound as gone and plays on, silent, in ms.
  const kAudioStandsMs = 1000;
  // How far ahead of now the music is scheduled to start, in seconds: time
  // for the audio thread to take the start without cutting its first samples.
  const kAudioStartLead = 0.05;
  // Frame times kept for the page's own statistics.
  const kFrameTimesKept = 600;

  const el = (id) => document.getElementById(id);

  // What tests and curious viewers can read: the page's state, the show's
  // messages, and timings.
  const vantorel = {
    state: 'loading',
    messages: [],
    frames: {},
    published: [],
    clickAt: null,
    firstFrameMs: null,
    frameTimes: [],
    frameStamps: [],
    // When each animation frame began (its own time stamp), in ms: the
    // intervals between them are the page's real frame times.
    frameStarts: [],
    intervals() {
      const starts = vantorel.frameStarts;
      return starts.slice(1).map((t, i) => t - starts[i]);
    },
    // Where the show stands: ms of music time, paused or not, the scene.
    position: { ms: 0, paused: false, scene: '' },
    // When (performance.now(), ms) the question was on the screen and when
    // the music, decoded meanwhile, was ready.
    timings: { questionShown: 0, musicDecoded: 0 },
    // True once the page's files are kept for offline play.
    cached: false,
    loaded: { bytes: 0, total: 0, listed: false },
    copiedLink: null,
    notices: [],
  };
  window.vantorel = vantorel;

  function setState(state) {
    vantorel.state = state;
    document.body.dataset.state = state;
  }

  let running = false;
  let messageOpen = false;
  let audioContext = null;
  // The context's clock as last seen, and when it last moved.
  let audioClock = { time: 0, movedAt: 0 };
  const audio = new Map(); // stream slot -> { buffer, source, start }
  // How many of the show's streams sound now.
  // How many of the mesh's triangles that cannot show were left out.
  vantorel.trianglesLeftOut = () => Module._gfxWebTrianglesLeftOut();
  vantorel.audioPlaying = () => [...audio.values()].filter((entry) => entry.source).length;

  // ---- the canvas ----

  let canvas = el('canvas');

  // The largest 16:9 box in the window, in CSS pixels; the buffer in device
  // pixels, so the picture is sharp at any zoom and pixel ratio.
  function layoutCanvas() {
    if (testMode) {
      canvas.style.width = `${testWidth}px`;
      canvas.style.height = `${testHeight}px`;
      canvas.width = testWidth;
      canvas.height = testHeight;
      return [testWidth, testHeight];
    }
    const cssWidth = Math.min(window.innerWidth, (window.innerHeight * 16) / 9);
    const cssHeight = (cssWidth * 9) / 16;
    const ratio = window.devicePixelRatio || 1;
    canvas.style.width = `${cssWidth}px`;
    canvas.style.height = `${cssHeight}px`;
    canvas.width = Math.max(1, Math.round(cssWidth * ratio));
    canvas.height = Math.max(1, Math.round(cssHeight * ratio));
    return [canvas.width, canvas.height];
  }

  window.addEventListener('resize', () => {
    if (!running || testMode) return;
    const [width, height] = layoutCanvas();
    Module._webResize(width, height);
  });

  // ---- running frames ----

  function isExit(error) {
    return error && error.name === 'ExitStatus';
  }

  // One pass of the show; false once the show is over.
  function runFrame() {
    const begin = performance.now();
    let goOn = 0;
    try {
      goOn = Module._pageFrame();
    } catch (error) {
      // The show ending itself from inside a frame stops the module.
      if (!isExit(error)) throw error;
    }
    const end = performance.now();
    if (vantorel.firstFrameMs === null && vantorel.clickAt !== null) {
      vantorel.firstFrameMs = end - vantorel.clickAt;
    }
    vantorel.frameTimes.push(end - begin);
    vantorel.frameStamps.push(begin);
    if (vantorel.frameTimes.length > kFrameTimesKept) {
      vantorel.frameTimes.shift();
      vantorel.frameStamps.shift();
    }
    return goOn !== 0;
  }

  // The animation frames' own times: what the viewer sees between frames.
  function tick(stamp) {
    if (!running) return;
    vantorel.frameStarts.push(stamp);
    if (vantorel.frameStarts.length > kFrameTimesKept) vantorel.frameStarts.shift();
    if (!messageOpen && !runFrame()) {
      running = false;
      return;
    }
    requestAnimationFrame(tick);
  }

  // ---- keyboard ----

  function onKey(event, down) {
    if (!running || testMode || messageOpen) return;
    const code = event.keyCode;
    if (kShowKeys.has(code)) event.preventDefault();
    Module._webKey(code, down ? 1 : 0);
    // A browser lets a page go full screen only while it handles the key:
    // the show makes its toggle now, not at the next animation frame.
    if (down && code === kKeyF1 && !runFrame()) running = false;
  }
  document.addEventListener('keydown', (event) => onKey(event, true));
  document.addEventListener('keyup', (event) => onKey(event, false));

  el('fullscreen').addEventListener('click', () => {
    if (!running) return;
    Module._webKey(kKeyF1, 1);
    if (!runFrame()) running = false;
    Module._webKey(kKeyF1, 0);
    canvas.focus();
  });

  // ---- the control bar ----

  let scenes = [];
  let showEndMs = 1;
  let hideControlsAt = 0;

  function timeText(ms) {
    const tenths = Math.floor(Math.max(0, ms) / 100);
    const seconds = Math.floor(tenths / 10);
    return `${Math.floor(seconds / 60)}:${String(seconds % 60).padStart(2, '0')}.${tenths % 10}`;
  }

  function sceneAt(ms) {
    let name = scenes.length ? scenes[0].name : '';
    for (const scene of scenes) if (ms >= scene.ms) name = scene.name;
    return name;
  }

  // Shows the names that fit: each one that would run into the last name
  // shown is left to hover. Measured while the bar is on screen.
  function layoutMarks() {
    if (el('controls').hidden) return;
    let shownUpTo = -Infinity;
    for (const mark of el('marks').children) {
      mark.classList.remove('crowded');
      const box = mark.getBoundingClientRect();
      const label = mark.firstChild.getBoundingClientRect();
      if (box.left < shownUpTo) {
        mark.classList.add('crowded');
      } else {
        shownUpTo = box.left + label.width + 8;
      }
    }
  }
  window.addEventListener('resize', layoutMarks);

  function showControls() {
    if (!running || testMode) return;
    const wasHidden = el('controls').hidden;
    el('controls').hidden = false;
    if (wasHidden) layoutMarks();
    hideControlsAt = performance.now() + kControlsShowMs;
    setTimeout(() => {
      if (performance.now() >= hideControlsAt) el('controls').hidden = true;
    }, kControlsShowMs + 50);
  }
  document.addEventListener('pointermove', showControls);
  document.addEventListener('pointerdown', showControls);
  el('controls').addEventListener('pointermove', (event) => event.stopPropagation());

  el('play').addEventListener('click', () => {
    if (running) Module._pageControlPause(vantorel.position.paused ? 0 : 1);
    canvas.focus();
  });

  function jumpTo(ms) {
    if (running) Module._pageControlJump(Math.max(0, Math.min(showEndMs - 1, ms)));
  }

  el('seek').addEventListener('click', (event) => {
    const box = el('seek').getBoundingClientRect();
    const mark = event.target.closest('.mark');
    jumpTo(mark ? Number(mark.dataset.ms) : ((event.clientX - box.left) / box.width) * showEndMs);
    canvas.focus();
  });

  // The address of the moment shown: the page's own with #t=SECONDS.
  function linkHere() {
    const url = new URL(location.href);
    url.hash = `t=${(vantorel.position.ms / 1000).toFixed(1)}`;
    return url.href;
  }

  el('link').addEventListener('click', () => {
    const link = linkHere();
    vantorel.copiedLink = link;
    const said = () => {
      el('link').textContent = 'Copied';
      setTimeout(() => (el('link').textContent = 'Link'), kControlsShowMs);
    };
    // Where the page may not write the clipboard, the link shows, selected,
    // to copy by hand.
    const showLink = () => {
      const field = el('link-text');
      field.value = link;
      field.hidden = false;
      field.focus();
      field.select();
    };
    if (navigator.clipboard && navigator.clipboard.writeText) {
      navigator.clipboard.writeText(link).then(said, showLink);
      canvas.focus();
    } else {
      showLink();
    }
  });

  // A tab in the background pauses the show, music and clock, and the show
  // goes on when the tab comes back, unless the viewer had paused it.
  let pausedByHiding = false;
  document.addEventListener('visibilitychange', () => {
    if (!running || testMode) return;
    if (document.visibilityState === 'hidden') {
      if (!vantorel.position.paused) {
        pausedByHiding = true;
        Module._pageControlPause(1);
        vantorel.position.paused = true;
      }
    } else if (pausedByHiding) {
      pausedByHiding = false;
      Module._pageControlPause(0);
      vantorel.position.paused = false;
    }
  });

  // ---- the start question, messages, the end ----

  function answer(value) {
    el('start').hidden = true;
    vantorel.clickAt = performance.now();
    try {
      audioContext = new (window.AudioContext || window.webkitAudioContext)();
      audioContext.resume().catch(() => {});
      audioClock = { time: audioContext.currentTime, movedAt: performance.now() };
    } catch (error) {
      audioContext = null;
    }
    setState('running');
    Module._pageStartAnswered(value);
  }
  el('yes').addEventListener('click', () => answer(kAnswerYes));
  el('no').addEventListener('click', () => answer(kAnswerNo));

  el('ok').addEventListener('click', () => {
    el('message').hidden = true;
    messageOpen = false;
    canvas.focus();
  });

  // Play again in place: the show starts over from its question, with
  // nothing fetched anew.
  el('again').addEventListener('click', () => {
    el('end').hidden = true;
    setState('loading');
    Module._pagePlayAgain();
  });

  // The end, by touch as by Escape.
  el('stop').addEventListener('click', () => {
    if (!running) return;
    Module._webKey(27, 1);
    if (!runFrame()) running = false;
    Module._webKey(27, 0);
  });

  function stopAudio() {
    for (const entry of audio.values()) {
      if (entry.source) {
        try {
          entry.source.stop();
        } catch (error) {
          // Already stopped.
        }
        entry.source = null;
      }
    }
  }

  // ---- what the show calls ----

  // Reads a response's body, counting its bytes into vantorel.loaded.
  async function readCounted(response) {
    const length = Number(response.headers.get('Content-Length')) || 0;
    if (!vantorel.loaded.listed) vantorel.loaded.total += length;
    if (!response.body || !response.body.getReader) {
      const data = await response.arrayBuffer();
      vantorel.loaded.bytes += data.byteLength;
      showLoading();
      return data;
    }
    const reader = response.body.getReader();
    const parts = [];
    let size = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      parts.push(value);
      size += value.length;
      vantorel.loaded.bytes += value.length;
      showLoading();
    }
    const data = new Uint8Array(size);
    let at = 0;
    for (const part of parts) {
      data.set(part, at);
      at += part.length;
    }
    return data.buffer;
  }

  function showLoading() {
    const { bytes, total } = vantorel.loaded;
    const mb = (n) => (n / 1e6).toFixed(1);
    el('loading-bar').value = total > 0 ? Math.min(1, bytes / total) : 0;
    el('loading-text').textContent =
      total > 0 ? `Loading… ${mb(bytes)} of ${mb(total)} MB` : `Loading… ${mb(bytes)} MB`;
  }

  // The bytes of every file, as the build listed them (files.json): the
  // loading bar's whole, whatever encoding the server sends.
  // Asked for only once the page knows it can run (nothing is downloaded
  // before the checks below).
  let listedBytes = null;
  let listing = null;
  function listFiles() {
    if (!listing) {
      listing = fetch('files.json')
        .then((response) => (response.ok ? response.json() : null))
        .then((list) => {
          listedBytes = list && list.bytes;
        })
        .catch(() => {});
    }
    return listing;
  }

  const page = {
    async fetchFiles(names) {
      await listFiles();
      if (listedBytes) {
        vantorel.loaded.total = names.reduce((sum, name) => sum + (listedBytes[name] || 0), 0);
        vantorel.loaded.listed = true;
      }
      Promise.all(
        names.map((name) =>
          fetch(name)
            .then((response) => (response.ok ? readCounted(response) : null))
            .catch(() => null)
            .then((data) => ({ name, data }))
        )
      ).then((files) => {
        for (const { name, data } of files) {
          if (data) Module.FS.writeFile(name, new Uint8Array(data));
        }
        Module._pageFilesFetched();
      });
    },

    askStart(text, caption) {
      el('loading').hidden = true;
      el('start-caption').textContent = caption;
      el('start-text').textContent = text;
      el('start').hidden = false;
      setState('question');
      el('yes').focus();
      // Once the question is on the screen, the show may take its time (it
      // decodes the music meanwhile).
      requestAnimationFrame(() =>
        setTimeout(() => {
          vantorel.timings.questionShown = performance.now();
          Module._pageQuestionShown();
          vantorel.timings.musicDecoded = performance.now();
        }, 0));
    },

    runFrames() {
      el('loading').hidden = true;
      running = true;
      requestAnimationFrame(tick);
    },

    showEnd() {
      running = false;
      stopAudio();
      el('controls').hidden = true;
      el('loading').hidden = true;
      if (!testMode) el('end').hidden = false;
      setState('ended');
    },

    showMessage(text, caption) {
      vantorel.messages.push({ caption, text });
      el('message-caption').textContent = caption;
      el('message-text').textContent = text;
      el('message').hidden = false;
      messageOpen = true;
      el('ok').focus();
    },

    fullscreen(on) {
      const root = document.documentElement;
      if (on && !document.fullscreenElement && root.requestFullscreen) {
        // A phone turns the picture the long way where the browser lets a
        // page lock that in full screen.
        root
          .requestFullscreen()
          .then(() => screen.orientation && screen.orientation.lock && screen.orientation.lock('landscape'))
          .catch(() => {});
      } else if (!on && document.fullscreenElement) {
        document.exitFullscreen().catch(() => {});
      }
    },

    showCursor(show) {
      el('stage').style.cursor = show ? '' : 'none';
    },

    // A fresh canvas for a new window: a new GL context shares nothing with
    // the one before.
    newCanvas() {
      const fresh = document.createElement('canvas');
      fresh.id = 'canvas';
      fresh.tabIndex = 0;
      canvas.replaceWith(fresh);
      canvas = fresh;
      Module.canvas = fresh;
      return layoutCanvas();
    },

    focus() {
      canvas.focus();
    },

    audioReady() {
      return audioContext !== null && audioContext.state !== 'closed';
    },

    // Whether the context plays: running, its clock moved within the last
    // second (a machine without a sound device leaves it at 0).
    audioHeard() {
      if (!audioContext || audioContext.state !== 'running') return false;
      const now = performance.now();
      if (audioContext.currentTime !== audioClock.time) {
        audioClock.time = audioContext.currentTime;
        audioClock.movedAt = now;
      }
      return now - audioClock.movedAt < kAudioStandsMs;
    },

    showNotice(text) {
      vantorel.notices.push(text);
      const line = el('notice');
      line.textContent = text.charAt(0).toUpperCase() + text.slice(1) + '.';
      line.hidden = false;
    },

    // Interleaved 16-bit samples into a buffer of the stream's own rate; the
    // context resamples it to the device's.
    audioLoad(slot, samples, channels, rate) {
      try {
        const frames = samples.length / channels;
        const buffer = new AudioBuffer({ length: frames, numberOfChannels: channels, sampleRate: rate });
        for (let c = 0; c < channels; ++c) {
          const data = buffer.getChannelData(c);
          for (let i = 0, j = c; i < frames; ++i, j += channels) data[i] = samples[j] / 32768;
        }
        audio.set(slot, { buffer, source: null, start: 0 });
        return true;
      } catch (error) {
        return false;
      }
    },

    // Slot `to` plays the buffer of slot `from` (the same file, opened twice).
    audioShare(from, to) {
      const entry = audio.get(from);
      if (entry) audio.set(to, { buffer: entry.buffer, source: null, start: 0 });
    },

    audioMove(from, to) {
      const entry = audio.get(from);
      audio.delete(from);
      if (entry) audio.set(to, entry);
    },

    // Plays the slot's buffer from `offset` seconds into it; the heard
    // seconds count from there.
    audioPlay(slot, offset) {
      const entry = audio.get(slot);
      if (!entry || !audioContext) return false;
      if (entry.source) entry.source.stop();
      const source = audioContext.createBufferSource();
      source.buffer = entry.buffer;
      source.connect(audioContext.destination);
      entry.start = audioContext.currentTime + kAudioStartLead;
      source.start(entry.start, offset);
      entry.source = source;
      return true;
    },

    // The context time heard now: the output timestamp says which context
    // time the device plays at which moment; between its updates the page's
    // clock carries it on, never past the context's own time.
    audioHeardSeconds(slot) {
      const entry = audio.get(slot);
      if (!entry || !entry.source || !audioContext) return -1;
      let heard = audioContext.currentTime;
      if (audioContext.getOutputTimestamp) {
        const stamp = audioContext.getOutputTimestamp();
        if (stamp.contextTime > 0 && stamp.performanceTime > 0) {
          heard = Math.min(heard, stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000);
        } else {
          heard -= audioContext.outputLatency || audioContext.baseLatency || 0;
        }
      }
      return heard - entry.start;
    },

    audioStopAll() {
      stopAudio();
    },

    // Silences the slot's sound; a later audioPlay starts it anew.
    audioStop(slot) {
      const entry = audio.get(slot);
      if (entry && entry.source) {
        entry.source.stop();
        entry.source = null;
      }
    },

    testFrames() {
      if (!testMode) return null;
      const frames = params
        .get('frame')
        .split(',')
        .map(Number)
        .filter((n) => Number.isInteger(n) && n >= 0)
        .sort((a, b) => a - b);
      const fps = Number(params.get('fps') || 60);
      if (!frames.length || !Number.isInteger(fps) || fps < 1 || fps > 240) return null;
      return { frames, fps };
    },

    // The moment of #t= in the address: seconds, "npt:" seconds, or
    // [[h:]m:]s as Media Fragments write it; 0 without one.
    startSeconds() {
      const match = /(?:^|&)t=(?:npt:)?([0-9:.]+)/.exec(location.hash.slice(1));
      if (!match) return 0;
      const seconds = match[1].split(':').reduce((sum, part) => sum * 60 + Number(part), 0);
      return Number.isFinite(seconds) && seconds > 0 ? seconds : 0;
    },

    // ?triangles=all: every triangle of the mesh drawn, for comparing.
    drawsEveryTriangle() {
      return params.get('triangles') === 'all';
    },

    // ?offset=MS: the picture drawn MS ms later than the sound.
    audioOffsetMs() {
      const value = Number(params.get('offset') || 0);
      return Number.isInteger(value) ? value : 0;
    },

    setScenes(list, endMs) {
      scenes = list;
      showEndMs = endMs;
      const marks = el('marks');
      marks.textContent = '';
      for (const scene of list) {
        const mark = document.createElement('button');
        mark.type = 'button';
        mark.className = 'mark';
        mark.dataset.ms = String(scene.ms);
        mark.dataset.scene = scene.name;
        mark.title = `${scene.name}, ${timeText(scene.ms)}`;
        mark.style.left = `${(scene.ms / endMs) * 100}%`;
        const label = document.createElement('span');
        label.textContent = scene.name;
        mark.append(label);
        marks.append(mark);
      }
      layoutMarks();
    },

    showPosition(ms, paused) {
      vantorel.position = { ms, paused, scene: sceneAt(ms) };
      el('time').textContent = `${timeText(ms)} / ${timeText(showEndMs)}`;
      el('seek-fill').style.width = `${Math.min(100, (ms / showEndMs) * 100)}%`;
      el('play').textContent = paused ? 'Play' : 'Pause';
      el('play').title = paused ? 'Play (P)' : 'Pause (P)';
    },

    publishFrame(frame) {
      if (!params.has('bench')) vantorel.frames[frame] = canvas.toDataURL('image/png');
      vantorel.published.push(frame);
    },
  };

  window.Module = {
    page,
    canvas,
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
  };

  // ---- before anything is fetched: what the page needs ----

  // Says in plain words what is missing and what to do; nothing else shows.
  function showProblem(title, text) {
    el('loading').hidden = true;
    el('problem-title').textContent = title;
    el('problem-text').textContent = text;
    el('problem').hidden = false;
    vantorel.problem = title;
    setState('problem');
  }

  function hasWebGl2() {
    try {
      return !!document.createElement('canvas').getContext('webgl2');
    } catch (error) {
      return false;
    }
  }

  if (location.protocol === 'file:') {
    showProblem('The page must be served',
      'Opened from a file, a browser keeps the page from reading its own pictures and music. ' +
        'Serve the folder instead: ./vantorel.sh web serves it and prints the address to open ' +
        '(any web server does: see the README).');
    return;
  }
  if (!hasWebGl2()) {
    showProblem('No WebGL 2',
      'The show draws with WebGL 2, which this browser does not offer, or has switched off. ' +
        'Switch on hardware acceleration (or WebGL) in its settings, or open the page in a ' +
        'browser that has it, such as a recent Firefox or Chromium.');
    return;
  }
  if (!(window.AudioContext || window.webkitAudioContext)) {
    page.showNotice('this browser offers no Web Audio: the show plays without sound');
  }
  if ('serviceWorker' in navigator && !testMode) {
    // Once a worker is active, every file of this build is in its store.
    navigator.serviceWorker
      .register('sw.js')
      .then(() => navigator.serviceWorker.ready)
      .then(() => {
        vantorel.cached = true;
      })
      .catch(() => {});
  }
  listFiles();
  const script = document.createElement('script');
  script.src = 'vantorel.js';
  document.body.append(script);
})();
