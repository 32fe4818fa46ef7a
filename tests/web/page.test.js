// The page as a viewer meets it, in Debian's headless Chromium: the start
// question, the show running on its clock, the keys, the end screen, and the
// show's messages when there is no music or no sound.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const { kPatience, openSession, openPage, waitForState, holdSpaceFor } = require('./browser.js');

const kQuestion = 'Would You Like to Run in FullScreen mode?';
// Clock lines to collect while Space is held: about a third of a second.
const kClockLines = 20;

function assertRising(clock) {
  assert.ok(clock.length >= kClockLines, `only ${clock.length} clock lines`);
  for (let i = 1; i < clock.length; ++i) {
    assert.ok(clock[i] >= clock[i - 1], `the clock went back: ${clock[i - 1]} then ${clock[i]}`);
  }
  assert.ok(clock[clock.length - 1] > clock[0], `the clock stood still at ${clock[0]}`);
}

async function visibleText(page, selector) {
  return page.$eval(selector, (node) => (node.closest('[hidden]') ? null : node.textContent));
}

test('the page', async (t) => {
  const session = await openSession();
  t.after(() => session.close());

  await t.test('loads without a console error and asks the show\'s question', async () => {
    const { page, log } = await openPage(session);
    await waitForState(page, 'question');
    assert.strictEqual(await visibleText(page, '#start-text'), kQuestion);
    assert.strictEqual(await visibleText(page, '#start-caption'), 'Start Fullscreen?');
    assert.deepStrictEqual(log.errors, []);
    await page.close();
  });

  await t.test('No starts the show in the page; the clock rises; Escape ends it', async () => {
    const { page, log } = await openPage(session);
    await waitForState(page, 'question');
    await page.click('#no');
    await waitForState(page, 'running');
    assert.strictEqual(await page.evaluate(() => document.fullscreenElement), null);
    assertRising(await holdSpaceFor(page, log, kClockLines));
    // A tap: press and release reach the page within one frame.
    await page.keyboard.press('Escape');
    await waitForState(page, 'ended');
    assert.strictEqual(await visibleText(page, '#again'), 'Play again');
    assert.deepStrictEqual(log.errors, []);
    await page.close();
  });

  await t.test('Yes starts the show full screen; F1 goes back to the page and the show runs on', async () => {
    const { page, log } = await openPage(session);
    await waitForState(page, 'question');
    await page.click('#yes');
    await waitForState(page, 'running');
    await page.waitForFunction(() => document.fullscreenElement !== null, { timeout: kPatience });
    await page.keyboard.press('F1');
    await page.waitForFunction(() => document.fullscreenElement === null, { timeout: kPatience });
    assertRising(await holdSpaceFor(page, log, kClockLines));
    await page.keyboard.press('KeyQ');
    await waitForState(page, 'ended');
    assert.deepStrictEqual(log.errors, []);
    await page.close();
  });

  await t.test('the canvas fills the window at 16:9, at the screen\'s pixel density, through resizes', async () => {
    const { page, log } = await openPage(session);
    await page.setViewport({ width: 800, height: 800, deviceScaleFactor: 2 });
    await waitForState(page, 'question');
    await page.click('#no');
    await waitForState(page, 'running');
    const size = () =>
      page.evaluate(() => {
        const canvas = document.getElementById('canvas');
        const box = canvas.getBoundingClientRect();
        return [box.width, box.height, canvas.width, canvas.height];
      });
    assert.deepStrictEqual(await size(), [800, 450, 1600, 900]);
    await page.setViewport({ width: 1000, height: 400, deviceScaleFactor: 1.5 });
    await page.waitForFunction(() => document.getElementById('canvas').height === 600,
      { timeout: kPatience });
    const [width, height, bufferWidth, bufferHeight] = await size();
    assert.ok(Math.abs(width - 711.1) < 0.5 && height === 400, `${width} x ${height}`);
    assert.deepStrictEqual([bufferWidth, bufferHeight], [1067, 600]);
    assertRising(await holdSpaceFor(page, log, kClockLines));
    await page.close();
  });

  await t.test('the full-screen button toggles; Play again asks the question anew', async () => {
    const { page } = await openPage(session);
    await waitForState(page, 'question');
    await page.click('#no');
    await waitForState(page, 'running');
    // The button is in the control bar, which the pointer's moving brings.
    await page.mouse.move(300, 300);
    await page.mouse.move(320, 310);
    await page.click('#fullscreen');
    await page.waitForFunction(() => document.fullscreenElement !== null, { timeout: kPatience });
    await page.mouse.move(300, 300);
    await page.click('#fullscreen');
    await page.waitForFunction(() => document.fullscreenElement === null, { timeout: kPatience });
    await page.keyboard.press('Escape');
    await waitForState(page, 'ended');
    await page.click('#again');
    await waitForState(page, 'question');
    await page.close();
  });

  await t.test('without the music file: the show\'s message, then a silent clock that moves', async () => {
    const { page, log } = await openPage(session, '', {
      before: async (tab) => {
        await tab.setRequestInterception(true);
        tab.on('request', (request) => {
          if (request.url().endsWith('/tarrowind.mp3')) request.respond({ status: 404, body: '' });
          else request.continue();
        });
      },
    });
    await waitForState(page, 'question');
    await page.click('#no');
    await page.waitForSelector('#message:not([hidden])', { timeout: kPatience });
    assert.strictEqual(await visibleText(page, '#message-text'), 'BASS error, file not found?');
    assert.strictEqual(await visibleText(page, '#message-caption'), 'BASS');
    await page.click('#ok');
    assertRising(await holdSpaceFor(page, log, kClockLines));
    await page.close();
  });

  await t.test('without sound: the show\'s message, then a silent clock that moves', async () => {
    const { page, log } = await openPage(session, '', {
      before: (tab) =>
        tab.evaluateOnNewDocument(() => {
          delete window.AudioContext;
          delete window.webkitAudioContext;
        }),
    });
    await waitForState(page, 'question');
    await page.click('#no');
    await page.waitForSelector('#message:not([hidden])', { timeout: kPatience });
    assert.strictEqual(await visibleText(page, '#message-text'), 'BASS error');
    await page.click('#ok');
    assertRising(await holdSpaceFor(page, log, kClockLines));
    assert.deepStrictEqual(log.errors, []);
    await page.close();
  });
});
