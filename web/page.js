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
  // Keys the show reads, kept from the browser's own use (help, scrolling).
  const kShowKeys = new Set([27, 32, 81, kKeyF1]);
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
  };
  window.vantorel = vantorel;

  function setState(state) {
    vantorel.state = state;
    document.body.dataset.state = state;
  }

  let running = false;
  let messageOpen = false;
  let audioContext = null;
  const audio = new Map(); // stream slot -> { buffer, source, start }

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

  function tick() {
    if (!running) return;
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

  // ---- the start question, messages, the end ----

  function answer(value) {
    el('start').hidden = true;
    vantorel.clickAt = performance.now();
    try {
      audioContext = new (window.AudioContext || window.webkitAudioContext)();
      audioContext.resume().catch(() => {});
    } catch (error) {
      audioContext = null;
    }
    setState('running');
    el('fullscreen').hidden = false;
    Module._pageStartAnswered(value);
  }
  el('yes').addEventListener('click', () => answer(kAnswerYes));
  el('no').addEventListener('click', () => answer(kAnswerNo));

  el('ok').addEventListener('click', () => {
    el('message').hidden = true;
    messageOpen = false;
    canvas.focus();
  });

  el('again').addEventListener('click', () => location.reload());

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

  const page = {
    fetchFiles(names) {
      Promise.all(
        names.map((name) =>
          fetch(name)
            .then((response) => (response.ok ? response.arrayBuffer() : null))
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
    },

    runFrames() {
      el('loading').hidden = true;
      running = true;
      requestAnimationFrame(tick);
    },

    showEnd() {
      running = false;
      stopAudio();
      el('fullscreen').hidden = true;
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
        root.requestFullscreen().catch(() => {});
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
})();
