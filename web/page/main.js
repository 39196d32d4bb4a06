// The page: takes files, has the worker read each with the core, and shows
// what came back: a file's instruments as the choice to make, what the file
// holds that its maps leave out, and the map chosen, with its preview. Text
// from a file is only ever set as text, never as HTML.

const byId = (id) => document.getElementById(id);
const input = byId('source');
const statusLine = byId('status-line');
const statusText = byId('status');
const progress = byId('progress');
const cancelButton = byId('cancel');
const announcer = byId('announce');
const message = byId('message');
const fileList = byId('files');
const zipButton = byId('download-all');
const zipNotes = byId('zip-notes');
const fileSection = byId('file');
const mapSection = byId('map');
const downloadButton = byId('download');
const searchBox = byId('search');
const bankFilter = byId('bank-filter');
const table = new VirtualTable(byId('table-frame'), byId('preview'));

const CARDS = 40;        // instrument cards shown at once; a search finds the others
const FOLDED_BANKS = 6;  // a card lists more banks than this folded

const workerUrl =
    URL.createObjectURL(new Blob([byId('worker-source').textContent], {type: 'text/javascript'}));
const base64Bytes = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
const compiled = WebAssembly.compile(base64Bytes(byId('wasm').textContent));

let files = [];   // the files chosen last, in order
let nextKey = 1;  // each file chosen is read afresh: it has a key of its own
let shownFile = null;
let map = null;  // the map shown: {file, index, title, fileName, blob, rows}
let busy = false;
let worker = null;
let pending = null;  // the request the worker works on: {job, resolve}
let job = 0;

function startWorker() {
  if (worker) worker.terminate();
  worker = new Worker(workerUrl);
  worker.onmessage = (event) => receive(event.data);
  worker.onerror = (event) => {
    event.preventDefault();
    receive({type: 'crashed', job, message: event.message || 'the converter stopped'});
  };
  const started = worker;
  compiled.then((module) => started.postMessage({type: 'start', module}));
}

// Sends a request; its reply, {type: 'cancelled'} when Cancel ends it.
function request(what) {
  job += 1;
  worker.postMessage({...what, job});
  return new Promise((resolve) => {
    pending = {job, resolve};
  });
}

function receive(reply) {
  if (!pending || reply.job !== pending.job) return;
  if (reply.type === 'progress') {
    showProgress(reply);
    return;
  }
  const {resolve} = pending;
  pending = null;
  if (reply.type === 'crashed') {
    // What the worker held is gone with it; a new one reads the files again.
    startWorker();
    const memory = /memory|allocat/i.test(reply.message);
    resolve({
      type: 'failed',
      message: memory ? 'not enough memory to convert it' : `cannot be converted: ${reply.message}`,
    });
    return;
  }
  resolve(reply);
}

// Ends the work under way: the worker is stopped and a new one started.
function cancel() {
  if (!pending) return;
  const {resolve} = pending;
  pending = null;
  startWorker();
  resolve({type: 'cancelled'});
}

const sourceOf = (file) =>
    ({file: file.file, isFolder: file.isFolder, key: file.key, name: file.name});

function add(parent, tag, text, className) {
  const element = document.createElement(tag);
  if (text !== undefined) element.textContent = text;
  if (className) element.className = className;
  parent.append(element);
  return element;
}

// A button that does `action`, disabled like every control while the page works.
function button(parent, text, action, className) {
  const element = add(parent, 'button', text, className);
  element.type = 'button';
  if (busy) {  // until the work is done, as setBusy gives it back
    element.disabled = true;
    element.dataset.wasDisabled = 'false';
  }
  element.addEventListener('click', action);
  return element;
}

const stem = (name) => {
  const dot = name.lastIndexOf('.');
  return dot > 0 ? name.slice(0, dot) : name;
};

function formatSize(bytes) {
  if (bytes < 1024) return plural(bytes, 'byte');
  if (bytes < 1024 * 1024) return `${(bytes / 1024).toFixed(1)} KB`;
  return `${(bytes / 1024 / 1024).toFixed(1)} MB`;
}

function announce(text) { announcer.textContent = text; }

function save(blob, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}
