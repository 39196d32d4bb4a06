// An open file: its instruments as the choice to make, each a card with its
// banks in words and its own Download; an instrument definition's merged map,
// labelled for what it is; and what the file holds that the maps leave out or
// change, each finding with the action it calls for.

const instrumentFilter = byId('instrument-filter');
const instrumentCount = byId('instrument-count');
const cardList = byId('instruments');
const findingList = byId('findings');

// Shows the file; `first` also opens the map a file of one instrument (or of
// none, whose map is the merged one) goes straight to.
async function showFile(file, first) {
  shownFile = file;
  renderFiles();
  fileSection.hidden = false;
  byId('file-heading').textContent = file.name;
  byId('file-format').textContent = capital(`${FORMAT_WORDS[file.format]}: ${openSummary(file)}.`);
  instrumentFilter.value = '';
  const many = file.instruments.length > CARDS;
  byId('instrument-search').hidden = !many;
  renderCards();
  renderMerged(file);
  renderFindings(file);
  if (!first) {
    byId('file-heading').focus();
    return;
  }
  const withMaps = file.instruments.filter((instrument) => instrument.hasMap);
  if (file.instruments.length === 0)
    await openMap(file, -1);
  else if (withMaps.length === 1 && file.instruments.length === 1)
    await openMap(file, withMaps[0].index);
}

function renderCards() {
  const file = shownFile;
  const wanted = instrumentFilter.value.trim().toLowerCase();
  const matching = wanted === '' ?
      file.instruments :
      file.instruments.filter((instrument) => instrument.name.toLowerCase().includes(wanted));
  cardList.replaceChildren();
  for (const instrument of matching.slice(0, CARDS)) renderCard(file, instrument);
  byId('instruments-heading').hidden = file.instruments.length === 0;
  instrumentCount.textContent = matching.length > CARDS ?
      `Showing ${CARDS} of ${plural(matching.length, 'instrument')}: type to find the others.` :
      file.instruments.length > CARDS ? `${plural(matching.length, 'instrument')} found.` :
                                        '';
}

function renderCard(file, instrument) {
  const card = add(cardList, 'li', undefined, 'instrument');
  add(card, 'h4', instrument.name, 'instrument-name');
  if (instrument.method >= 0) add(card, 'p', capital(methodWords(instrument.method)), 'method');
  const counts = `${plural(instrument.banks.length, 'bank')}, ` +
      `${plural(instrument.patches, 'patch', 'patches')} in its map`;
  add(card, 'p', instrument.hasMap ? counts : 'No bank: it has no map to make.', 'counts');
  renderBanks(card, instrument);
  if (!instrument.hasMap) return;
  const actions = add(card, 'div', undefined, 'buttons');
  button(actions, 'Show the map', () => openMap(file, instrument.index), 'secondary show');
  button(
      actions, `Download ${instrument.fileName}`, () => downloadMap(file, instrument.index),
      'download-one');
}

function renderBanks(card, instrument) {
  if (instrument.banks.length === 0) return;
  let parent = card;
  if (instrument.banks.length > FOLDED_BANKS) {
    parent = add(card, 'details', undefined, 'all-banks');
    add(parent, 'summary', `The ${plural(instrument.banks.length, 'bank')}`);
  }
  const list = add(parent, 'ul', undefined, 'banks');
  for (const bank of instrument.banks) {
    const {title, about} = bankWords(bank);
    const item = add(list, 'li', undefined, 'bank');
    add(item, 'span', title, 'bank-title');
    add(item, 'span', about, 'bank-about');
  }
}

function renderMerged(file) {
  const merged = byId('merged');
  merged.hidden = file.format !== PROTOCOL.SourceFormat.instrumentDefinition;
  const actions = byId('merged-actions');
  actions.replaceChildren();
  if (merged.hidden) return;
  button(actions, 'Show the map', () => openMap(file, -1), 'secondary show');
  button(actions, `Download ${stem(file.name)}.vpm`, () => downloadMap(file, -1), 'download-one');
}

function renderFindings(file) {
  findingList.replaceChildren();
  byId('findings-summary').textContent = file.findings.length === 0 ?
      'Nothing to report: every map holds what the file says.' :
      `${plural(file.findings.length, 'finding')}:`;
  for (const finding of file.findings) {
    const item = add(findingList, 'li', undefined, 'finding');
    add(item, 'span', findingWhere(finding), 'finding-where');
    add(item, 'span', FINDING_WORDS[finding.kind](finding.values), 'finding-text');
    renderFindingActions(file, finding, item);
  }
}

// What a finding calls for, as buttons: the map that holds what the merged
// map leaves out, or the instruments to choose from.
function renderFindingActions(file, finding, item) {
  const instruments = [];
  if (finding.instrument >= 0) instruments.push(file.instruments[finding.instrument]);
  if (finding.kind === 'merged') {
    instruments.push(...file.instruments.filter((instrument) => instrument.hasMap).slice(0, 3));
  }
  if (instruments.length === 0) return;
  const actions = add(item, 'div', undefined, 'buttons finding-actions');
  for (const instrument of instruments) {
    button(
        actions, `Show the map of ${instrument.name}`, () => openMap(file, instrument.index),
        'secondary small');
  }
  const others = file.instruments.filter((instrument) => instrument.hasMap).length - 3;
  if (finding.kind === 'merged' && others > 0) {
    button(
        actions, `Choose among all ${file.instruments.length}`, () => cardList.scrollIntoView(),
        'secondary small');
  }
}
