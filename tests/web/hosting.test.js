// The page where and how a viewer opens it: a browser that lacks WebGL 2 is
// told so before anything is downloaded, a page opened from disk says to
// serve it, the folder works below any sub-path, the question comes before
// the music is decoded, "Play again" fetches nothing, the page plays with the
// network off after one visit, and a phone held upright starts, shows the
// controls on a tap and ends by touch.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const path = require('path');
const { kPatience, browserKind, openSession, openPage, waitForState, holdSpaceFor } =
  require('./browser.js');

// Files the page may ask for before it knows it can run: itself, its style
// and script, its manifest and icon.
const kBeforeTheChecks = /\/(index\.html|page\.css|page\.js|manifest\.webmanifest|icon-\d+\.png|favicon\.ico)?$/;

// Every URL the tab asks for, from now on.
function recordRequests(page) {
  const urls = [];
  page.on('request', (request) => urls.push(request.url()));
  return urls;
}

async function startRunning(page) {
  await waitForState(page, 'question');
  await page.click('#no');
  await waitForState(page, 'running');
}

async function assertClockRises(page, log) {
  const clock = await holdSpaceFor(page, log, 10);
  assert.ok(clock.length >= 10 && clock[clock.length - 1] > clock[0], `the clock stood: ${clock}`);
}

test('the page on any host', async (t) => {
  const session = await openSession();
  t.after(() => session.close());

  await t.test('without WebGL 2 it says so in plain words, and downloads nothing', async () => {
    let urls = null;
    const { page, log } = await openPage(session, '', {
      before: async (tab) => {
        urls = recordRequests(tab);
        await tab.evaluateOnNewDocument(() => {
          const real = HTMLCanvasElement.prototype.getContext;
          HTMLCanvasElement.prototype.getContext = function getContext(kind, ...rest) {
            return kind === 'webgl2' ? null : real.call(this, kind, ...rest);
          };
        });
      },
    });
    await waitForState(page, 'problem');
    const shown = await page.$eval('#problem', (box) => !box.hidden && box.getBoundingClientRect().height > 0);
    assert.ok(shown, 'the message is not on the screen');
    assert.strictEqual(await page.$eval('#problem-title', (node) => node.textContent), 'No WebGL 2');
    assert.match(await page.$eval('#problem-text', (node) => node.textContent), /WebGL/);
    assert.strictEqual(await page.$eval('#start', (box) => box.hidden), true);
    const fetched = urls.filter((url) => !kBeforeTheChecks.test(new URL(url).pathname));
    assert.deepStrictEqual(fetched, [], 'downloaded before the checks');
    assert.deepStrictEqual(log.errors, []);
    await page.close();
  });

  await t.test('when WebGL 2 is there but the show gets no context, its own message is on top', async () => {
    const { page } = await openPage(session, '', {
      before: (tab) =>
        tab.evaluateOnNewDocument(() => {
          const real = HTMLCanvasElement.prototype.getContext;
          HTMLCanvasElement.prototype.getContext = function getContext(kind, ...rest) {
            return this.id === 'canvas' ? null : real.call(this, kind, ...rest);
          };
        }),
    });
    await startRunning(page).catch(() => {});
    await page.waitForSelector('#message:not([hidden])', { timeout: kPatience });
    assert.strictEqual(await page.$eval('#message-text', (node) => node.textContent),
      'Can\'t Create a GL Rendering Context.');
    const onTop = await page.$eval('#ok', (button) => {
      const r = button.getBoundingClientRect();
      return document.elementFromPoint(r.x + r.width / 2, r.y + r.height / 2) === button;
    });
    assert.ok(onTop, 'the message is under another screen');
    await page.close();
  });

  await t.test('opened from disk it says to serve the folder', async () => {
    const page = await session.browser.newPage();
    const file = path.join(process.env.VANTOREL_PAGE || path.resolve(__dirname, '../../build/web'),
      'index.html');
    await page.goto(`file://${file}`);
    await waitForState(page, 'problem');
    assert.strictEqual(await page.$eval('#problem-title', (node) => node.textContent),
      'The page must be served');
    assert.match(await page.$eval('#problem-text', (node) => node.textContent), /\.\/vantorel\.sh web/);
    await page.close();
  });

  await t.test('the question is on the screen before the music is decoded', async () => {
    const { page } = await openPage(session);
    await waitForState(page, 'question');
    await page.waitForFunction(() => window.vantorel.timings.musicDecoded > 0, { timeout: kPatience });
    const { questionShown, musicDecoded } = await page.evaluate(() => window.vantorel.timings);
    assert.ok(questionShown > 0 && musicDecoded > questionShown,
      `question at ${questionShown} ms, music at ${musicDecoded} ms`);
    await page.close();
  });

  await t.test('Play again starts over in place and downloads nothing', async () => {
    const { page, log } = await openPage(session);
    await startRunning(page);
    await page.keyboard.press('Escape');
    await waitForState(page, 'ended');
    const urls = recordRequests(page);
    const loads = await page.evaluate(() => performance.getEntriesByType('navigation').length);
    await page.click('#again');
    await startRunning(page);
    await assertClockRises(page, log);
    assert.deepStrictEqual(urls, []);
    assert.strictEqual(await page.evaluate(() => performance.getEntriesByType('navigation').length), loads);
    assert.deepStrictEqual(log.errors, []);
    await page.close();
  });

  await t.test('a phone held upright: a tap starts it, a tap shows the controls, End ends it', async () => {
    const { page, log } = await openPage(session, '', {
      before: (tab) => tab.setViewport({ width: 390, height: 844, isMobile: true, hasTouch: true }),
    });
    await waitForState(page, 'question');
    await page.tap('#no');
    await waitForState(page, 'running');
    const box = await page.$eval('#canvas', (canvas) => {
      const r = canvas.getBoundingClientRect();
      return [r.width, r.height];
    });
    assert.ok(Math.abs(box[0] - 390) < 1 && Math.abs(box[1] - 219.4) < 1, `the picture is ${box}`);
    await assertClockRises(page, log);
    await page.tap('#canvas');
    await page.waitForSelector('#controls:not([hidden])', { timeout: kPatience });
    const outside = await page.$$eval('#controls button:not(.mark)', (buttons) =>
      buttons.filter((b) => {
        const r = b.getBoundingClientRect();
        return r.left < 0 || r.right > window.innerWidth || r.bottom > window.innerHeight;
      }).map((b) => b.id));
    assert.deepStrictEqual(outside, [], 'buttons that stand off the screen');
    await page.tap('#stop');
    await waitForState(page, 'ended');
    assert.deepStrictEqual(log.errors, []);
    await page.close();
  });
});

test('the page below a sub-path of any static server', async (t) => {
  const session = await openSession({ under: 'projects/vantorel/' });
  t.after(() => session.close());
  const { page, log } = await openPage(session);
  const failed = [];
  page.on('response', (response) => {
    if (response.status() >= 400) failed.push(`${response.status()} ${response.url()}`);
  });
  await startRunning(page);
  await assertClockRises(page, log);
  assert.deepStrictEqual(failed, []);
  assert.deepStrictEqual(log.errors, []);
  assert.deepStrictEqual(await page.evaluate(() => window.vantorel.messages), []);
  await page.close();
});

// Chromium's DevTools protocol can take the network away; Firefox's driver
// cannot.
test('after one visit the page plays with the network off', { skip: browserKind() !== 'chromium' },
  async (t) => {
    const session = await openSession({ serviceWorker: true });
    t.after(() => session.close());
    const first = await openPage(session);
    await waitForState(first.page, 'question');
    await first.page.waitForFunction(
      () => navigator.serviceWorker.controller !== null || window.vantorel.cached === true,
      { timeout: kPatience });
    await first.page.waitForFunction(() => window.vantorel.cached === true, { timeout: kPatience });
    await first.page.close();

    const { page, log } = await openPage(session, '', {
      before: (tab) => tab.setOfflineMode(true),
    });
    await startRunning(page);
    await assertClockRises(page, log);
    assert.strictEqual(await page.evaluate(() => window.vantorel.audioPlaying()), 1);
    assert.deepStrictEqual(log.errors, []);
    await page.close();
  });
