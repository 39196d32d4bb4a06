// The page's worker: runs the core (createConverter, emscripten's glue) over
// the chosen Files, so that the page never freezes, and hands back what the
// binding sends: an open file's instruments and findings, a map as a Blob
// with the rows of its preview, a zip of many maps. PROTOCOL (made by
// build_page.py from the C++ enums) names the binding's records.
'use strict';

const {Record, FindingKind} = PROTOCOL;
const kindNames =
    Object.fromEntries(Object.entries(FindingKind).map(([name, kind]) => [kind, name]));

const PROGRESS_EVERY_MS = 100;
const BLOB_PART_BYTES = 16 << 20;  // a zip's bytes go to a Blob in parts of this size
const ZIP_LIMIT = 0xFFFFFFFF;      // offsets past 4 GB need ZIP64, which is not written
const WINDOW_BYTES = 16 << 20;     // of the file, read at once
const utf8 = new TextDecoder();

let converter = null;
let reader = null;
let job = 0;
let source = null;   // the File the binding reads: {file, isFolder, key}
let openKey = null;  // the key of the file the binding holds open
let passes = 1;      // over the source, as the binding says when it begins
let bytesRead = 0;
let sourceWindow = null;  // the bytes of the file read last: {file, offset, bytes}
let lastProgress = 0;
let fields = [];
let records = [];
let mapParts = null;  // a map's chunks while one is written
let zip = null;       // the zip being made

function post(message, transfer = []) { postMessage({...message, job}, transfer); }

// Progress at most every PROGRESS_EVERY_MS, and always the last step.
function progress(what, done, total) {
  const now = performance.now();
  if (now - lastProgress < PROGRESS_EVERY_MS && done < total) return;
  lastProgress = now;
  post({type: 'progress', what, done, total});
}

// The next bytes of the file, none at its end; null when they cannot be read.
// They come from a window of the file read at once: each read of a File costs
// about a millisecond, and the whole-file map reads thousands of short ranges.
function readSource(offset, capacity) {
  const end = Math.min(offset + capacity, source.file.size);
  if (offset >= end) return new Uint8Array(0);
  if (!inWindow(offset, end)) {
    const windowEnd = Math.min(source.file.size, offset + Math.max(capacity, WINDOW_BYTES));
    try {
      const bytes = reader.readAsArrayBuffer(source.file.slice(offset, windowEnd));
      sourceWindow = {file: source.file, offset, bytes: new Uint8Array(bytes)};
    } catch {
      sourceWindow = null;
      return null;
    }
  }
  bytesRead += end - offset;
  progress('reading', bytesRead, Math.max(1, source.file.size * passes));
  return sourceWindow.bytes.subarray(offset - sourceWindow.offset, end - sourceWindow.offset);
}

const inWindow = (offset, end) => sourceWindow !== null && sourceWindow.file === source.file &&
    offset >= sourceWindow.offset && end <= sourceWindow.offset + sourceWindow.bytes.length;

function record(kind) {
  if (kind === Record.format) passes = fields[1];
  if (kind === Record.entry) zip.begin(utf8.decode(fields[1]));
  if (kind === Record.entryEnd) zip.ending = fields;
  records.push({kind, fields});
  fields = [];
}

function chunk(bytes) {
  if (zip) return zip.push(bytes);
  mapParts.push(bytes.slice());
  return false;
}

// Runs a function of the binding: its status and the records it sent.
function run(step) {
  records = [];
  fields = [];
  const started = performance.now();
  const status = step();
  const taken = records;
  records = [];
  const failure = taken.find((r) => r.kind === Record.failure);
  return {
    failed: status !== 0,
    message: failure ? utf8.decode(failure.fields[0]) : 'cannot be converted',
    records: taken,
    milliseconds: performance.now() - started,
  };
}

const text = (bytes) => utf8.decode(bytes);
const of = (taken, kind) => taken.filter((r) => r.kind === kind).map((r) => r.fields);

function bankOf(kind, f) {
  if (kind === Record.definitionBank) {
    const [number, forOtherBanks, inMap, value, list, listKind, patches, own, base] = f;
    return {
      number,
      forOtherBanks: forOtherBanks === 1,
      inMap: inMap === 1,
      value,
      list: text(list),
      listKind,
      patches,
      own,
      base: text(base),
    };
  }
  const [name, list, value, patches, leftOut] = f;
  return {name: text(name), list: text(list), value, patches, leftOut, inMap: true};
}

function listingOf(taken) {
  const instruments = [];
  for (const {kind, fields: f} of taken) {
    if (kind === Record.instrument) {
      const [name, fileName, method, hasMap, patches] = f;
      instruments.push({
        index: instruments.length,
        name: text(name),
        fileName: text(fileName),
        method,
        hasMap: hasMap === 1,
        patches,
        banks: [],
      });
    } else if (kind === Record.definitionBank || kind === Record.documentBank) {
      instruments.at(-1).banks.push(bankOf(kind, f));
    }
  }
  return instruments;
}

function findingsOf(taken) {
  return of(taken, Record.finding).map(([kind, line, instrument, ...values]) => ({
                                         kind: kindNames[kind],
                                         line,
                                         instrument,
                                         values: values.map(text),
                                       }));
}

// Makes `file` the binding's open file, unless it is already; the records of
// its opening, or its failure.
function ensureOpen(file) {
  if (openKey === file.key) return null;
  openKey = null;
  source = file;
  bytesRead = 0;
  passes = 1;
  const opened = run(() => converter._Open());
  if (!opened.failed) openKey = file.key;
  return opened;
}

function open(message) {
  const opened = ensureOpen(message.source) || {failed: false, records: [], milliseconds: 0};
  if (opened.failed) return {type: 'failed', message: opened.message};
  const [format] = of(opened.records, Record.format)[0] || [0];
  return {
    type: 'opened',
    format,
    instruments: listingOf(opened.records),
    findings: findingsOf(opened.records),
    milliseconds: opened.milliseconds,
  };
}

function writeMap(message) {
  const opened = ensureOpen(message.source);
  if (opened && opened.failed) return {type: 'failed', message: opened.message};
  bytesRead = 0;  // the whole-file map reads the file once more
  passes = 1;
  mapParts = [];
  const written = run(() => converter._WriteMap(message.index, message.rows ? 1 : 0));
  const blob = new Blob(mapParts);
  mapParts = null;
  if (written.failed) return {type: 'failed', message: written.message};
  if (!message.rows) return {type: 'map', blob, milliseconds: written.milliseconds};
  const [rows, names] = of(written.records, Record.rows)[0];
  const segments = of(written.records, Record.segment).map(([list]) => text(list));
  return {
    type: 'map',
    blob,
    rows: new Int32Array(rows.buffer),
    names,
    segments,
    milliseconds: written.milliseconds,
    transfer: [rows.buffer, names.buffer],
  };
}

// A zip entry that the browser deflates (CompressionStream, in native code)
// as its chunks come; the zip library writes its header and its place in the
// directory. Its chunks wait in the stream until the entry ends, so memory
// holds one entry at a time, never their count.
class DeflatedEntry {
  constructor(name) {
    this.filename = name;
    this.compression = 8;  // deflate
    this.flag = 0;
    this.size = 0;
    this.crc = 0;
    const stream = new CompressionStream('deflate-raw');
    this.writer = stream.writable.getWriter();
    this.reader = stream.readable.getReader();
  }
  write(bytes) {
    this.writer.write(bytes.slice()).catch(() => {});  // an error comes out of the reading
  }
  // Its deflated bytes to the zip, then its CRC and size, which the binding counted.
  async end([crc, size]) {
    this.writer.close().catch(() => {});
    for (let read = await this.reader.read(); !read.done; read = await this.reader.read()) {
      this.ondata(null, read.value, false);
    }
    this.crc = crc;
    this.size = size;
    this.ondata(null, new Uint8Array(0), true);
  }
}

// The zip being made: its bytes in Blobs of BLOB_PART_BYTES, the first error.
class ZipMaker {
  constructor() {
    this.blobs = [];
    this.parts = [];
    this.partBytes = 0;
    this.size = 0;
    this.error = null;
    this.entry = null;
    this.ending = null;  // the entry's CRC and size, when the binding has sent them
    this.zip = new fflate.Zip((error, data) => this.take(error, data));
  }
  take(error, data) {
    if (this.error) return;
    if (error) {
      this.error = `cannot be zipped: ${error.message || error}`;
      return;
    }
    this.size += data.length;
    if (this.size > ZIP_LIMIT) {
      this.error = 'its maps make a zip of more than 4 GB, more than one zip holds';
      return;
    }
    this.parts.push(data);
    this.partBytes += data.length;
    if (this.partBytes >= BLOB_PART_BYTES) this.flush();
  }
  flush() {
    this.blobs.push(new Blob(this.parts));
    this.parts = [];
    this.partBytes = 0;
  }
  begin(name) {
    this.entry = new DeflatedEntry(name);
    this.zip.add(this.entry);
  }
  // A chunk of the current entry; true when the zip has failed and wants no more.
  push(bytes) {
    if (!this.error) this.entry.write(bytes);
    return this.error !== null;
  }
  async endEntry() {
    const {entry, ending} = this;
    this.entry = null;
    this.ending = null;
    if (!entry || this.error) return;
    try {
      await entry.end(ending);
    } catch (error) {
      this.error = this.error || `cannot be zipped: ${error.message || error}`;
    }
  }
  end() {
    if (!this.error) this.zip.end();
    this.flush();
    return new Blob(this.blobs, {type: 'application/zip'});
  }
}

// A file's entries, one at a time, its progress "instrument i of N"; the
// first failure, or null.
async function zipFile({source: file, instruments}, refused) {
  const opened = ensureOpen(file);
  if (opened && opened.failed) return `${file.name}: ${opened.message}`;
  const prepared = run(() => converter._PrepareZip());
  if (prepared.failed) return `${file.name}: ${prepared.message}`;
  lastProgress = 0;
  for (const [done, index] of instruments.entries()) {
    progress('instrument', done + 1, instruments.length);
    const zipped = run(() => converter._ZipEntry(index));
    for (const [instrument, fileName] of of (zipped.records, Record.refused)) {
      refused.push({source: file.name, instrument: text(instrument), fileName: text(fileName)});
    }
    if (zipped.failed) return zip.error || `${file.name}: ${zipped.message}`;
    await zip.endEntry();
    if (zip.error) return zip.error;
  }
  return null;
}

async function makeZip(message) {
  const begun = run(() => converter._BeginZip(message.maps));
  if (begun.failed) return {type: 'failed', message: begun.message};
  zip = new ZipMaker();
  const refused = [];
  let failure = null;
  for (const [at, file] of message.files.entries()) {
    post({type: 'progress', what: 'zip-file', done: at + 1, total: message.files.length});
    failure = await zipFile(file, refused);
    if (failure) break;
  }
  const blob = zip.end();
  zip = null;
  if (failure) return {type: 'failed', message: failure};
  return {type: 'zip', blob, refused};
}

async function start(message) {
  reader = new FileReaderSync();
  converter = await createConverter({
    readSource,
    sourceIsFolder: () => source.isFolder,
    sourceName: () => source.name,
    field: (value) => fields.push(value),
    record,
    chunk,
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(message.module, imports).then((instance) => receive(instance));
      return {};
    },
  });
}

const steps = {
  open,
  map: writeMap,
  zip: makeZip
};

// The module comes when the page has compiled it, maybe after the first
// requests; they wait for it, and are taken one at a time, in order.
let startWith = null;
const started = new Promise((resolve) => {
  startWith = resolve;
});
let queue = Promise.resolve();
onmessage = (event) => {
  const message = event.data;
  if (message.type === 'start') {
    startWith(start(message));
    return;
  }
  queue = queue.then(async () => {
    job = message.job;
    try {
      await started;
      const {transfer = [], ...reply} = await steps[message.type](message);
      post(reply, transfer);
    } catch (error) {
      // The WebAssembly ran out of memory beyond what the core can catch, or
      // stopped otherwise; the page starts a new worker.
      post({type: 'crashed', message: String((error && error.message) || error)});
    }
  });
};
