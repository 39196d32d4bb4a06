// What the page answers: the file input, drops anywhere on the page, the
// example it carries, and the map's controls.

input.addEventListener('change', () => choose([...input.files].map((file) => ({file}))));
cancelButton.addEventListener('click', cancel);
zipButton.addEventListener('click', downloadZip);
downloadButton.addEventListener('click', () => map && downloadMap(map.file, map.index));
searchBox.addEventListener('input', () => map && applyFilter());
bankFilter.addEventListener('change', () => map && applyFilter());
instrumentFilter.addEventListener('input', () => shownFile && renderCards());
byId('copy-map').addEventListener('click', () => {
  if (!map) return;
  const all = Uint32Array.from({length: map.rows.count}, (_, row) => row);
  copy(rowsAsText(map.rows, all, false), `the map of ${map.title}`);
});
byId('copy-names').addEventListener('click', () => {
  const rows = shownRows();
  copy(rowsAsText(map.rows, rows, true), plural(rows.length, 'name'));
});

byId('example').addEventListener('click', () => {
  const example = byId('example-file');
  const bytes = base64Bytes(example.textContent);
  choose([{file: new File([bytes], example.dataset.name)}]);
});

// Files dropped anywhere on the page; a folder is read as a file and refused
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
  choose(dropped(event));
});

startWorker();
settle();
