// The preview of a map: every row of it, as the writer told them, in a table
// that draws only the rows in sight, so that a map of millions of patches
// scrolls as one of ten; a search by name, program or bank, and a choice of
// bank, each filtering in one pass over the rows.

const ROW_FIELDS = 4;  // MSB * 128 + LSB, program, end of name, segment * 2 + inherited
const OVERSCAN = 12;   // rows drawn beyond those in sight, each way
const decoder = new TextDecoder();

// The rows of a map as the worker hands them over: numbers in one array, the
// shown names one after another in UTF-8.
class MapRows {
  constructor({rows, names, segments}) {
    this.rows = rows;
    this.names = names;
    this.segments = segments;
    this.count = rows.length / ROW_FIELDS;
    this.text = null;  // for searching, made when first asked
  }
  value(row) { return this.rows[row * ROW_FIELDS]; }
  program(row) { return this.rows[row * ROW_FIELDS + 1]; }
  segment(row) { return this.rows[row * ROW_FIELDS + 3] >> 1; }
  inherited(row) { return (this.rows[row * ROW_FIELDS + 3] & 1) === 1; }
  nameStart(row) { return row === 0 ? 0 : this.rows[row * ROW_FIELDS - 2]; }
  name(row) {
    return decoder.decode(
        this.names.subarray(this.nameStart(row), this.rows[row * ROW_FIELDS + 2]));
  }
  list(row) { return this.segments[this.segment(row)] || ''; }

  // All names in lower case as one string, with where each row's name ends
  // in it (in UTF-16 units): one search is one pass of indexOf.
  searchText() {
    if (this.text) return this.text;
    const ends = new Uint32Array(this.count);
    let units = 0;
    for (let row = 0, at = 0; row < this.count; ++row) {
      for (const end = this.rows[row * ROW_FIELDS + 2]; at < end; ++at) {
        const byte = this.names[at];
        if ((byte & 0xC0) !== 0x80) units += byte >= 0xF0 ? 2 : 1;
      }
      ends[row] = units;
    }
    const joined = decoder.decode(this.names);
    const lower = joined.toLowerCase();
    // Lower case that changes a text's length would shift the ends.
    const whole = lower.length === joined.length && joined.length === units;
    this.text = {ends, all: whole ? lower : null};
    return this.text;
  }
}

// What a search asks: names holding the words, and a program or a bank when
// it is a number ("12") or two ("0/1", "0.1", "0 1").
function parseQuery(query) {
  const text = query.trim().toLowerCase();
  const number = /^\d{1,5}$/.test(text) ? Number(text) : null;
  const pair = /^(\d{1,3})\s*[/. ]\s*(\d{1,3})$/.exec(text);
  return {text, number, bank: pair ? Number(pair[1]) * 128 + Number(pair[2]) : null};
}

// The rows whose names hold `text`, as a mark per row.
function markNames(map, text, marks) {
  const {ends, all} = map.searchText();
  if (all === null) {
    for (let row = 0; row < map.count; ++row) {
      if (map.name(row).toLowerCase().includes(text)) marks[row] = 1;
    }
    return;
  }
  let row = 0;
  for (let at = all.indexOf(text); at !== -1;) {
    row = firstEndingAtOrAfter(ends, row, at + text.length);
    const start = row === 0 ? 0 : ends[row - 1];
    if (start <= at) marks[row] = 1;  // else it runs across two names
    at = all.indexOf(text, start <= at ? ends[row] : at + 1);
  }
}

// The first row from `low` whose name ends at or after `unit`.
function firstEndingAtOrAfter(ends, low, unit) {
  let high = ends.length - 1;
  while (low < high) {
    const middle = (low + high) >> 1;
    if (ends[middle] < unit) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

// The rows to show for a query and a bank (a segment, or -1 for all): their
// numbers, or null for every row.
function filterRows(map, query, segment) {
  const {text, number, bank} = parseQuery(query);
  if (text === '' && segment < 0) return null;
  const marks = new Uint8Array(map.count);
  if (text !== '') markNames(map, text, marks);
  const lists = map.segments.map((list) => text !== '' && list.toLowerCase().includes(text));
  const shown = [];
  for (let row = 0; row < map.count; ++row) {
    if (segment >= 0 && map.segment(row) !== segment) continue;
    if (text === '' || marks[row] === 1 || lists[map.segment(row)] || map.program(row) === number ||
        map.value(row) === bank) {
      shown.push(row);
    }
  }
  return Uint32Array.from(shown);
}

// The table that draws the rows in sight of its scrolling frame.
class VirtualTable {
  constructor(frame, table) {
    this.frame = frame;
    this.table = table;
    this.body = table.tBodies[0];
    this.map = null;
    this.shown = null;
    this.rowHeight = 0;
    this.drawn = '';
    this.pending = false;
    frame.addEventListener('scroll', () => this.schedule());
    window.addEventListener('resize', () => {
      this.rowHeight = 0;
      this.schedule();
    });
  }
  get size() { return this.shown ? this.shown.length : this.map ? this.map.count : 0; }
  rowAt(index) { return this.shown ? this.shown[index] : index; }

  show(map, shown) {
    this.map = map;
    this.shown = shown;
    this.table.setAttribute('aria-rowcount', String(this.size + 1));
    this.frame.scrollTop = 0;
    this.drawn = '';
    this.draw();
  }
  schedule() {
    if (this.pending) return;
    this.pending = true;
    requestAnimationFrame(() => {
      this.pending = false;
      this.draw();
    });
  }

  // Draws the rows in sight with spacers for those above and below.
  draw() {
    if (!this.map) return;
    if (this.rowHeight === 0) this.measure();
    const height = this.rowHeight;
    const first = Math.max(0, Math.floor(this.frame.scrollTop / height) - OVERSCAN);
    const last = Math.min(
        this.size, Math.ceil((this.frame.scrollTop + this.frame.clientHeight) / height) + OVERSCAN);
    const key = `${first}:${last}`;
    if (key === this.drawn) return;
    this.drawn = key;
    const rows = [spacer(first * height)];
    for (let index = first; index < last; ++index) rows.push(this.row(index));
    rows.push(spacer((this.size - last) * height));
    this.body.replaceChildren(...rows);
  }
  // The height of a row, from one drawn alone: what was drawn is gone.
  measure() {
    this.body.replaceChildren(this.row(0));
    this.rowHeight = Math.max(1, this.body.rows[0].getBoundingClientRect().height);
    this.drawn = '';
  }

  row(index) {
    const {map} = this;
    const tr = document.createElement('tr');
    tr.setAttribute('aria-rowindex', String(index + 2));
    if (index >= this.size) return tr;
    const row = this.rowAt(index);
    const value = map.value(row);
    const name = map.name(row);
    cell(tr, `${value >> 7} / ${value & 127}`, 'bank');
    cell(tr, String(map.program(row)), 'program');
    const nameCell = cell(tr, '', 'name');
    nameCell.title = name;
    cell(nameCell, name, 'name-text', 'span');
    const list = map.list(row);
    const listCell = cell(tr, list, 'list');
    const fold = cell(nameCell, list, 'fold', 'span');
    if (map.inherited(row)) {
      for (const where of [listCell, fold]) {
        where.append(' ');
        cell(where, 'inherited', 'inherited', 'span');
      }
    }
    return tr;
  }
}

function cell(parent, text, className, tag = 'td') {
  const element = document.createElement(tag);
  element.className = className;
  element.textContent = text;
  parent.append(element);
  return element;
}

function spacer(height) {
  const tr = document.createElement('tr');
  tr.className = 'spacer';
  tr.setAttribute('aria-hidden', 'true');
  const td = document.createElement('td');
  td.colSpan = 4;
  td.style.height = `${height}px`;
  tr.append(td);
  return tr;
}

// The rows as text for the clipboard: a bank's names one a line, or the map
// as tab-separated columns that a spreadsheet takes.
function rowsAsText(map, rows, namesOnly) {
  const lines = namesOnly ? [] : ['MSB\tLSB\tProgram\tName\tList'];
  for (let index = 0; index < rows.length; ++index) {
    const row = rows[index];
    const value = map.value(row);
    lines.push(namesOnly ? map.name(row) : [
      value >> 7, value & 127, map.program(row), map.name(row), map.list(row)
    ].join('\t'));
  }
  return `${lines.join('\n')}\n`;
}
