// The page in a real Chromium, through its real file input, drops and
// downloads, against patchconv on the same files:
//
//   node page_test.mjs --page HTML --patchconv BIN --examples DIR [--large FILE]
//                      [--small-memory-page HTML] SOURCE...
//
// For every source (.ins, .midnam, .reabank): the instruments it lists, where
// its findings stand, the merged map's download, each instrument's and the
// zip's, byte for byte as patchconv writes them, and the preview's first
// rows. Then what a musician does: the same file chosen again after an edit,
// several files dropped, a finding's action, a search, Cancel while reading
// and while zipping, the large realistic file's zip equal to
// `--each-instrument`; inputs that must end in a message (binary, empty, a
// folder, 200 MB of one line), names that are HTML, memory running out (in a
// page built with 64 MB), a phone's width (no overflow, no word broken) and
// axe-core in every state, light and dark. No request may leave the page,
// and the console must show no error.
import {unzipSync} from 'fflate';
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';

import {fileName, PageSession} from './browser.mjs';
import {makeFixtures, reach, STATES} from './states.mjs';

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

// patchconv's bytes from 0x80 that it shows as \xHH for a terminal, as they were.
const unescaped = (text) => Buffer.from(
    text.replace(/\\x(c2|[89][0-9a-f])/g, (escaped, hex) => String.fromCharCode(parseInt(hex, 16))),
    'latin1');

// A name's bytes as the page shows them: UTF-8 where they are that, else
// Windows-1252, control bytes as \xHH.
const shownName = (bytes) => fileName(bytes).replace(
    /[\x00-\x1f\x7f]/g, (c) => '\\x' + c.charCodeAt(0).toString(16).padStart(2, '0'));

// What patchconv says about `source` after "patchconv: SOURCE: ".
// The page words a reason that names the file's syntax in its own words.
const PAGE_REASONS = {
  'holds no bank (no Patch[n] key in it)':
      'has no bank to convert: no instrument in it gives a bank a list of patches',
};

function reasonIn(stderr, source) {
  const line = fileName(unescaped(Buffer.from(stderr).toString('latin1'))).split('\n')[0];
  const reason = line.slice(`patchconv: ${source}: `.length);
  return PAGE_REASONS[reason] ?? reason;
}

// The instruments that `patchconv --list` names, as the page shows them.
function listedNames(stdout) {
  return Buffer.from(stdout)
      .toString('latin1')
      .split('\n')
      .map((line) => /^\[(.*)\] [^\]]*$/s.exec(line))
      .filter(Boolean)
      .map((match) => shownName(unescaped(match[1])));
}

// Where each finding of `patchconv --check` stands, as the page says it.
function findingPlaces(source) {
  return Buffer.from(patchconv('--check', source).stdout)
      .toString('latin1')
      .split('\n')
      .filter((line) => line.startsWith(source))
      .map((line) => {
        const numbered = /^:(\d+): /.exec(line.slice(source.length));
        return numbered ? `Line ${numbered[1]}` : 'The whole file';
      });
}

// A map's patches as the preview shows them.
function mapRows(map) {
  const entities = {'&amp;': '&', '&lt;': '<', '&gt;': '>', '&quot;': '"', '&apos;': '\''};
  const rows = [];
  for (const line of map.toString('latin1').split('\n').slice(1)) {
    const match =
        /^<patch family="[^"]*" bank="(\d+)\.(\d+)" preset="([^"]*)" name="(.*)" \/>\r$/s.exec(
            line);
    if (!match) break;
    const name = match[4].replace(/&(amp|lt|gt|quot|apos);/g, (e) => entities[e]);
    rows.push([`${match[1]} / ${match[2]}`, match[3], shownName(Buffer.from(name, 'latin1'))]);
  }
  return rows;
}

async function pageView(session) {
  return session.page.evaluate(() => {
    const text = (element, selector) => element.querySelector(selector)?.textContent;
    const byId = (id) => document.getElementById(id);
    return {
      state: document.body.dataset.state,
      message: byId('message').textContent,
      cards: [...document.querySelectorAll('#instruments .instrument')].map(
          (card) => ({
            name: text(card, '.instrument-name'),
            hasMap: card.querySelector('.download-one') !== null,
          })),
      merged: !byId('merged').hidden,
      findings: [...document.querySelectorAll('#findings .finding')].map(
          (item) => text(item, '.finding-where')),
      mapShown: !byId('map').hidden,
      mapHeading: byId('map').hidden ? null : byId('map-heading').textContent,
      rows: [...document.querySelectorAll('#preview tbody tr:not(.spacer)')].map(
          (row) => [text(row, '.bank'), text(row, '.program'), text(row, '.name-text')]),
      summary: byId('map-summary').textContent,
      files: [...document.querySelectorAll('#files .file-item')].map(
          (item) => [text(item, '.file-name'), item.className.replace('file-item ', '')]),
      elements: document.querySelectorAll('main img, main script, main iframe, main b').length,
    };
  });
}

// The preview draws the rows in sight: they must be the map's first.
function expectPreview(view, map, what) {
  const rows = mapRows(map);
  expect(
      view.rows.length >= Math.min(rows.length, 10),
      `${what}: the preview shows ${view.rows.length} of ${rows.length} rows`);
  expectSame(view.rows, rows.slice(0, view.rows.length), `${what}: preview rows`);
  expect(
      view.summary.startsWith(`${rows.length.toLocaleString('en')} patch`),
      `${what}: ${rows.length} patches, the summary says "${view.summary}"`);
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
const card = (at) => `#instruments .instrument:nth-child(${at + 1})`;

// Whether the page failed as patchconv does on `source`; true when it did.
function expectFailure(state, view, source) {
  const isDefinition = /\.ins$/i.test(source);
  const failed = isDefinition ? patchconv(source, '-') : patchconv('--list', source);
  if (failed.status === 0) return false;
  expectSame(
      [state, view.message],
      ['failed', `${path.basename(source)}: ${reasonIn(failed.stderr, source)}`],
      `${source}: failure`);
  return true;
}

// What the page opens on: the map of a file's one instrument, the merged map
// of a file of none, else the instruments to choose from.
function expectFirstView(view, names, source) {
  const expected = names.length === 0            ? 'The Windows program\'s merged map' :
      names.length === 1 && view.cards[0].hasMap ? names[0] :
                                                   null;
  expectSame(view.mapHeading, expected, `${source}: the map opened first`);
}

// The instrument maps of the first cards, downloaded (the first with the
// keyboard), and the zip of them all, as --each-instrument writes them.
async function compareInstrumentMaps(session, view, source, most) {
  const {page} = session;
  const each = eachInstrumentFiles(source);
  const withMap = view.cards.map((c, at) => (c.hasMap ? at : -1)).filter((at) => at >= 0);
  const taken = new Set();
  for (const at of withMap.slice(0, most)) {
    const selector = `${card(at)} .download-one`;
    const chosen = await session.download(async () => {
      if (taken.size > 0) return page.click(selector);
      await page.focus(selector);
      return page.keyboard.press('Enter');
    }, view.cards[at].name);
    const folded = chosen.name.toLowerCase();
    if (!taken.has(folded)) {  // a later map of a name on a case-blind disk is not written
      expect(
          each[chosen.name] && chosen.bytes.equals(each[chosen.name]),
          `${source}: the map of "${view.cards[at].name}" differs from --each-instrument's`);
    }
    taken.add(folded);
  }
  if (withMap.length === 0) {
    expect(await page.$eval('#download-all', (b) => b.hidden), `${source}: zip offered, no map`);
    return;
  }
  await page.click(`${card(withMap[0])} .show`);
  await session.settled();
  const first = await page.$eval(
      `${card(withMap[0])} .download-one`, (b) => b.textContent.replace(/^Download /, ''));
  expectPreview(await pageView(session), each[first], `${source}: the first instrument's map`);
  const zip = await session.download(() => page.click('#download-all'), 'the zip');
  await session.settled();
  expectSame(zip.name, `${stem(source)}.zip`, `${source}: zip name`);
  expectFilesSame(unzipSync(new Uint8Array(zip.bytes)), each, `${source}: zip`);
}

// One source through the page, compared with patchconv at every step.
async function compareWithPatchconv(session, source, {most = 3, timeout} = {}) {
  const {page} = session;
  const state = await session.choose(source, timeout);
  const view = await pageView(session);
  if (expectFailure(state, view, source)) return;
  if (!expectSame([state, view.message], ['ready', ''], `${source}: state`)) return;
  const names = listedNames(patchconv('--list', source).stdout);
  expectSame(view.cards.map(({name}) => name), names.slice(0, 40), `${source}: instruments`);
  expectSame(view.findings, findingPlaces(source), `${source}: where the findings stand`);
  expectFirstView(view, names, source);
  if (view.merged) {
    const whole = patchconv(source, '-').stdout;
    const map =
        await session.download(() => page.click('#merged .download-one'), 'merged', timeout);
    await session.settled(timeout);
    expectSame(map.name, `${stem(source)}.vpm`, `${source}: merged map's name`);
    expect(map.bytes.equals(whole), `${source}: merged map differs from patchconv's`);
    await page.click('#merged .show');
    await session.settled(timeout);
    expectPreview(await pageView(session), whole, `${source}: merged map`);
  }
  await compareInstrumentMaps(session, view, source, most);
}

// A MIDNAM document of two instruments, one bank taking another's list, and a
// REAPER file: both converted as patchconv converts them.
function makeNameDocuments() {
  const midnam = path.join(work, 'Acme Duo.midnam');
  const patch = (number, name) =>
      `<Patch Number="${number}" Name="${name}" ProgramChange="${number}"/>`;
  const control = (number, value) =>
      `<ControlChange Channel="1" Control="${number}" Value="${value}"/>`;
  fs.writeFileSync(midnam, [
    '<?xml version="1.0" encoding="UTF-8"?>', '<MIDINameDocument><MasterDeviceNames>',
    '<Manufacturer>Acme</Manufacturer><Model>Duo</Model>',
    '<ChannelNameSet Name="Keys"><PatchBank Name="Pianos"><MIDICommands>', control(0, 0),
    control(32, 1), '</MIDICommands><PatchNameList Name="Pianos">', patch(0, 'Grand &amp; Bright'),
    patch(1, 'Burnin’ Upright'), '</PatchNameList></PatchBank></ChannelNameSet>',
    '<ChannelNameSet Name="Pads"><PatchBank Name="Warm"><MIDICommands>', control(0, 2),
    '</MIDICommands><UsesPatchNameList Name="Pianos"/></PatchBank></ChannelNameSet>',
    '</MasterDeviceNames></MIDINameDocument>', ''
  ].join('\n'));
  const reabank = path.join(work, 'Stage.reabank');
  fs.writeFileSync(
      reabank, '// a comment\nBank 0 1 Pianos\n0 Grand\n1 Upright\nBank 1 0 Organs\n5 Tonewheel\n');
  return [midnam, reabank];
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
  const notes = await session.page.$$eval('#zip-notes li', (items) => items.length);
  expectSame(notes, 3, 'zip: three names refused, each said so');
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


// Files dropped on the page, as a file manager drops them.
async function drop(session, files) {
  const client = await session.page.createCDPSession();
  const data = {items: [], files, dragOperationsMask: 1};
  for (const type of ['dragEnter', 'dragOver', 'drop']) {
    await client.send('Input.dispatchDragEvent', {type, x: 200, y: 200, data});
  }
  return session.settled();
}

// Read a finding, fix the file, choose it again: the page reads it afresh.
async function checkSameFileAgain(session) {
  const file = path.join(work, 'edited.ins');
  const instrument = (name) => `.Patch Names\r\n[L]\r\n0=A\r\n.Instrument Definitions\r\n` +
      `[${name}]\r\nPatch[0]=L\r\n`;
  fs.writeFileSync(file, instrument('Before the edit'));
  await session.choose(file);
  fs.writeFileSync(file, instrument('After the edit'));
  await session.choose(file);
  expectSame((await pageView(session)).mapHeading, 'After the edit', 'the same file chosen again');
}

// Two files dropped: each listed and read, one zip of all their maps.
async function checkDroppedFiles(session) {
  const files =
      ['workstation.ins', 'studio.ins'].map((name) => path.resolve(options.examples, name));
  await drop(session, files);
  const view = await pageView(session);
  expectSame(
      view.files, [['workstation.ins', 'open'], ['studio.ins', 'open']], 'two files dropped');
  const zip = await session.download(() => session.page.click('#download-all'), 'the zip of two');
  await session.settled();
  expectSame(zip.name, 'patch-maps.zip', 'the zip of two files: its name');
  expectFilesSame(
      unzipSync(new Uint8Array(zip.bytes)),
      {...eachInstrumentFiles(files[0]), ...eachInstrumentFiles(files[1])}, 'the zip of two files');
}

// The finding that the merged map mixes instruments offers each one's map.
async function checkFindingAction(session) {
  const source = path.join(options.examples, 'workstation.ins');
  await session.choose(source);
  const action = await session.page.$('#findings .finding-actions button');
  const label = await action.evaluate((b) => b.textContent);
  await action.click();
  await session.settled();
  const name = label.replace(/^Show the map of /, '');
  expectSame((await pageView(session)).mapHeading, name, 'a finding\'s action shows the map');
  const map = await session.download(() => session.page.click('#download'), name);
  expect(
      map.bytes.equals(eachInstrumentFiles(source)[map.name] || Buffer.alloc(0)),
      `the map a finding's action shows differs from --each-instrument's (${map.name})`);
}

// A search by name, program or bank: the rows that match, counted.
async function checkSearch(session, file) {
  await session.choose(file);
  const rows =
      mapRows(patchconv('--instrument', 'Halvorn Stage 88 Professional', file, '-').stdout);
  for (const [query, matches] of [
           ['organ', ([, , name]) => name.toLowerCase().includes('organ')],
           ['12', ([, program, name]) => program === '12' || name.includes('12')],
           ['0/1', ([bank]) => bank === '0 / 1'],
           ['no such patch', () => false],
  ]) {
    await session.page.$eval('#search', (box, text) => {
      box.value = text;
      box.dispatchEvent(new Event('input'));
    }, query);
    const view = await pageView(session);
    const expected = rows.filter(matches);
    const count = await session.page.$eval('#match-count', (p) => p.textContent);
    expect(
        count.startsWith(`${expected.length} patch`),
        `search "${query}": ${expected.length} rows, the page says "${count}"`);
    expectSame(
        view.rows, expected.slice(0, Math.max(view.rows.length, Math.min(expected.length, 10))),
        `search "${query}": rows`);
  }
}

// Cancel while the large file is read: it is marked so, and can be read.
async function cancelReading(session, large) {
  const input = await session.page.$('#source');
  await input.uploadFile(large);
  await session.page.waitForFunction(
      () => document.getElementById('progress').value > 0 &&
          /\d+%/.test(document.getElementById('status').textContent),
      {timeout: 60000, polling: 10});
  await session.page.click('#cancel');
  await session.page.waitForFunction(() => document.body.dataset.state !== 'busy');
  const view = await pageView(session);
  expectSame(
      [view.files, await session.page.$eval('#source', (i) => i.disabled)],
      [[[path.basename(large), 'cancelled']], false], 'Cancel while reading');
}

// Cancel while zipping: no zip, and the page ready for the next.
async function cancelZip(session) {
  await session.page.click('#download-all');
  await session.page.waitForFunction(
      () =>
          /zipping instrument [\d,]+ of [\d,]+/.test(document.getElementById('status').textContent),
      {timeout: 120000, polling: 10});
  await session.page.click('#cancel');
  const state = await session.settled();
  const said = await session.page.$eval('#announce', (p) => p.textContent);
  expectSame([state, said], ['ready', 'Cancelled: no zip was made.'], 'Cancel while zipping');
}

// The large realistic file, thousands of instruments: Cancel, read again,
// its merged map, its zip equal to --each-instrument entry for entry.
async function checkLarge(session, large) {
  await cancelReading(session, large);
  await session.page.click('#files .file-item button');
  expectSame(await session.settled(600000), 'ready', 'the large file read after Cancel');
  await cancelZip(session);
  const whole = patchconv(large, '-').stdout;
  const map =
      await session.download(() => session.page.click('#merged .download-one'), 'merged', 600000);
  expect(map.bytes.equals(whole), 'the large file\'s merged map differs from patchconv\'s');
  const zip = await session.download(() => session.page.click('#download-all'), 'zip', 600000);
  await session.settled(600000);
  const entries = unzipSync(new Uint8Array(zip.bytes));
  const each = eachInstrumentFiles(large);
  expect(Object.keys(each).length > 1000, 'the large file has thousands of instruments');
  expectFilesSame(entries, each, 'the large file\'s zip');
}

// At a phone's width: nothing wider than the screen, no word broken across lines.
async function checkPhone(session, files) {
  await session.page.setViewport({width: 390, height: 844});
  for (const state of ['one-instrument', 'several-instruments']) {
    await reach(session, files, state);
    const {overflow, broken} = await session.page.evaluate(() => {
      const found = [];
      const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
      for (let node = walker.nextNode(); node; node = walker.nextNode()) {
        for (const word of node.data.matchAll(/[^\s\-–/]+/g)) {
          const range = document.createRange();
          range.setStart(node, word.index);
          range.setEnd(node, word.index + word[0].length);
          const tops = new Set(
              [...range.getClientRects()].filter((r) => r.width > 0).map((r) => Math.round(r.top)));
          if (tops.size > 1) found.push(word[0]);
        }
      }
      return {overflow: document.documentElement.scrollWidth - window.innerWidth, broken: found};
    });
    expectSame(
        [overflow <= 0 ? 0 : overflow, broken], [0, []],
        `390 px, ${state}: overflow, broken words`);
  }
  await session.page.setViewport({width: 1000, height: 800});
}

async function checkAccessibility(session, what) {
  await session.page.evaluate(fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8'));
  const violations = await session.page.evaluate(
      async () => (await window.axe.run(document, {
                    resultTypes: ['violations']
                  })).violations.map((v) => ({id: v.id, impact: v.impact, nodes: v.nodes.length})));
  expectSame(violations, [], `axe-core, ${what}: violations`);
}

// axe-core in every state, light and dark.
async function checkEveryState(session, files) {
  for (const [state] of STATES) {
    for (const scheme of ['light', 'dark']) {
      await session.page.emulateMediaFeatures([{name: 'prefers-color-scheme', value: scheme}]);
      await reach(session, files, state);
      await checkAccessibility(session, `${state}, ${scheme}`);
    }
  }
  await session.page.emulateMediaFeatures([]);
  await session.page.goto(session.url);
}

// Every source and the name documents, then the inputs that must end in a
// message or stay text.
async function compareAll(session) {
  const sources = [...options.sources, ...makeNameDocuments()];
  for (const source of sources) {
    await compareWithPatchconv(session, source)
        .catch((error) => expect(false, `${source}: ${error.message}`));
  }
  console.log(`${sources.length} files converted in the page as patchconv converts them`);
  const inputs = makeHostileInputs();
  for (const name of ['binary.ins', 'empty.ins', 'one-line.ins', 'html-names.ins']) {
    await compareWithPatchconv(session, path.join(inputs, name));
  }
  const view = await pageView(session);
  expectSame([view.elements, session.dialogs], [0, []], 'HTML names stay text');
  expect(
      view.cards.some(({name}) => name === '<script>alert(3)</script>'),
      'an HTML name is shown as text');
  await checkZipNames(session);
  const folder = path.join(inputs, 'folder.ins');
  const folderState = await drop(session, [folder]);
  expectSame(
      [folderState, (await pageView(session)).message],
      ['failed', `folder.ins: ${reasonIn(patchconv(folder, '-').stderr, folder)}`],
      'a folder dropped');
}

// Out of memory in a page built with 64 MB: patchconv's message, and the
// next file converts.
async function checkSmallMemory() {
  const small = await PageSession.open(options['small-memory-page']);
  try {
    const state = await small.choose(options.large, 600000);
    expectSame(
        [state, (await pageView(small)).message],
        ['failed', `${path.basename(options.large)}: not enough memory to convert it`],
        'out of memory');
    await compareWithPatchconv(small, path.join(options.examples, 'workstation.ins'));
    expectSame(small.errors, [], 'console errors with 64 MB');
  } finally {
    await small.close();
  }
}

async function main() {
  const started = Date.now();
  const pageBytes = fs.statSync(options.page).size;
  expect(pageBytes < 600 * 1024, `the page is ${pageBytes} bytes, not under 600 KB`);
  const files = makeFixtures(fs.mkdtempSync(path.join(work, 'fixtures-')), options.examples);
  const session = await PageSession.open(options.page);
  try {
    await compareAll(session);
    await checkSameFileAgain(session);
    await checkDroppedFiles(session);
    await checkFindingAction(session);
    await checkSearch(session, files.one);
    await checkPhone(session, files);
    await checkEveryState(session, files);
    if (options.large) await checkLarge(session, options.large);
    console.log('the musician\'s steps done');
    if (options['small-memory-page'] && options.large) await checkSmallMemory();
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
