// The page: takes a file, has the worker convert it with the core, and shows
// what came back. Text from the file is only ever set as text, never as HTML.
'use strict';
(() => {
  const byId = (id) => document.getElementById(id);
  const input = byId('source');
  const select = byId('instrument');
  const download = byId('download');
  const downloadAll = byId('download-all');
  const message = byId('message');
  const status = byId('status');
  const progress = byId('progress');
  const instrumentsBox = byId('instruments');
  const findingsList = byId('findings');
  const findingsSummary = byId('findings-summary');
  const previewBody = byId('preview').tBodies[0];
  const mapSummary = byId('map-summary');
  const sourceName = byId('source-name');

  // Of a large file's instruments the listing shows this many; all are in the menu.
  const LISTED_INSTRUMENTS = 500;
  // Passes over the source when a file is opened: the whole-file reading (2),
  // the instrument reading (1) and the check (3).
  const PASSES = 6;

  const workerUrl =
      URL.createObjectURL(new Blob([byId('worker-source').textContent], {type: 'text/javascript'}));
  const wasm = Uint8Array.from(atob(byId('wasm').textContent), (c) => c.charCodeAt(0));
  const compiled = WebAssembly.compile(wasm);

  let worker = null;
  let working = false;
  let job = 0;
  let opened = null;                    // the open file: its name, maps and instruments
  window.patchConverterTimings = null;  // of the last file, for the benchmarks

  // Controls stay enabled while the worker is busy, so that the keyboard's
  // focus stays where it was; a button that has nothing to give yet says so.
  function setState(state) {
    document.body.dataset.state = state;
    const busy = state === 'busy';
    select.disabled = !opened;
    download.disabled = !opened;
    downloadAll.disabled = !opened || opened.listed.length === 0;
    download.setAttribute('aria-disabled', String(busy || !opened || !opened.map));
    downloadAll.setAttribute('aria-disabled', String(busy));
    document.body.setAttribute('aria-busy', String(busy));
    if (!busy) progress.hidden = true;
  }

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
    working = false;
  }

  // Each request has its number; a reply to an earlier one is dropped. A new
  // file ends the work on the old one; the worker keeps a file's instruments
  // for the requests that follow, which it takes in turn.
  function send(request) {
    job += 1;
    if (request.type === 'open' && working) startWorker();
    working = true;
    worker.postMessage({...request, job});
  }

  function clear(element) {
    while (element.firstChild) element.firstChild.remove();
  }

  function add(parent, tag, text, className) {
    const element = document.createElement(tag);
    if (text !== undefined) element.textContent = text;
    if (className) element.className = className;
    parent.append(element);
    return element;
  }

  function stem(name) {
    const dot = name.lastIndexOf('.');
    return dot > 0 ? name.slice(0, dot) : name;
  }

  function reset() {
    opened = null;
    message.textContent = '';
    clear(instrumentsBox);
    clear(findingsList);
    clear(previewBody);
    mapSummary.textContent = '';
    findingsSummary.textContent = '';
    while (select.options.length > 1) select.remove(1);
    select.value = '';
  }

  function openFile(file, isFolder) {
    reset();
    sourceName.textContent = file.name;
    status.textContent = `Reading ${file.name}…`;
    progress.value = 0;
    progress.hidden = false;
    opened = null;
    setState('busy');
    send({type: 'open', file, isFolder, size: file.size});
    progress.max = Math.max(1, file.size * PASSES);
  }

  function fail(text) {
    status.textContent = '';
    message.textContent = opened ? text : `${sourceName.textContent}: ${text}`;
    setState('failed');
  }

  function showListing(instruments, nothing) {
    clear(instrumentsBox);
    if (nothing) add(instrumentsBox, 'p', nothing, 'empty');
    for (const instrument of instruments.slice(0, LISTED_INSTRUMENTS)) {
      const section = add(instrumentsBox, 'section', undefined, 'instrument');
      const heading = add(section, 'h3');
      add(heading, 'span', instrument.name, 'instrument-name');
      add(heading, 'span', `BankSelMethod=${instrument.method}`, 'method');
      if (instrument.banks.length === 0) {
        add(section, 'p', 'no bank', 'no-bank');
        continue;
      }
      const table = add(section, 'table', undefined, 'banks');
      add(table, 'caption', `Banks of ${instrument.name}`, 'visually-hidden');
      for (const bank of instrument.banks) {
        const row = add(table, 'tr', undefined, 'bank');
        add(row, 'td', `Patch[${bank.key}]`, 'bank-key');
        add(row, 'td', bank.list, 'bank-list');
        add(row, 'td', bank.about, 'bank-about');
      }
    }
    if (instruments.length > LISTED_INSTRUMENTS) {
      add(instrumentsBox, 'p',
          `… and ${
              instruments.length - LISTED_INSTRUMENTS} more instruments, all in the menu above.`,
          'empty');
    }
  }

  function showFindings(findings) {
    clear(findingsList);
    findingsSummary.textContent = findings.length === 0 ?
        'Nothing to report: the whole file converts as it reads.' :
        `${findings.length} ${findings.length === 1 ? 'finding' : 'findings'}:`;
    for (const finding of findings) {
      const item = add(findingsList, 'li');
      add(item, 'span', finding.line > 0 ? `line ${finding.line}` : 'file', 'finding-line');
      add(item, 'span', finding.text, 'finding-text');
    }
  }

  function showMap(map, what) {
    clear(previewBody);
    for (const row of map.rows) {
      const tr = add(previewBody, 'tr');
      for (const cell of row) add(tr, 'td', cell);
    }
    const count = `${map.count.toLocaleString('en')} ${map.count === 1 ? 'patch' : 'patches'}`;
    const shown = map.rows.length < map.count ? `; the first ${map.rows.length} are shown` : '';
    mapSummary.textContent = `${what}: ${count}, ${formatSize(map.blob.size)}${shown}.`;
  }

  function formatSize(bytes) {
    if (bytes < 1024) return `${bytes} bytes`;
    if (bytes < 1024 * 1024) return `${(bytes / 1024).toFixed(1)} KB`;
    return `${(bytes / 1024 / 1024).toFixed(1)} MB`;
  }

  function chosenName() {
    const index = select.selectedIndex - 1;
    return index < 0 ? `${stem(opened.name)}.vpm` : opened.listed[index].fileName;
  }

  function save(blob, name) {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  }

  function receive(reply) {
    if (reply && reply.type === 'crashed') {
      // What the worker held is gone with it: the file must be chosen again.
      startWorker();
      opened = null;
      fail(
          /memory|allocat/i.test(reply.message) ? 'not enough memory to convert it' :
                                                  `cannot be converted: ${reply.message}`);
      return;
    }
    if (!reply || reply.job !== job) return;
    if (reply.type === 'progress') {
      progress.value = reply.bytesRead;
      const percent = Math.min(100, Math.floor(100 * reply.bytesRead / progress.max));
      status.textContent = `Reading ${opened ? opened.name : sourceName.textContent}: ${percent}%`;
      return;
    }
    working = false;
    if (reply.type === 'failed') {
      fail(reply.message);
      return;
    }
    status.textContent = '';
    if (reply.type === 'opened') {
      opened = {
        name: sourceName.textContent,
        whole: reply.map,
        map: reply.map,
        instruments: reply.instruments,
        listed: reply.instruments.filter((instrument) => instrument.banks.length > 0),
      };
      window.patchConverterTimings = reply.timings;
      for (const instrument of opened.listed) {
        select.add(new Option(instrument.name, instrument.value));
      }
      showListing(reply.instruments, reply.nothing);
      showFindings(reply.findings);
      showMap(reply.map, 'The whole file');
    } else if (reply.type === 'map') {
      opened.map = reply.map;
      window.patchConverterTimings = {instrument: reply.milliseconds};
      showMap(reply.map, opened.listed[select.selectedIndex - 1].name);
    } else if (reply.type === 'zip') {
      save(reply.blob, `${stem(opened.name)}.zip`);
      // Left out as --each-instrument leaves them out: said, but no failure.
      status.textContent = reply.refused.join(' ');
    }
    setState('ready');
  }

  input.addEventListener('change', () => {
    if (input.files.length > 0) openFile(input.files[0], false);
  });

  select.addEventListener('change', () => {
    if (!opened) return;
    const index = select.selectedIndex - 1;
    message.textContent = '';
    if (index < 0) {
      opened.map = opened.whole;
      showMap(opened.whole, 'The whole file');
      setState('ready');
      return;
    }
    opened.map = null;
    clear(previewBody);
    mapSummary.textContent = '';
    status.textContent = `Converting ${opened.listed[index].name}…`;
    setState('busy');
    send({type: 'instrument', index: opened.listed[index].index});
  });

  const idle = () => opened && document.body.dataset.state !== 'busy';

  download.addEventListener('click', () => {
    if (idle() && opened.map) save(opened.map.blob, chosenName());
  });

  downloadAll.addEventListener('click', () => {
    if (!idle()) return;
    status.textContent = 'Making the zip…';
    message.textContent = '';
    setState('busy');
    send({type: 'zip'});
  });

  // A file dropped anywhere on the page; a folder is read as one and refused
  // by the core in its own words.
  document.addEventListener('dragover', (event) => {
    event.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', (event) => {
    if (!event.relatedTarget) document.body.classList.remove('dragging');
  });
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    document.body.classList.remove('dragging');
    const files = event.dataTransfer.files;
    if (files.length === 0) return;
    const item = event.dataTransfer.items && event.dataTransfer.items[0];
    const entry = item && item.webkitGetAsEntry ? item.webkitGetAsEntry() : null;
    openFile(files[0], Boolean(entry && entry.isDirectory));
  });

  startWorker();
  setState('idle');
})();
