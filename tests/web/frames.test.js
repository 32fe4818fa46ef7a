// The same picture: frames the page draws in its test mode against the frames
// the capture tool draws at the same moments, at 640x360 and 60 frames per
// second. Differences come only from the two renderers (SwiftShader's WebGL
// and Mesa's llvmpipe): texel filtering and edge pixels.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const { execFile } = require('node:child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { promisify } = require('node:util');
const { kPatience, openSession, openPage, waitForState } = require('./browser.js');

const run = promisify(execFile);

const kFramesPerSecond = 60;
// Moments of the show in ms: the title, the cube, the titles over the wobble,
// the morphs, the pulse, the ribbons, and the busiest moment of the finale.
const kMoments = [8000, 38000, 61000, 70000, 85000, 135000, 170000];
// Mean absolute difference allowed, as a fraction of full scale. The two
// renderers differ on edges and filtered texels by up to about 0.0006 here;
// the page one frame late differs by 0.0055 at 38 s and 0.025 at 170 s, a
// wrong texture or transform by more.
const kTolerance = 0.0015;
// A moment past the show's end time (195999 ms): the show ends itself on the
// way there, as on the desktop, and that frame is never drawn.
const kPastTheEnd = 196100;

// The frame that stands at a moment: the first whose time is at or after it.
function frameAt(ms) {
  return Math.ceil((ms * kFramesPerSecond) / 1000);
}

function frameName(frame) {
  return `frame-${String(frame).padStart(6, '0')}.png`;
}

async function capture(tool, folder, ms) {
  await run(tool, ['--output', `${folder}/`, '--size', '640x360', '--fps', String(kFramesPerSecond),
    '--start', String(ms), '--end', String(ms + Math.ceil(1000 / kFramesPerSecond))]);
}

// ImageMagick's mean absolute difference, normalised to 0..1.
async function meanDifference(a, b) {
  try {
    const { stderr } = await run('compare', ['-metric', 'MAE', a, b, 'null:']);
    return Number(/\(([^)]+)\)/.exec(stderr)[1]);
  } catch (error) {
    // compare exits 1 when the pictures differ at all; the figure is there.
    const found = /\(([^)]+)\)/.exec(error.stderr || '');
    if (!found) throw error;
    return Number(found[1]);
  }
}

test('the page draws the capture tool\'s frames', async (t) => {
  const tool = process.env.VANTOREL_CAPTURE;
  if (!tool) {
    t.skip('VANTOREL_CAPTURE names no capture tool');
    return;
  }
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vantorel-frames-'));
  const frames = kMoments.map(frameAt);

  // Two captures at a time (two cores), while the page draws its own.
  const captures = (async () => {
    for (let i = 0; i < kMoments.length; i += 2) {
      await Promise.all(kMoments.slice(i, i + 2).map((ms) => capture(tool, work, ms)));
    }
  })();

  const session = await openSession();
  t.after(() => session.close());
  const asked = [...frames, frameAt(kPastTheEnd)];
  const { page, log } = await openPage(session, `?frame=${asked.join(',')}&fps=${kFramesPerSecond}`);
  // The page runs every frame up to the last moment: allow for it.
  await page.waitForFunction(() => window.vantorel.state === 'ended', {
    timeout: kPatience * 4,
    polling: 500,
  });
  const drawn = await page.evaluate(() => window.vantorel.frames);
  await captures;
  assert.deepStrictEqual(log.errors, []);
  assert.strictEqual(drawn[frameAt(kPastTheEnd)], undefined, 'a frame past the end was drawn');

  const report = [];
  for (let i = 0; i < frames.length; ++i) {
    const data = drawn[frames[i]];
    assert.ok(data, `the page drew no frame ${frames[i]}`);
    const fromPage = path.join(work, `page-${frameName(frames[i])}`);
    fs.writeFileSync(fromPage, Buffer.from(data.split(',')[1], 'base64'));
    const difference = await meanDifference(path.join(work, frameName(frames[i])), fromPage);
    report.push({ ms: kMoments[i], frame: frames[i], difference });
  }
  for (const { ms, frame, difference } of report) {
    t.diagnostic(`${ms / 1000} s (frame ${frame}): mean absolute difference ${difference.toFixed(6)}`);
  }
  for (const { ms, difference } of report) {
    assert.ok(difference < kTolerance,
      `at ${ms / 1000} s the page differs from the capture by ${difference} (frames in ${work})`);
  }
  fs.rmSync(work, { recursive: true, force: true });

  // The page leaves out the mesh's triangles that cannot show; drawn with
  // every one of them, each frame is the same to the byte.
  const every = await openPage(session,
    `?frame=${frames.join(',')}&fps=${kFramesPerSecond}&triangles=all`);
  await every.page.waitForFunction(() => window.vantorel.state === 'ended', {
    timeout: kPatience * 4,
    polling: 500,
  });
  const withEvery = await every.page.evaluate(() => window.vantorel.frames);
  for (const frame of frames) {
    assert.ok(withEvery[frame] === drawn[frame], `frame ${frame} differs with every triangle drawn`);
  }
  const culled = await page.evaluate(() => window.vantorel.trianglesLeftOut());
  t.diagnostic(`triangles left out by the page: ${culled}`);
  assert.ok(culled > 0, 'the page left no triangle out');
  assert.strictEqual(await every.page.evaluate(() => window.vantorel.trianglesLeftOut()), 0);
});
