// The page's conversion time next to native patchconv on the same files:
//
//   node bench.mjs --page HTML --patchconv BIN [--repeat N] SOURCE.ins...
//
// "page, whole file" is the worker's whole-file conversion (both reading
// passes and the map written into a Blob), the work of `patchconv SRC OUT`;
// "page, to ready" adds the instrument reading, the check and the display.
// Each figure is the best of N runs in one browser (the first run, before
// the browser has optimised the WebAssembly, is shown too). Printed, not
// asserted.
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
const best = (runs) => Math.min(...runs);
const target =
    path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'patch-converter-bench-')), 'out.vpm');

function native(source) {
  const runs = [];
  for (let i = 0; i < repeat; ++i) {
    const started = process.hrtime.bigint();
    const result = spawnSync(options.patchconv, [source, target]);
    runs.push(Number(process.hrtime.bigint() - started) / 1e6);
    if (result.status !== 0) throw new Error(`patchconv failed on ${source}`);
  }
  return best(runs);
}

const session = await PageSession.open(options.page);
try {
  console.log(
      'file                         size   native   page, whole file (first run)   page, to ready   ratio');
  for (const source of options.sources) {
    const whole = [];
    const total = [];
    for (let i = 0; i < repeat; ++i) {
      const started = Date.now();
      if (await session.choose(source, 900000) !== 'ready')
        throw new Error(`${source} failed in the page`);
      total.push(Date.now() - started);
      const timings = await session.page.evaluate(() => window.patchConverterTimings);
      if (process.env.BENCH_VERBOSE) console.log(JSON.stringify(timings));
      whole.push(timings.wholeFile);
    }
    const nativeMs = native(source);
    const size = `${(fs.statSync(source).size / 1e6).toFixed(0)} MB`;
    console.log(
        `${path.basename(source).padEnd(26)} ${size.padStart(6)} ${
            (nativeMs / 1000).toFixed(2).padStart(7)} s` +
        ` ${(best(whole) / 1000).toFixed(2).padStart(15)} s (${
            (whole[0] / 1000).toFixed(2).padStart(5)} s)` +
        ` ${(best(total) / 1000).toFixed(2).padStart(15)} s` +
        ` ${(best(whole) / nativeMs).toFixed(1).padStart(6)}x`);
  }
} finally {
  await session.close();
  fs.rmSync(path.dirname(target), {recursive: true, force: true});
}
