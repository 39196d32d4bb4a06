// The page's times next to native patchconv's on the same files, printed,
// never asserted:
//
//   node bench.mjs --page HTML --patchconv BIN [--repeat N] SOURCE.ins...
//
// For each source: "open -> ready", from choosing the file to the page ready
// with its instruments and findings, against native `--list`, `--check` and
// the whole-file conversion one after another; "whole-file map", the
// worker's writing of the merged map for its Download (its ranges read
// again, the map into a Blob; a map only saved gets no preview rows) and,
// without a goal, from the click on its
// Download to the file saved, against `patchconv SOURCE TARGET`; "zip", from
// the click to the zip saved, against `--each-instrument` into a new folder.
// For the first source whose merged map has at least 100,000 rows, the
// preview's time per scroll step (a jump of one frame's height, drawn) and
// per keystroke of a search. Each figure is the best of N runs in one
// browser, printed with its goal.
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import {PageSession} from './browser.mjs';

const options = {
  repeat: '3',
  sources: []
};
for (let i = 2; i < process.argv.length; ++i) {
  if (process.argv[i].startsWith('--'))
    options[process.argv[i].slice(2)] = process.argv[++i];
  else
    options.sources.push(process.argv[i]);
}
const repeat = Number(options.repeat);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'patch-converter-bench-'));
const best = (runs) => Math.min(...runs);
const seconds = (ms) => `${(ms / 1000).toFixed(2)} s`;

function timed(action) {
  const started = process.hrtime.bigint();
  action();
  return Number(process.hrtime.bigint() - started) / 1e6;
}

function patchconv(...args) {
  const result = spawnSync(options.patchconv, args, {stdio: 'ignore'});
  if (result.status === null) throw new Error(`patchconv ${args.join(' ')} stopped`);
}

function nativeOpen(source) {
  return best(Array.from({length: repeat}, () => timed(() => {
                                             patchconv('--list', source);
                                             patchconv('--check', source);
                                             patchconv(source, path.join(work, 'out.vpm'));
                                           })));
}

function nativeWhole(source) {
  return best(Array.from(
      {length: repeat}, () => timed(() => patchconv(source, path.join(work, 'out.vpm')))));
}

function nativeZip(source) {
  return best(Array.from({length: repeat}, (_, i) => {
    const folder = path.join(work, `each-${i}`);
    fs.mkdirSync(folder);
    const ms = timed(() => patchconv('--each-instrument', '-d', folder, source));
    fs.rmSync(folder, {recursive: true});
    return ms;
  }));
}

async function pageOpen(session, source) {
  const runs = [];
  for (let i = 0; i < repeat; ++i) {
    const started = Date.now();
    if (await session.choose(source, 900000) !== 'ready') throw new Error(`${source} failed`);
    runs.push(Date.now() - started);
  }
  return best(runs);
}

async function pageZip(session) {
  const runs = [];
  for (let i = 0; i < repeat; ++i) {
    const started = Date.now();
    await session.download(() => session.page.click('#download-all'), 'the zip', 900000);
    await session.settled(900000);
    runs.push(Date.now() - started);
  }
  return best(runs);
}

// The worker's writing of the map for its Download (the ranges read again,
// the map into a Blob), and from the click to the file saved.
async function pageWhole(session) {
  const runs = [];
  const worker = [];
  for (let i = 0; i < repeat; ++i) {
    const started = Date.now();
    await session.download(
        () => session.page.click('#merged .download-one'), 'the whole-file map', 900000);
    await session.settled(900000);
    runs.push(Date.now() - started);
    worker.push(await session.page.evaluate(() => window.patchConverterTimings.map));
    // Another map shown, the next run writes the merged one again.
    await session.page.click('#instruments .show');
    await session.settled(900000);
  }
  return {worker: best(worker), saved: best(runs)};
}

// One figure of the page against native patchconv's, with the goal.
function printRatio(what, native, page, goal = true) {
  const ratio = page / native;
  console.log(
      `  ${what.padEnd(30)} page ${seconds(page).padStart(8)}, native ${
          seconds(native).padStart(8)}: ${ratio.toFixed(2)}x` +
      (!goal          ? ' (no goal)' :
           ratio <= 2 ? ' (goal: at most 2x)' :
                        ' (goal: at most 2x) MISSED'));
}

// The preview's scroll and search, timed inside the page: each step until
// the rows it shows are drawn.
async function previewTimes(session) {
  await session.page.click('#merged .show');
  await session.settled();
  return session.page.evaluate(async () => {
    const frame = document.getElementById('table-frame');
    const search = document.getElementById('search');
    const frameDrawn = () =>
        new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve)));
    const rows = Number(document.getElementById('preview').getAttribute('aria-rowcount')) - 1;
    const scroll = [];
    for (let step = 0; step < 50; ++step) {
      const started = performance.now();
      frame.scrollTop = (step + 1) * (frame.scrollHeight / 52);
      await frameDrawn();
      scroll.push(performance.now() - started);
    }
    const keys = [];
    for (const query of ['p', 'pi', 'pia', 'pian', 'piano', 'piano ', 'piano 2', '12', '0/1', '']) {
      const started = performance.now();
      search.value = query;
      search.dispatchEvent(new Event('input'));
      await frameDrawn();
      keys.push(performance.now() - started);
    }
    return {rows, scroll: Math.max(...scroll), keys: Math.max(...keys)};
  });
}

const session = await PageSession.open(options.page);
try {
  console.log(
      'open: --list, --check and the whole-file conversion natively; zip: --each-instrument;' +
      ' whole-file map: patchconv SOURCE TARGET');
  let preview = null;
  for (const source of options.sources) {
    const size = `${(fs.statSync(source).size / 1e6).toFixed(0)} MB`;
    console.log(`${path.basename(source)} (${size})`);
    const open = [nativeOpen(source), await pageOpen(session, source)];
    printRatio('open -> ready', ...open);
    const native = nativeWhole(source);
    const whole = await pageWhole(session);
    printRatio('whole-file map, worker', native, whole.worker);
    printRatio('whole-file map, click to saved', native, whole.saved, false);
    const zip = [nativeZip(source), await pageZip(session)];
    printRatio('zip', ...zip);
    if (!preview && await session.page.$('#merged .show')) {
      const times = await previewTimes(session);
      if (times.rows >= 100000) preview = times;
    }
  }
  if (preview) {
    console.log(
        `preview of ${preview.rows.toLocaleString('en')} rows: slowest scroll step ` +
        `${preview.scroll.toFixed(1)} ms, slowest search keystroke ${preview.keys.toFixed(1)} ms` +
        ' (goal: under 100 ms each)');
  }
} finally {
  await session.close();
  fs.rmSync(work, {recursive: true, force: true});
}
