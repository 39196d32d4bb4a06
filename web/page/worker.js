// The page's worker: runs the core (createConverter, emscripten's glue) over
// the chosen File, so that the page never freezes, and hands back the
// listing, the findings, the maps as Blobs and their previews. Names travel
// as bytes and are decoded here for display only.
'use strict';

// The kinds of record that web/binding.cpp sends, in its order of fields.
const Record = {
  failure: 1,
  instrument: 2,
  bank: 3,
  nothingToList: 4,
  finding: 5,
  row: 6,
  rowCount: 7,
  file: 8,
  refused: 9,
};
const PREVIEW_ROWS = 500;

const windows1252 = new TextDecoder('windows-1252');
const strictUtf8 = new TextDecoder('utf-8', {fatal: true});

// Bytes as the page shows them: Windows-1252, control bytes as \xHH, as
// patchconv prints them.
function shown(bytes) {
  return windows1252.decode(bytes).replace(
      /[\x00-\x1f\x7f]/g, (c) => '\\x' + c.charCodeAt(0).toString(16).padStart(2, '0'));
}

// A file name's bytes as the name a browser or an archive takes: UTF-8 where
// they are UTF-8, otherwise Windows-1252, as a Windows with that code page
// would name the file.
function fileName(bytes) {
  try {
    return strictUtf8.decode(bytes);
  } catch {
    return windows1252.decode(bytes);
  }
}

let converter = null;
let source = null;  // {file, isFolder}
let reader = null;
let job = 0;
let bytesRead = 0;
let lastProgress = 0;
let fields = [];
let records = [];
let sinkChunk = null;  // where the map's bytes go

// The next bytes of the file, none at its end; null when they cannot be read.
function readSource(offset, capacity) {
  const end = Math.min(offset + capacity, source.file.size);
  if (offset >= end) return new Uint8Array(0);
  let bytes;
  try {
    bytes = new Uint8Array(reader.readAsArrayBuffer(source.file.slice(offset, end)));
  } catch {
    return null;
  }
  bytesRead += bytes.length;
  const now = performance.now();
  if (now - lastProgress > 100) {
    lastProgress = now;
    postMessage({type: 'progress', job, bytesRead});
  }
  return bytes;
}

function takeRecords() {
  const taken = records;
  records = [];
  return taken;
}

function failureIn(taken) {
  const failure = taken.find((record) => record.kind === Record.failure);
  return failure ? shown(failure.fields[0]) : null;
}

// Runs a step of the binding: its records, and its chunks as one Blob.
function run(step) {
  const parts = [];
  sinkChunk = (bytes) => parts.push(bytes);
  const started = performance.now();
  const status = step();
  const milliseconds = performance.now() - started;
  sinkChunk = null;
  const taken = takeRecords();
  const failure = status === 0 ? null : (failureIn(taken) || 'cannot be converted');
  return {failure, records: taken, blob: new Blob(parts), milliseconds};
}

function previewOf(taken) {
  const rows = taken.filter((record) => record.kind === Record.row)
                   .map(({
                          fields: [bank, program, family, name]
                        }) => [shown(bank), shown(program), shown(family), shown(name)]);
  const count = taken.find((record) => record.kind === Record.rowCount);
  return {rows, count: count ? count.fields[0] : 0};
}

function listingOf(taken) {
  const instruments = [];
  let nothing = null;
  for (const {kind, fields: f} of taken) {
    if (kind === Record.nothingToList) nothing = shown(f[0]);
    if (kind === Record.instrument) {
      instruments.push({
        index: instruments.length,
        name: shown(f[0]),
        value: windows1252.decode(f[0]),
        fileName: fileName(f[1]),
        method: f[2],
        banks: [],
      });
    }
    if (kind === Record.bank) {
      instruments[instruments.length - 1].banks.push(
          {key: shown(f[0]), list: shown(f[1]), about: shown(f[2])});
    }
  }
  return {instruments, nothing};
}

function open(message) {
  source = {file: message.file, isFolder: message.isFolder};
  bytesRead = 0;
  const timings = {};
  const whole = run(() => converter._ConvertWholeFile(PREVIEW_ROWS));
  timings.wholeFile = whole.milliseconds;
  if (whole.failure) return {type: 'failed', job, message: whole.failure};
  const listing = run(() => converter._ReadInstruments());
  timings.instruments = listing.milliseconds;
  if (listing.failure) return {type: 'failed', job, message: listing.failure};
  const check = run(() => converter._CheckFile());
  timings.check = check.milliseconds;
  if (check.failure) return {type: 'failed', job, message: check.failure};
  const findings = check.records.filter((record) => record.kind === Record.finding)
                       .map(({fields: [line, text]}) => ({line, text: shown(text)}));
  return {
    type: 'opened',
    job,
    timings,
    findings,
    ...listingOf(listing.records),
    map: {blob: whole.blob, ...previewOf(whole.records)},
  };
}

function convertInstrument(message) {
  const converted = run(() => converter._ConvertInstrument(message.index, PREVIEW_ROWS));
  if (converted.failure) return {type: 'failed', job, message: converted.failure};
  return {
    type: 'map',
    job,
    index: message.index,
    milliseconds: converted.milliseconds,
    map: {blob: converted.blob, ...previewOf(converted.records)},
  };
}

// What `patchconv --each-instrument` writes, file for file, in one zip.
function zipEachInstrument() {
  const parts = [];
  const refused = [];
  let failed = null;
  let zipped = 0;
  const zip = new fflate.Zip((error, data) => {
    if (error) failed = failed || String(error);
    zipped += data ? data.length : 0;
    // Offsets past 4 GB need ZIP64, which the zip library does not write.
    if (zipped > 0xFFFFFFFF) {
      failed = failed ||
          'its maps make a zip of more than 4 GB, more than one zip holds here; ' +
              'patchconv --each-instrument writes them all';
    }
    if (!failed) parts.push(data);
  });
  let entry = null;
  const endEntry = () => {
    if (entry) entry.push(new Uint8Array(0), true);
    entry = null;
  };
  const converted = run(() => {
    sinkChunk = (bytes) => entry.push(bytes);
    const onRecord = callbacks.record;
    try {
      callbacks.record = (kind) => {
        if (kind === Record.file) {
          endEntry();
          entry = new fflate.ZipDeflate(fileName(fields[0]), {level: 6});
          zip.add(entry);
          fields = [];
        } else if (kind === Record.refused) {
          refused.push(shown(fields[0]));
          fields = [];
        } else {
          onRecord(kind);
        }
      };
      return converter._ConvertEachInstrument();
    } finally {
      callbacks.record = onRecord;
    }
  });
  endEntry();
  zip.end();
  const failure = converted.failure || failed;
  if (failure) return {type: 'failed', job, message: failure};
  return {type: 'zip', job, refused, blob: new Blob(parts, {type: 'application/zip'})};
}

// What the binding's EM_JS functions call, through the glue's Module.
const callbacks = {
  readSource,
  sourceIsFolder: () => source.isFolder,
  field: (value) => fields.push(value),
  record: (kind) => {
    records.push({kind, fields});
    fields = [];
  },
  chunk: (bytes) => sinkChunk(bytes),
};

async function start(message) {
  reader = new FileReaderSync();
  converter = await createConverter({
    // Through `callbacks`, so that the zip can take the records over.
    readSource: (offset, capacity) => callbacks.readSource(offset, capacity),
    sourceIsFolder: () => callbacks.sourceIsFolder(),
    field: (value) => callbacks.field(value),
    record: (kind) => callbacks.record(kind),
    chunk: (bytes) => callbacks.chunk(bytes),
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(message.module, imports).then((instance) => receive(instance));
      return {};
    },
  });
}

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
      let reply = null;
      if (message.type === 'open') reply = open(message);
      if (message.type === 'instrument') reply = convertInstrument(message);
      if (message.type === 'zip') reply = zipEachInstrument();
      postMessage(reply);
    } catch (error) {
      // The WebAssembly ran out of memory beyond what the core can catch, or
      // stopped otherwise; the page starts a new worker for the next file.
      postMessage({type: 'crashed', job, message: String(error && error.message || error)});
    }
  });
};
