// What the page tests share: Debian's headless Chromium with software WebGL
// (or, with VANTOREL_BROWSER=firefox, Firefox ESR on an Xvfb of its own: its
// headless mode has no WebGL here), the page served from its build folder,
// and waits on the page's state.
'use strict';

const { spawn } = require('node:child_process');
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

// Which browser the tests drive: 'chromium' unless VANTOREL_BROWSER says
// 'firefox'.
function browserKind() {
  return process.env.VANTOREL_BROWSER === 'firefox' ? 'firefox' : 'chromium';
}

// An X server of the tests' own; the number it took comes back on the
// descriptor named by -displayfd, so no fixed number can clash with another
// run's.
function startXvfb() {
  return new Promise((resolve, reject) => {
    const server = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1920x1080x24', '-nolisten', 'tcp'],
      { stdio: ['ignore', 'ignore', 'pipe', 'pipe'] });
    let said = '';
    let errors = '';
    server.stderr.on('data', (chunk) => { errors += chunk; });
    server.stdio[3].on('data', (chunk) => {
      said += chunk;
      if (said.includes('\n')) resolve({ server, display: `:${said.trim()}` });
    });
    server.on('error', reject);
    server.on('exit', (code) => reject(new Error(`Xvfb ended with ${code}: ${errors}`)));
  });
}

// Firefox ESR under its own Xvfb, with sound allowed to start from the page's
// own button and service workers off unless a test asks for them (the cache
// would answer requests a test means to change).
async function launchFirefox({ serviceWorker }) {
  const { server, display } = await startXvfb();
  const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'vantorel-firefox-'));
  try {
    const browser = await puppeteer.launch({
      browser: 'firefox',
      executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
      headless: false,
      userDataDir,
      env: { ...process.env, DISPLAY: display },
      extraPrefsFirefox: {
        'media.autoplay.default': 0,
        'media.autoplay.blocking_policy': 0,
        'dom.serviceWorkers.enabled': Boolean(serviceWorker),
        'browser.shell.checkDefaultBrowser': false,
        'datareporting.policy.dataSubmissionEnabled': false,
      },
    });
    return { browser, userDataDir, xvfb: server };
  } catch (error) {
    server.kill();
    throw error;
  }
}

// WebGL on SwiftShader (no GPU here); nothing reaching out of the machine; a
// profile of its own each time.
async function launch(options = {}) {
  if (browserKind() === 'firefox') return launchFirefox(options);
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
// `serviceWorker` lets the page's own cache answer, as for a viewer; the
// other tests go past it, so that each sees the network as the test sets it.
// `under` ('a/b/') puts the page below a sub-path of the server, as on a
// project's site.
async function openSession({ serviceWorker = false, under = '' } = {}) {
  let site = pageFolder();
  let siteFolder = null;
  if (under) {
    siteFolder = fs.mkdtempSync(path.join(os.tmpdir(), 'vantorel-site-'));
    const parent = path.join(siteFolder, path.dirname(under));
    fs.mkdirSync(parent, { recursive: true });
    fs.symlinkSync(pageFolder(), path.join(parent, path.basename(under)));
    site = siteFolder;
  }
  const server = await startServer(site, 0);
  const { browser, userDataDir, xvfb } = await launch({ serviceWorker });
  const base = `http://127.0.0.1:${server.address().port}/${under}`;
  return {
    base,
    browser,
    kind: browserKind(),
    serviceWorker,
    async close() {
      await browser.close();
      if (xvfb) xvfb.kill();
      removeProfile(userDataDir);
      if (siteFolder) fs.rmSync(siteFolder, { recursive: true, force: true });
      await new Promise((resolve) => server.close(resolve));
    },
  };
}

// A new tab on the page that records what its console and errors say.
async function openPage(session, query = '', { before } = {}) {
  const page = await session.browser.newPage();
  if (!session.serviceWorker && session.kind === 'chromium') await page.setBypassServiceWorker(true);
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
  await page.keyboard.down(' ');
  const deadline = Date.now() + kPatience;
  while (clockLines(log).length < before + count && Date.now() < deadline) {
    await page.waitForFunction(() => true, { polling: 'raf', timeout: kPatience });
  }
  await page.keyboard.up(' ');
  return clockLines(log).slice(before);
}

module.exports = { kPatience, browserKind, openSession, openPage, waitForState, clockLines, holdSpaceFor };
