// The page when the browser's audio never starts (a machine without a sound
// device leaves the audio context's clock at 0): after a second the page
// says in one line that the sound is off and the show plays on its own
// clock; when the audio starts after all, the music joins at the clock's
// moment.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const { kPatience, openSession, openPage, waitForState, holdSpaceFor } = require('./browser.js');

// An audio context that does not run until the test says so: its clock
// stands at 0, and what the page starts on it is noted in window.stub.
function stubAudio() {
  const stub = { running: false, started: [], time: 0 };
  window.stub = stub;
  class Node {
    connect() {}
    disconnect() {}
  }
  class Source extends Node {
    start(when, offset) {
      stub.started.push({ at: stub.time, offset });
    }
    stop() {}
  }
  class Buffer {
    constructor({ length, numberOfChannels, sampleRate }) {
      this.length = length;
      this.sampleRate = sampleRate;
      this.data = Array.from({ length: numberOfChannels }, () => new Float32Array(length));
    }
    getChannelData(c) {
      return this.data[c];
    }
  }
  class Context {
    constructor() {
      this.destination = new Node();
      this.baseLatency = 0;
    }
    get state() {
      return stub.running ? 'running' : 'suspended';
    }
    get currentTime() {
      return stub.time;
    }
    resume() {
      return Promise.resolve();
    }
    createBufferSource() {
      return new Source();
    }
  }
  setInterval(() => {
    if (stub.running) stub.time += 0.05;
  }, 50);
  window.AudioContext = Context;
  window.AudioBuffer = Buffer;
}

test('the page without audio that runs', async (t) => {
  const session = await openSession();
  t.after(() => session.close());

  await t.test('says the sound is off, plays on, and takes the music back when the audio starts', async () => {
    const { page, log } = await openPage(session, '', { before: (tab) => tab.evaluateOnNewDocument(stubAudio) });
    await waitForState(page, 'question');
    await page.click('#no');
    await waitForState(page, 'running');
    await page.waitForSelector('#notice:not([hidden])', { timeout: kPatience });
    const notice = await page.$eval('#notice', (node) => node.textContent);
    assert.match(notice, /sound has stopped/i);
    const clock = await holdSpaceFor(page, log, 30);
    assert.ok(clock[clock.length - 1] > clock[0] + 200, `the clock stood: ${clock[0]} to ${clock[clock.length - 1]}`);
    for (let i = 1; i < clock.length; ++i) assert.ok(clock[i] >= clock[i - 1], 'the clock went back');
    // The audio starts: the music joins where the clock stands.
    const before = await page.evaluate(() => window.stub.started.length);
    const at = await page.evaluate(() => window.vantorel.position.ms);
    await page.evaluate(() => {
      window.stub.running = true;
    });
    await page.waitForFunction((n) => window.stub.started.length > n, { timeout: kPatience }, before);
    const joined = await page.evaluate(() => window.stub.started[window.stub.started.length - 1]);
    assert.ok(joined.offset * 1000 >= at && joined.offset * 1000 < at + 3000,
      `the music joined at ${joined.offset} s with the clock at ${at} ms`);
    assert.strictEqual(await page.evaluate(() => window.vantorel.notices.length), 1, 'said more than once');
    assert.deepStrictEqual(log.errors, []);
    await page.close();
  });
});
