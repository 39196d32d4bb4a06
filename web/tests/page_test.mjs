// The page in a real Chromium, through its real file input and downloads,
// against patchconv on the same files:
//
//   node page_test.mjs --page HTML --patchconv BIN [--large FILE]
//                      [--small-memory-page HTML] [--screenshot PNG] SOURCE.ins...
//
// For every source: the whole-file download equals `patchconv SRC`, each
// instrument's equals `patchconv --instrument NAME`, the zip's files equal
// `--each-instrument`'s; the listing, the findings, a failure's message and
// the preview say what patchconv says. Then the inputs that must end in a
// message (binary, empty, a folder, 200 MB of one line), names that are HTML,
// a large file's progress, a large file where memory runs out (in a page
// built with 64 MB), the layout at a phone's width and axe-core's
// accessibility check. No request may leave the page, and the console must
// show no error.
import {unzipSync} from 'fflate';
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';

import {fileName, PageSession, shown, windows1252, windows1252Bytes} from './browser.mjs';

const require = createRequire(import.meta.url);
const options = {
  sources: []
};
for (let i = 2; i < process.argv.length; ++i) {
  const argument = process.argv[i];
  if (argument.startsWith('--'))
    options[argument.slice(2)] = process.argv[++i];
  else
    options.sources.push(argument);
}
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'patch-converter-page-'));
let failures = 0;
let checks = 0;

function expect(condition, what) {
  checks += 1;
  if (!condition) {
    failures += 1;
    console.log(`FAIL ${what}`);
  }
  return condition;
}

function expectSame(actual, expected, what) {
  const a = JSON.stringify(actual);
  const e = JSON.stringify(expected);
  return expect(
      a === e, `${what}\n  page:      ${a.slice(0, 400)}\n  patchconv: ${e.slice(0, 400)}`);
}

function patchconv(...args) {
  const result = spawnSync(options.patchconv, args, {maxBuffer: 1 << 30});
  return {status: result.status, stdout: result.stdout, stderr: result.stderr};
}

// Lines of patchconv's text as the page shows them: patchconv shows every
// control byte as \xHH for a terminal, the page decodes the bytes from 0x80
// as Windows-1252 text and shows only those below 0x20 and 0x7F so.
function linesOf(bytes) {
  const terminal = Buffer.from(bytes).toString('latin1');
  const raw = Buffer.from(
      terminal.replace(
          /\\x(c2|[89][0-9a-f])/g, (escaped, hex) => String.fromCharCode(parseInt(hex, 16))),
      'latin1');
  return windows1252.decode(raw).split('\n').filter((line) => line !== '');
}

// What patchconv says about `source` after "patchconv: SOURCE: ".
function reasonIn(stderr, source) {
  const line = linesOf(stderr)[0] || '';
  return line.slice(`patchconv: ${source}: `.length);
}

// The first patch lines of a map as the preview shows them.
function previewRowsOf(map, count) {
  const entities = {'&amp;': '&', '&lt;': '<', '&gt;': '>', '&quot;': '"'};
  const rows = [];
  for (const line of map.toString('latin1').split('\n').slice(1)) {
    if (rows.length === count) break;
    const match =
        /^<patch family="([^"]*)" bank="([^"]*)" preset="([^"]*)" name="(.*)" \/>\r$/s.exec(line);
    if (!match) break;
    const name = Buffer.from(match[4].replace(/&(amp|lt|gt|quot);/g, (e) => entities[e]), 'latin1');
    rows.push([match[2], match[3], match[1], shown(name)]);
  }
  return rows;
}

async function pageView(session) {
  return session.page.evaluate(() => {
    const text = (element, selector) => element.querySelector(selector)?.textContent;
    return {
      state: document.body.dataset.state,
      message: document.getElementById('message').textContent,
      listing: [...document.querySelectorAll('#instruments .instrument')].map(
          (section) => ({
            name: text(section, '.instrument-name'),
            method: text(section, '.method'),
            banks: [...section.querySelectorAll('.bank')].map(
                (row) =>
                    [text(row, '.bank-key'), text(row, '.bank-list'), text(row, '.bank-about')]),
          })),
      nothing: text(document, '#instruments > p.empty'),
      findings: [...document.querySelectorAll('#findings li')].map(
          (item) => [text(item, '.finding-line'), text(item, '.finding-text')]),
      options:
          [...document.querySelectorAll('#instrument option')].map((o) => [o.value, o.textContent]),
      rows: [...document.querySelectorAll('#preview tbody tr')].map(
          (row) => [...row.cells].map((cell) => cell.textContent)),
      summary: document.getElementById('map-summary').textContent,
      elements: document.querySelectorAll('main img, main script, main iframe, main b').length,
    };
  });
}

function expectPreview(view, map, what) {
  let count = -2;
  for (let at = map.indexOf(10); at !== -1; at = map.indexOf(10, at + 1)) ++count;
  expectSame(view.rows, previewRowsOf(map, view.rows.length), `${what}: preview rows`);
  expect(
      view.rows.length === Math.min(count, 500),
      `${what}: preview shows ${view.rows.length} of ${count} rows`);
  expect(
      view.summary.includes(`${count.toLocaleString('en')} patch`),
      `${what}: count in "${view.summary}"`);
}

// Compares the listing; returns the names of the instruments with a bank.
function expectListing(view, source, maxInstruments = Infinity) {
  const listed = patchconv('--list', source);
  if (listed.status !== 0 && listed.stdout.length === 0) {
    expectSame(view.nothing, reasonIn(listed.stderr, source), `${source}: nothing to list`);
    return [];
  }
  const withBank = linesOf(listed.stdout)
                       .filter((line) => line.startsWith('[') && !line.endsWith(', no bank'))
                       .map((line) => line.slice(1, line.lastIndexOf('] BankSelMethod=')));
  const lines = view.listing.slice(0, maxInstruments)
                    .flatMap(
                        ({name, method, banks}) =>
                            [`[${name}] ${method}${banks.length === 0 ? ', no bank' : ''}`,
                             ...banks.map(([key, list, about]) => `  ${key}=${list}: ${about}`)]);
  let expected = linesOf(listed.stdout);
  if (maxInstruments !== Infinity) {
    let instruments = 0;
    expected = expected.filter(
        (line) => (line.startsWith('[') ? ++instruments : instruments) <= maxInstruments);
  }
  expectSame(lines, expected, `${source}: listing`);
  return withBank;
}

function expectFindings(view, source) {
  const expected = linesOf(patchconv('--check', source).stdout).map((line) => {
    const rest = line.slice(source.length + 1);
    const numbered = /^(\d+): (.*)$/s.exec(rest);
    return numbered ? [`line ${numbered[1]}`, numbered[2]] : ['file', rest.slice(1)];
  });
  expectSame(view.findings, expected, `${source}: findings`);
}

function eachInstrumentFiles(source) {
  const folder = fs.mkdtempSync(path.join(work, 'each-'));
  patchconv('--each-instrument', '-d', folder, source);
  const files = {};
  for (const name of fs.readdirSync(folder, {encoding: 'buffer'})) {
    files[fileName(name)] = fs.readFileSync(Buffer.concat([Buffer.from(folder + '/'), name]));
  }
  fs.rmSync(folder, {recursive: true});
  return files;
}

function expectFilesSame(actual, expected, what) {
  expectSame(Object.keys(actual).sort(), Object.keys(expected).sort(), `${what}: file names`);
  for (const [name, bytes] of Object.entries(expected)) {
    if (actual[name]) expect(Buffer.from(actual[name]).equals(bytes), `${what}: ${name} differs`);
  }
}

const stem = (file) => path.basename(file).replace(/(.)\.[^.]*$/, '$1');

// One source through the page, compared with patchconv at every step.
async function compareWithPatchconv(session, source, {maxInstruments = Infinity, timeout} = {}) {
  const {page} = session;
  const state = await session.choose(source, timeout);
  const view = await pageView(session);
  const whole = patchconv(source, '-');
  if (whole.status !== 0) {
    expectSame(
        [state, view.message],
        ['failed', `${path.basename(source)}: ${reasonIn(whole.stderr, source)}`],
        `${source}: failure`);
    return;
  }
  if (!expectSame([state, view.message], ['ready', ''], `${source}: state`)) return;
  const map = await session.download(() => page.click('#download'), 'the whole file');
  expectSame(map.name, `${stem(source)}.vpm`, `${source}: whole-file download name`);
  expect(map.bytes.equals(whole.stdout), `${source}: whole-file map differs from patchconv's`);
  expectPreview(view, whole.stdout, `${source} (whole file)`);
  const withBank = expectListing(view, source, maxInstruments);
  expectFindings(view, source);

  // Each instrument, chosen and downloaded with the keyboard.
  const each = eachInstrumentFiles(source);
  const instruments = view.options.slice(1);
  expectSame(instruments.map(([, text]) => text), withBank, `${source}: menu`);
  for (const [value] of instruments.slice(0, maxInstruments === Infinity ? undefined : 2)) {
    await page.focus('#instrument');
    await page.keyboard.press('ArrowDown');
    await session.settled();
    const nameFile = path.join(work, 'name');
    fs.writeFileSync(nameFile, windows1252Bytes(value));
    const expected = spawnSync(
                         'sh',
                         [
                           '-c', `exec "$0" --instrument "$(cat "$1")" "$2" -`, options.patchconv,
                           nameFile, source
                         ],
                         {maxBuffer: 1 << 30})
                         .stdout;
    await page.focus('#download');
    const chosen = await session.download(() => page.keyboard.press('Enter'), value);
    expect(
        chosen.bytes.equals(expected), `${source}: map of "${value}" differs from --instrument's`);
    expect(chosen.name in each, `${source}: "${chosen.name}" is no file of --each-instrument`);
    if (instruments.length <= 3)
      expectPreview(await pageView(session), expected, `${source} ("${value}")`);
  }
  if (instruments.length === 0) {
    expect(
        await page.$eval('#download-all', (b) => b.disabled),
        `${source}: zip offered without instrument`);
    return;
  }
  const zip = await session.download(() => page.click('#download-all'), 'the zip');
  await session.settled();
  expectSame(zip.name, `${stem(source)}.zip`, `${source}: zip name`);
  expectFilesSame(unzipSync(new Uint8Array(zip.bytes)), each, `${source}: zip`);
}

// Inputs that must end in one message, and names that must stay text.
function makeHostileInputs() {
  const inputs = path.join(work, 'inputs');
  fs.mkdirSync(inputs);
  const binary = Buffer.alloc(65536);
  let seed = 12345;
  for (let i = 0; i < binary.length; ++i)
    binary[i] = (seed = (seed * 1103515245 + 12345) >>> 0) >>> 24;
  fs.writeFileSync(path.join(inputs, 'binary.ins'), binary);
  fs.writeFileSync(path.join(inputs, 'empty.ins'), '');
  fs.writeFileSync(path.join(inputs, 'one-line.ins'), Buffer.alloc(200 * 1024 * 1024, 'x'));
  fs.writeFileSync(path.join(inputs, 'html-names.ins'), [
    '.Patch Names', '[<b>List</b>]', '0=<img src=x onerror="alert(1)">',
    '1=<script>alert(2)</script>', '.Instrument Definitions', '[<script>alert(3)</script>]',
    'Patch[0]=<b>List</b>', '[<img src=x onerror="alert(4)">]', 'Patch[*]=<b>List</b>', ''
  ].join('\r\n'));
  fs.mkdirSync(path.join(inputs, 'folder.ins'));
  return inputs;
}

// The zip's entries are named as a case-blind disk or archive tool takes them:
// one name a map after decoding and full case folding, none over 255 bytes,
// and no zip of more entries than one holds.
async function checkZipNames(session) {
  const latin1 = (text) => Buffer.from(text, 'latin1');
  const utf8 = (text) => Buffer.from(text, 'utf8');
  const file = path.join(work, 'zip-names.ins');
  const long = '\xe9'.repeat(200);  // 200 bytes in Windows-1252, 400 in UTF-8
  fs.writeFileSync(file, Buffer.concat([
    latin1('.Instrument Definitions\r\n'),
    ...[utf8('\u00c4rger'), latin1('\xc4rger'), latin1('\xe4rger'), utf8('STRASSE'),
        utf8('Stra\u00dfe'), latin1(long)]
        .map((name) => Buffer.concat([latin1('['), name, latin1(']\r\nPatch[0]=0..127\r\n')]))
  ]));
  await session.choose(file);
  const zip = await session.download(
      () => session.page.click('#download-all'), 'the zip of clashing names');
  await session.settled();
  const names = Object.keys(unzipSync(new Uint8Array(zip.bytes)));
  const cut = names.find((name) => name.startsWith('\u00e9'));
  expectSame(
      names.filter((name) => name !== cut), ['\u00c4rger.vpm', 'STRASSE.vpm'],
      'zip: one entry per name');
  expect(
      cut && Buffer.byteLength(cut) <= 255 && cut.endsWith('.vpm') && !cut.includes('\ufffd'),
      `zip: a long name cut at a character to 255 bytes (${cut && Buffer.byteLength(cut)})`);
  const status = await session.page.$eval('#status', (element) => element.textContent);
  expect(
      (status.match(/as an earlier one was/g) || []).length === 3,
      `zip: three names refused: ${status}`);
}

// A file of more maps than one zip holds is refused with a message, in a page
// of its own.
async function checkTooManyForAZip() {
  const many = path.join(work, 'many.ins');
  const lines = ['.Instrument Definitions'];
  for (let i = 0; i < 65537; ++i) lines.push(`[I${i}]`, 'Patch[0]=0..127');
  fs.writeFileSync(many, lines.join('\n'));
  const session = await PageSession.open(options.page);
  try {
    await session.choose(many, 120000);
    await session.page.click('#download-all');
    const state = await session.settled(120000);
    const message = (await pageView(session)).message;
    expect(
        state === 'failed' && message.includes('65535'),
        `zip of 65,537 maps refused: ${state} ${message}`);
  } finally {
    await session.close();
  }
}

// A folder dropped on the page, as a file manager drops one.
async function dropFolder(session, folder) {
  const client = await session.page.createCDPSession();
  const data = {items: [], files: [folder], dragOperationsMask: 1};
  for (const type of ['dragEnter', 'dragOver', 'drop']) {
    await client.send('Input.dispatchDragEvent', {type, x: 200, y: 200, data});
  }
  return session.settled();
}

async function checkAccessibility(session, what) {
  await session.page.evaluate(fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8'));
  const violations = await session.page.evaluate(
      async () => (await window.axe.run(document, {
                    resultTypes: ['violations']
                  })).violations.map((v) => ({id: v.id, impact: v.impact, nodes: v.nodes.length})));
  const grave = violations.filter((v) => v.impact === 'serious' || v.impact === 'critical');
  expectSame(grave, [], `axe-core, ${what}: serious or critical violations`);
  console.log(
      `axe-core, ${what}: ${grave.length} serious or critical, ${violations.length} in all` +
      (violations.length ? ` (${violations.map((v) => `${v.id}: ${v.impact}`).join(', ')})` : ''));
}

async function main() {
  const started = Date.now();
  const pageBytes = fs.statSync(options.page).size;
  expect(pageBytes < 400 * 1024, `the page is ${pageBytes} bytes, not under 400 KB`);
  const session = await PageSession.open(options.page);
  try {
    await checkAccessibility(session, 'before a file');
    for (const source of options.sources) {
      await compareWithPatchconv(session, source)
          .catch((error) => expect(false, `${source}: ${error.message}`));
    }
    console.log(`${options.sources.length} files converted in the page as patchconv converts them`);

    const inputs = makeHostileInputs();
    for (const name of ['binary.ins', 'empty.ins', 'one-line.ins', 'html-names.ins']) {
      await compareWithPatchconv(session, path.join(inputs, name));
    }
    const view = await pageView(session);
    expectSame([view.elements, session.dialogs], [0, []], 'HTML names stay text');
    await checkZipNames(session);
    expect(
        view.listing.some(({name}) => name === '<script>alert(3)</script>'),
        'an HTML name is shown as text');
    const folder = path.join(inputs, 'folder.ins');
    const folderState = await dropFolder(session, folder);
    expectSame(
        [folderState, (await pageView(session)).message],
        ['failed', `folder.ins: ${reasonIn(patchconv(folder, '-').stderr, folder)}`],
        'a folder dropped');

    if (options.large) {
      // The page shows that it is busy, and how far the reading has come.
      const input = await session.page.$('#source');
      await input.uploadFile(options.large);
      await session.page.waitForFunction(
          () => !document.getElementById('progress').hidden &&
              document.getElementById('progress').value > 0 &&
              /\d+%/.test(document.getElementById('status').textContent),
          {timeout: 60000, polling: 10});
      expect(
          await session.page.evaluate(() => document.body.dataset.state === 'busy'),
          'busy while reading');
      await compareWithPatchconv(session, options.large, {maxInstruments: 20, timeout: 600000});
    }

    const workstation = options.sources.find((s) => s.endsWith('workstation.ins'));
    if (options['small-memory-page'] && options.large && workstation) {
      // Out of memory: patchconv's message, and the next file converts.
      const small = await PageSession.open(options['small-memory-page']);
      try {
        const state = await small.choose(options.large, 600000);
        expectSame(
            [state, (await pageView(small)).message],
            ['failed', `${path.basename(options.large)}: not enough memory to convert it`],
            'out of memory');
        await compareWithPatchconv(small, workstation);
        expectSame(small.errors, [], 'console errors with 64 MB');
      } finally {
        await small.close();
      }
    }
    if (workstation) {
      await session.choose(workstation);
      await checkAccessibility(session, 'a file open, light');
      await session.page.emulateMediaFeatures([{name: 'prefers-color-scheme', value: 'dark'}]);
      await checkAccessibility(session, 'a file open, dark');
      await session.page.emulateMediaFeatures([]);
      if (options.screenshot) {
        await session.page.screenshot({path: options.screenshot, fullPage: true});
        console.log(`Saved ${options.screenshot}`);
      }
      await session.page.setViewport({width: 360, height: 740});
      const overflow = await session.page.evaluate(
          () => document.documentElement.scrollWidth - window.innerWidth);
      expect(overflow <= 0, `at a phone's width the page is ${overflow} px too wide`);
    }
    await checkTooManyForAZip();
    expectSame(session.requests, [], 'requests that left the page');
    expectSame(session.errors, [], 'console errors');
  } finally {
    await session.close();
    fs.rmSync(work, {recursive: true, force: true});
  }
  console.log(
      `${checks} checks, ${failures} failed, ${((Date.now() - started) / 1000).toFixed(0)} s`);
  process.exit(failures === 0 ? 0 : 1);
}

await main();
