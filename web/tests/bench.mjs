// The page's times next to native patchconv's on the same files, printed,
// never asserted:
//
//   node bench.mjs --page HTML --patchconv BIN [--repeat N] SOURCE.ins...
//
// For each source: "open -> ready", from choosing the file to the page ready
// with its instruments and findings, against native `--list`, `--check` and
// the whole-file conversion one after another; "zip", from the click to the
// zip saved, against `--each-instrument` into a new folder. For the first
// source whose merged map has at least 100,000 rows, the preview's time per
// scroll step (a jump of one frame's height, drawn) and per keystroke of a
// search, typed letter by letter. Each figure is the best of N runs in one
// browser.
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
      'file                    size   native list+check+convert   page open->ready   ratio' +
      '   native --each-instrument   page zip   ratio');
  let preview = null;
  for (const source of options.sources) {
    const open = [nativeOpen(source), await pageOpen(session, source)];
    const zip = [nativeZip(source), await pageZip(session)];
    const size = `${(fs.statSync(source).size / 1e6).toFixed(0)} MB`;
    console.log(
        `${path.basename(source).padEnd(22)} ${size.padStart(6)} ${seconds(open[0]).padStart(27)}` +
        ` ${seconds(open[1]).padStart(18)} ${(open[1] / open[0]).toFixed(1).padStart(6)}x` +
        ` ${seconds(zip[0]).padStart(26)} ${seconds(zip[1]).padStart(10)}` +
        ` ${(zip[1] / zip[0]).toFixed(1).padStart(6)}x`);
    if (!preview && await session.page.$('#merged .show')) {
      const times = await previewTimes(session);
      if (times.rows >= 100000) preview = times;
    }
  }
  if (preview) {
    console.log(
        `preview of ${preview.rows.toLocaleString('en')} rows: slowest scroll step ` +
        `${preview.scroll.toFixed(1)} ms, slowest search keystroke ${preview.keys.toFixed(1)} ms`);
  }
} finally {
  await session.close();
  fs.rmSync(work, {recursive: true, force: true});
}
