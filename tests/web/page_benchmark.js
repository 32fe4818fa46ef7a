// The page's speed as a viewer sees it: the intervals between the frames the
// browser shows (requestAnimationFrame's own time stamps), at 1280x720 in
// the tests' browser, for a few seconds from each moment of the show.
//
//   node tests/web/page_benchmark.js [--every-triangle] [--seconds N] [--at S,S,...]
//
// --every-triangle draws the mesh's triangles that cannot show as well
// (?triangles=all), to weigh what leaving them out saves; --at measures only
// the moments it names (in s of the show). Prints one line per moment: the
// median, the 95th percentile and the worst interval, in ms, and the median
// time of the show's own call in a frame (the page's main thread), which
// tells a page that keeps the browser's drawing waiting from one that waits
// on it.
// Run it on a quiet machine: the figures are the machine's as much as the
// page's.
'use strict';

const { kPatience, openSession, openPage, waitForState } = require('./browser.js');

// One moment in each stretch of the show, in s: the titles, the building
// mesh, the cube, the wobble, the morphs, the pulse, the ribbons, the finale.
const kMoments = [5, 20, 38, 50, 61, 70, 85, 100, 120, 135, 150, 170, 185];
// Frames left to settle after a start before the intervals count.
const kSettleMs = 1000;

function percentile(sorted, fraction) {
  return sorted[Math.min(sorted.length - 1, Math.floor(fraction * sorted.length))];
}

async function measure(session, ms, query, seconds) {
  const { page } = await openPage(session, `${query}#t=${ms / 1000}`);
  await page.setViewport({ width: 1280, height: 720 });
  await waitForState(page, 'question');
  await page.click('#no');
  await waitForState(page, 'running');
  await new Promise((resolve) => setTimeout(resolve, kSettleMs));
  const from = await page.evaluate(() => window.vantorel.frameStarts.length);
  const callsFrom = await page.evaluate(() => window.vantorel.frameTimes.length);
  await page.waitForFunction((wanted) => window.vantorel.position.ms >= wanted,
    { timeout: kPatience, polling: 200 }, ms + kSettleMs + seconds * 1000);
  const intervals = await page.evaluate((start) => {
    const starts = window.vantorel.frameStarts.slice(start);
    return starts.slice(1).map((t, i) => t - starts[i]);
  }, from);
  const calls = await page.evaluate((start) => window.vantorel.frameTimes.slice(start), callsFrom);
  await page.close();
  return { intervals: intervals.sort((a, b) => a - b), calls: calls.sort((a, b) => a - b) };
}

async function main() {
  const args = process.argv.slice(2);
  const every = args.includes('--every-triangle');
  const secondsAt = args.indexOf('--seconds');
  const seconds = secondsAt >= 0 ? Number(args[secondsAt + 1]) : 3;
  const atAt = args.indexOf('--at');
  const moments = atAt >= 0 ? String(args[atAt + 1] || '').split(',').map((s) => (s ? Number(s) : NaN))
    : kMoments;
  if (moments.some((s) => !(s >= 0 && s < 196))) {
    throw new Error('--at takes moments from 0 to 195 s, with commas between them');
  }
  const query = every ? '?triangles=all' : '';
  const session = await openSession();
  try {
    console.log(`1280x720, ${every ? 'every triangle drawn' : 'triangles that cannot show left out'}`);
    console.log('moment   median    p95  worst  (ms between frames)   show call median');
    const medians = [];
    for (const moment of moments) {
      const { intervals: sorted, calls } = await measure(session, moment * 1000, query, seconds);
      const median = percentile(sorted, 0.5);
      medians.push(median);
      console.log(`${String(moment).padStart(5)} s ${median.toFixed(1).padStart(7)} ` +
        `${percentile(sorted, 0.95).toFixed(1).padStart(6)} ` +
        `${sorted[sorted.length - 1].toFixed(1).padStart(6)}${percentile(calls, 0.5).toFixed(1).padStart(22)}`);
    }
    console.log(`slowest median: ${Math.max(...medians).toFixed(1)} ms`);
  } finally {
    await session.close();
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
