// The map chosen: written by the worker into a Blob with its rows, shown in
// the preview, downloaded under its file's name, copied; and the zip of every
// map of the files open.

// The map of the file's instrument at `index` (-1: the merged map), with the
// preview's rows where `withRows`; the map shown is not written again.
async function writeMap(file, index, withRows = true) {
  if (map && map.file === file && map.index === index) return map;
  const reply = await request({type: 'map', source: sourceOf(file), index, rows: withRows});
  if (reply.type === 'cancelled') return null;
  if (reply.type === 'failed') {
    fail(`${file.name}: ${reply.message}`);
    return null;
  }
  const instrument = file.instruments[index];
  window.patchConverterTimings = {map: reply.milliseconds};
  return {
    file,
    index,
    blob: reply.blob,
    rows: withRows ? new MapRows(reply) : null,
    title: instrument ? instrument.name : capital(MERGED),
    fileName: instrument ? instrument.fileName : `${stem(file.name)}.vpm`,
  };
}

async function openMap(file, index) {
  const what = index >= 0 ? file.instruments[index].name : MERGED;
  const written = await whileBusy(`Writing the map of ${what}…`, () => writeMap(file, index));
  if (!written) {
    settle();
    return;
  }
  showMap(written);
  announce(`${byId('map-heading').textContent}: ${byId('map-summary').textContent}`);
  byId('map-heading').focus();
}

// Saves the map; the preview stays as it is (a map that is not shown needs
// no rows, and a large one has millions).
async function downloadMap(file, index) {
  const what = index >= 0 ? file.instruments[index].name : MERGED;
  const written =
      await whileBusy(`Writing the map of ${what}…`, () => writeMap(file, index, false));
  if (!written) return settle();
  save(written.blob, written.fileName);
  announce(`Saved ${written.fileName}.`);
}

function showMap(shown) {
  map = shown;
  mapSection.hidden = shown === null;
  if (shown === null) return;
  byId('map-heading').textContent = shown.title;
  const rows = shown.rows;
  const banks = rows.segments.length;
  byId('map-summary').textContent =
      `${plural(rows.count, 'patch', 'patches')} in ${plural(banks, 'bank')}, ` +
      `${formatSize(shown.blob.size)}, from ${shown.file.name}.`;
  downloadButton.textContent = `Download ${shown.fileName}`;
  searchBox.value = '';
  renderBankFilter(rows);
  applyFilter();
}

function renderBankFilter(rows) {
  bankFilter.replaceChildren(new Option('All banks', '-1'));
  const firstRow = new Map();
  for (let row = rows.count - 1; row >= 0; --row) firstRow.set(rows.segment(row), row);
  rows.segments.forEach((list, segment) => {
    if (!firstRow.has(segment)) return;
    const parts = bankParts(rows.value(firstRow.get(segment)));
    bankFilter.append(new Option(list ? `${parts}: ${list}` : parts, String(segment)));
  });
}

// Shows the rows that the search and the bank choice leave.
function applyFilter() {
  const shown = filterRows(map.rows, searchBox.value, Number(bankFilter.value));
  table.show(map.rows, shown);
  const count = shown ? shown.length : map.rows.count;
  byId('match-count').textContent = shown === null ?
      '' :
      `${plural(count, 'patch', 'patches')} of ${map.rows.count.toLocaleString('en')} shown.`;
  const names = shown ? shown.length : map.rows.count;
  byId('copy-names').textContent = `Copy the ${plural(names, 'name')} shown`;
  byId('copy-names').disabled = busy || names === 0;
}

function shownRows() {
  if (!map) return [];
  return filterRows(map.rows, searchBox.value, Number(bankFilter.value)) ||
      Uint32Array.from({length: map.rows.count}, (_, row) => row);
}

async function copy(text, what) {
  try {
    await navigator.clipboard.writeText(text);
  } catch {
    // Without the clipboard's permission: the older way, from a selection.
    const area = add(document.body, 'textarea', text, 'visually-hidden');
    area.select();
    document.execCommand('copy');
    area.remove();
  }
  announce(`Copied ${what}.`);
}

function updateZipButton() {
  const sources = files.filter(
      (file) => file.state === 'open' && file.instruments.some((instrument) => instrument.hasMap));
  zipButton.hidden = sources.length === 0;
  zipButton.disabled = busy;
  zipButton.textContent = `Download every instrument's map (${zipName(sources)})`;
}

const zipName = (sources) =>
    sources.length === 1 ? `${stem(sources[0].name)}.zip` : 'patch-maps.zip';

async function downloadZip() {
  const sources = files.filter(
      (file) => file.state === 'open' && file.instruments.some((instrument) => instrument.hasMap));
  const maps = sources.reduce(
      (sum, file) => sum + file.instruments.filter((instrument) => instrument.hasMap).length, 0);
  zipNotes.replaceChildren();
  const reply = await whileBusy('Making the zip…', async () => {
    statusText.dataset.file = '';
    const withMaps = (file) => file.instruments.filter((instrument) => instrument.hasMap);
    const zipped = sources.map(
        (file) => ({source: sourceOf(file), instruments: withMaps(file).map(({index}) => index)}));
    return request({type: 'zip', files: zipped, maps});
  });
  if (reply.type === 'failed') fail(reply.message);
  if (reply.type === 'cancelled') announce('Cancelled: no zip was made.');
  if (reply.type !== 'zip') return settle();
  save(reply.blob, zipName(sources));
  for (const {source, instrument, fileName} of reply.refused) {
    add(zipNotes, 'li',
        `${sources.length > 1 ? `${source}: ` : ''}${instrument} is left out: its file name ` +
            `${fileName} is one an earlier map has on a disk that ignores case; the zip keeps ` +
            'that one.');
  }
  announce(`Saved ${zipName(sources)}: ${plural(maps - reply.refused.length, 'map')}.`);
  settle();
}
