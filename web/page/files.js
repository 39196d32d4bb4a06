// The files chosen or dropped: each listed with what became of it, read in
// turn, one failing leaving the others as they are.

function choose(chosen) {
  input.value = '';  // so that choosing the same file again, edited, reads it again
  if (chosen.length === 0) return;
  if (busy) {  // files dropped while the page works: the work ends, then they are read
    cancel();
    working.then(() => choose(chosen));
    return;
  }
  files = chosen.map(({file, isFolder}) => ({
                       key: nextKey++,
                       file,
                       isFolder,
                       name: file.name,
                       state: 'waiting',
                       instruments: [],
                       findings: [],
                       format: 0,
                       message: '',
                     }));
  shownFile = null;
  showMap(null);
  fileSection.hidden = true;
  zipNotes.replaceChildren();
  renderFiles();
  openAll();
}

async function openAll() {
  await whileBusy('Reading…', async () => {
    for (const [at, file] of files.entries()) {
      statusText.dataset.file = files.length > 1 ? `File ${at + 1} of ${files.length}: ` : '';
      if (!await openOne(file)) break;
    }
    for (const file of files) {
      if (file.state === 'waiting') file.state = 'cancelled';
    }
    renderFiles();
    const first = files.find((file) => file.state === 'open');
    if (first) await showFile(first, true);
  });
  announceFiles();
}

// Reads a file; false when Cancel ended the reading.
async function openOne(file) {
  statusText.dataset.reading = `reading ${file.name}`;
  statusText.textContent = `${statusText.dataset.file}${statusText.dataset.reading}…`;
  file.state = 'reading';
  renderFiles();
  const reply = await request({type: 'open', source: sourceOf(file)});
  if (reply.type === 'cancelled') {
    file.state = 'cancelled';
    return false;
  }
  if (reply.type === 'failed') {
    file.state = 'failed';
    file.message = reply.message;
    return true;
  }
  Object.assign(file, {
    state: 'open',
    format: reply.format,
    instruments: reply.instruments,
    findings: reply.findings,
  });
  window.patchConverterTimings = {open: reply.milliseconds};
  return true;
}

function announceFiles() {
  const failed = files.filter((file) => file.state === 'failed');
  fail(failed.map((file) => `${file.name}: ${file.message}`).join('\n'));
  settle();
  const open = files.filter((file) => file.state === 'open');
  const cancelled = files.some((file) => file.state === 'cancelled');
  const parts = open.map((file) => `${file.name} is open: ${openSummary(file)}.`);
  if (cancelled) parts.push('Cancelled: the files not read are marked so.');
  announce(parts.join(' '));
}

function openSummary(file) {
  const withMaps = file.instruments.filter((instrument) => instrument.hasMap).length;
  const instruments = file.instruments.length === 0 ?
      'no instrument, one merged map' :
      plural(file.instruments.length, 'instrument') +
          (withMaps < file.instruments.length ? `, ${withMaps} with a map` : '');
  return `${instruments}, ${plural(file.findings.length, 'finding')}`;
}

const STATE_WORDS = {
  waiting: 'waiting',
  reading: 'reading…',
  cancelled: 'not read: cancelled',
};

// The list of files, each a button that shows it, with what became of it.
function renderFiles() {
  fileList.replaceChildren();
  fileList.hidden = files.length === 0;
  for (const file of files) {
    const item = add(fileList, 'li', undefined, `file-item ${file.state}`);
    const words = file.state === 'open' ? `${FORMAT_WORDS[file.format]}: ${openSummary(file)}` :
        file.state === 'failed' ? file.message :
                                  STATE_WORDS[file.state];
    if (file.state === 'open') {
      const show = button(item, file.name, () => showFile(file, false), 'link file-name');
      show.setAttribute('aria-current', String(file === shownFile));
    } else {
      add(item, 'span', file.name, 'file-name');
    }
    add(item, 'span', words, 'file-state');
    if (file.state === 'cancelled') button(item, 'Read it', () => reopen(file), 'secondary small');
  }
  updateZipButton();
}

async function reopen(file) {
  await whileBusy(`Reading ${file.name}…`, async () => {
    statusText.dataset.file = '';
    await openOne(file);
    renderFiles();
    if (file.state === 'open') await showFile(file, true);
  });
  announceFiles();
}

function dropped(event) {
  const items = [...(event.dataTransfer.items || [])];
  return [...event.dataTransfer.files].map((file, at) => {
    const entry = items[at] && items[at].webkitGetAsEntry ? items[at].webkitGetAsEntry() : null;
    return {file, isFolder: Boolean(entry && entry.isDirectory)};
  });
}
