// The viewer's controls on the page, in Debian's headless Chromium: a start at
// #t=60 draws what the capture draws there, P and the play button hold the
// picture, the clock and the music, a hidden tab pauses and a shown one plays
// on, the arrow keys jump, the seek bar lands on the scene clicked, the link
// button copies the moment's address, and the loading bar counts bytes.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const { execFile } = require('node:child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { promisify } = require('node:util');
const { kPatience, openSession, openPage, waitForState, holdSpaceFor } = require('./browser.js');

const run = promisify(execFile);

// The page's picture at 640x360; the viewer's line takes its upper left
// corner (24 of 720 lines in, 28 tall, on the show's 16:9 picture).
const kWidth = 640;
const kHeight = 360;
const kLineCorner = '0,0 340,60';
// As the frames test allows between the two renderers.
const kTolerance = 0.0015;

async function meanDifference(a, b) {
  try {
    const { stderr } = await run('compare', ['-metric', 'MAE', a, b, 'null:']);
    return Number(/\(([^)]+)\)/.exec(stderr)[1]);
  } catch (error) {
    const found = /\(([^)]+)\)/.exec(error.stderr || '');
    if (!found) throw error;
    return Number(found[1]);
  }
}

async function maskLine(file) {
  await run('convert', [file, '-fill', 'black', '-draw', `rectangle ${kLineCorner}`, file]);
}

async function canvasShot(page, file) {
  const box = await page.$eval('#canvas', (c) => {
    const r = c.getBoundingClientRect();
    return { x: r.x, y: r.y, width: r.width, height: r.height };
  });
  await page.screenshot({ path: file, clip: box });
}

const position = (page) => page.evaluate(() => window.vantorel.position);

async function startAt(session, hash) {
  const opened = await openPage(session, hash);
  await opened.page.setViewport({ width: kWidth, height: kHeight });
  await waitForState(opened.page, 'question');
  await opened.page.click('#no');
  await waitForState(opened.page, 'running');
  return opened;
}

async function waitPaused(page, paused) {
  await page.waitForFunction((wanted) => window.vantorel.position.paused === wanted,
    { timeout: kPatience }, paused);
}

test('the viewer\'s controls', async (t) => {
  const session = await openSession();
  t.after(() => session.close());
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vantorel-player-'));
  t.after(() => fs.rmSync(work, { recursive: true, force: true }));

  await t.test('#t=60 starts the show at 60 s and draws what the capture draws there', async () => {
    const tool = process.env.VANTOREL_CAPTURE;
    assert.ok(tool, 'VANTOREL_CAPTURE names no capture tool');
    const { page, log } = await startAt(session, '#t=60');
    await page.waitForFunction(() => window.vantorel.position.ms >= 60000, { timeout: kPatience });
    await page.keyboard.press('KeyP');
    await waitPaused(page, true);
    const { ms } = await position(page);
    assert.ok(ms >= 60000 && ms < 61000, `the show started at ${ms} ms`);
    const shot = path.join(work, 'start.png');
    await canvasShot(page, shot);
    await maskLine(shot);
    const frames = path.join(work, 'start-frames');
    await run(tool, ['--output', `${frames}/`, '--size', `${kWidth}x${kHeight}`, '--fps', '60',
      '--start', String(ms - 100), '--end', String(ms + 40)]);
    let best = 1;
    for (const name of fs.readdirSync(frames)) {
      const frame = path.join(frames, name);
      await maskLine(frame);
      best = Math.min(best, await meanDifference(shot, frame));
    }
    t.diagnostic(`paused at ${ms} ms after #t=60: mean absolute difference ${best.toFixed(6)}`);
    assert.ok(best < kTolerance, `the page differs from the capture by ${best}`);
    assert.deepStrictEqual(log.errors, []);
    await page.close();
  });

  await t.test('P holds the picture, the clock and the music; the play button plays on', async () => {
    const { page, log } = await startAt(session, '');
    await page.waitForFunction(() => window.vantorel.position.ms > 2000, { timeout: kPatience });
    await page.keyboard.press('KeyP');
    await waitPaused(page, true);
    assert.strictEqual(await page.evaluate(() => window.vantorel.audioPlaying()), 0);
    const held = await holdSpaceFor(page, log, 20);
    assert.ok(held.every((ms) => ms === held[0]), `the clock moved while paused: ${held}`);
    const first = path.join(work, 'held-1.png');
    const second = path.join(work, 'held-2.png');
    await canvasShot(page, first);
    // Frames go on being drawn while paused: wait for some.
    const presented = await page.evaluate(() => window.vantorel.frameTimes.length);
    await page.waitForFunction((n) => window.vantorel.frameTimes.length > n + 30,
      { timeout: kPatience }, presented);
    await canvasShot(page, second);
    await maskLine(first);
    await maskLine(second);
    assert.strictEqual(await meanDifference(first, second), 0, 'the picture moved while paused');
    await page.mouse.move(100, 100);
    await page.mouse.move(120, 110);
    await page.click('#play');
    await waitPaused(page, false);
    const after = await holdSpaceFor(page, log, 20);
    assert.ok(after[after.length - 1] > held[0], 'the clock did not go on');
    assert.strictEqual(await page.evaluate(() => window.vantorel.audioPlaying()), 1);
    await page.close();
  });

  await t.test('a hidden tab pauses the show and a shown one plays on', async () => {
    const { page, log } = await startAt(session, '');
    await page.waitForFunction(() => window.vantorel.position.ms > 1000, { timeout: kPatience });
    const setVisibility = (state) =>
      page.evaluate((wanted) => {
        Object.defineProperty(document, 'visibilityState', { get: () => wanted, configurable: true });
        document.dispatchEvent(new Event('visibilitychange'));
      }, state);
    await setVisibility('hidden');
    await waitPaused(page, true);
    const held = await holdSpaceFor(page, log, 10);
    assert.ok(held.every((ms) => ms === held[0]), `the clock moved in a hidden tab: ${held}`);
    assert.strictEqual(await page.evaluate(() => window.vantorel.audioPlaying()), 0);
    await setVisibility('visible');
    await waitPaused(page, false);
    const after = await holdSpaceFor(page, log, 10);
    assert.ok(after[after.length - 1] > held[0], 'the show did not play on');
    await page.close();
  });

  await t.test('Right and Left jump 5 s from one frame to the next', async () => {
    const { page, log } = await startAt(session, '#t=30');
    await page.keyboard.down(' ');
    await page.waitForFunction(() => window.vantorel.position.ms > 30200, { timeout: kPatience });
    await page.keyboard.press('ArrowRight');
    await page.waitForFunction(() => window.vantorel.position.ms > 35000, { timeout: kPatience });
    await page.keyboard.press('ArrowLeft');
    await page.waitForFunction(() => window.vantorel.position.ms < 32000, { timeout: kPatience });
    await page.keyboard.up(' ');
    const lines = log.lines.filter((line) => /^\d+$/.test(line)).map(Number);
    const steps = lines.slice(1).map((ms, i) => ms - lines[i]).filter((d) => d > 1000 || d < 0);
    assert.strictEqual(steps.length, 2, `jumps seen: ${steps}`);
    assert.ok(steps[0] >= 5000 && steps[0] < 5500, `Right moved the clock by ${steps[0]}`);
    assert.ok(steps[1] >= -5000 && steps[1] < -4500, `Left moved the clock by ${steps[1]}`);
    await page.close();
  });

  await t.test('the seek bar lands on the scene clicked; the link button copies the moment', async () => {
    const { page } = await startAt(session, '');
    await page.waitForFunction(() => window.vantorel.position.ms > 500, { timeout: kPatience });
    await page.mouse.move(200, 200);
    await page.mouse.move(210, 205);
    await page.waitForSelector('#controls:not([hidden])', { timeout: kPatience });
    const names = await page.$$eval('.mark', (marks) => marks.map((m) => m.dataset.scene));
    assert.ok(names.includes('Pulse') && names.includes('Finale'), `marks: ${names}`);
    const start = await page.$eval('.mark[data-scene="Pulse"]', (m) => Number(m.dataset.ms));
    await page.click('.mark[data-scene="Pulse"]');
    await page.waitForFunction(() => window.vantorel.position.scene === 'Pulse', { timeout: kPatience });
    const { ms } = await position(page);
    assert.ok(ms >= start && ms < start + 2000, `landed at ${ms} ms for a scene from ${start} ms`);
    await page.mouse.move(220, 210);
    await page.click('#link');
    const link = await page.evaluate(() => window.vantorel.copiedLink);
    const seconds = Number(/#t=([0-9.]+)$/.exec(link)[1]);
    assert.ok(seconds * 1000 >= start - 100 && seconds * 1000 < start + 4000, `copied ${link}`);
    await page.screenshot({ path: path.join(process.env.VANTOREL_SHOTS || work, 'controls.png') });
    await page.close();
  });

  await t.test('the loading bar counts the bytes as they come', async () => {
    const { page } = await openPage(session, '');
    await waitForState(page, 'question');
    const loaded = await page.evaluate(() => window.vantorel.loaded);
    assert.ok(loaded.total > 5e6 && loaded.bytes === loaded.total, JSON.stringify(loaded));
    await page.close();
  });
});
