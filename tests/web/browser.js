// What the page tests share: Debian's headless Chromium with software WebGL,
// the page served from its build folder, and waits on the page's state.
'use strict';

const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');
const { startServer } = require('../../web/serve.js');

// The longest any condition may take to come true, however loaded the
// machine is.
const kPatience = 30000;

const kBrowsers = [
  '/usr/lib/chromium/chromium-headless-shell',
  '/usr/bin/chromium-headless-shell',
  '/usr/bin/chromium',
];

function browserPath() {
  const found = [process.env.CHROMIUM, ...kBrowsers].find((p) => p && fs.existsSync(p));
  if (!found) throw new Error('no Chromium found: install chromium-headless-shell or chromium');
  return found;
}

// WebGL on SwiftShader (no GPU here); nothing reaching out of the machine; a
// profile of its own each time.
async function launch() {
  const executablePath = browserPath();
  const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'vantorel-chromium-'));
  const browser = await puppeteer.launch({
    executablePath,
    headless: executablePath.includes('headless-shell') ? 'shell' : true,
    userDataDir,
    args: [
      '--no-sandbox',
      '--use-gl=angle',
      '--use-angle=swiftshader',
      '--enable-unsafe-swiftshader',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
      '--no-first-run',
    ],
  });
  return { browser, userDataDir };
}

// The profile goes once the browser has gone; a helper process may still be
// writing its cache for a moment, so the removal retries, and a profile left
// behind in the temporary folder fails nothing.
function removeProfile(userDataDir) {
  try {
    fs.rmSync(userDataDir, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
  } catch (error) {
    console.warn(`left ${userDataDir} behind: ${error.message}`);
  }
}

// The page's folder (./vantorel.sh web builds it into build/web).
function pageFolder() {
  return process.env.VANTOREL_PAGE || path.resolve(__dirname, '../../build/web');
}

// A browser and a server for one group of tests; close() ends both.
async function openSession() {
  const server = await startServer(pageFolder());
  const { browser, userDataDir } = await launch();
  const base = `http://127.0.0.1:${server.address().port}/`;
  return {
    base,
    browser,
    async close() {
      await browser.close();
      removeProfile(userDataDir);
      await new Promise((resolve) => server.close(resolve));
    },
  };
}

// A new tab on the page that records what its console and errors say.
async function openPage(session, query = '', { before } = {}) {
  const page = await session.browser.newPage();
  await page.setViewport({ width: 960, height: 540 });
  const log = { lines: [], errors: [] };
  page.on('console', (message) => {
    if (message.type() === 'error') log.errors.push(message.text());
    else if (message.type() === 'log') log.lines.push(message.text());
  });
  page.on('pageerror', (error) => log.errors.push(error.message));
  if (before) await before(page);
  await page.goto(session.base + query);
  return { page, log };
}

function waitForState(page, state) {
  return page.waitForFunction((wanted) => window.vantorel && window.vantorel.state === wanted,
    { timeout: kPatience }, state);
}

// The music clock as printed while Space is held: the lines that are whole
// numbers, in the order printed.
function clockLines(log) {
  return log.lines.filter((line) => /^-?\d+$/.test(line)).map(Number);
}

// Holds Space until `count` more clock lines have come; returns them.
async function holdSpaceFor(page, log, count) {
  const before = clockLines(log).length;
  await page.keyboard.down('Space');
  const deadline = Date.now() + kPatience;
  while (clockLines(log).length < before + count && Date.now() < deadline) {
    await page.waitForFunction(() => true, { polling: 'raf', timeout: kPatience });
  }
  await page.keyboard.up('Space');
  return clockLines(log).slice(before);
}

module.exports = { kPatience, openSession, openPage, waitForState, clockLines, holdSpaceFor };
