// The page's words: how it speaks to a musician of banks, bank-select
// methods, lists and what the core found in a file. The command line keeps
// its own words (core/findings.cpp); here each kind of finding is worded
// from its kind and values, and build_page.py checks that FINDING_WORDS has
// one entry for every FindingKind of the core, and no other.

const plural = (count, one, many = `${one}s`) =>
    `${count.toLocaleString('en')} ${count === 1 ? one : many}`;

const FORMAT_WORDS = ['an instrument definition', 'a MIDNAM document', 'a REAPER bank file'];

// What the .ins file's BankSelMethod means for the banks of the map.
function methodWords(method) {
  switch (Number(method)) {
    case 0:
      return 'bank select by MSB and LSB (controllers 0 and 32)';
    case 1:
      return 'bank select by MSB only (controller 0)';
    case 2:
      return 'bank select by LSB only (controller 32)';
    case 3:
      return 'patch select (the bank number as it stands)';
    default:
      return `bank-select method ${method}, which the map takes as MSB 0 / LSB 0 for every bank`;
  }
}

// MSB * 128 + LSB as the map holds it.
const bankParts = (value) => `MSB ${value >> 7} / LSB ${value & 127}`;
// A bank as the map writer names it, "H.L", in words.
const bankPartsOfText = (text) => {
  const [msb, lsb] = text.split('.').map(Number);
  return Number.isInteger(msb) && Number.isInteger(lsb) ? bankParts(msb * 128 + lsb) : text;
};

// An instrument definition's bank: its number, or the list for other banks.
function definitionBankTitle(bank) {
  if (!bank.forOtherBanks) return `Bank ${bank.number}`;
  return bank.inMap ? 'Every other bank (bank 0 in the map)' :
                      'Every other bank (not in the map: another bank is bank 0)';
}

function definitionBankAbout(bank) {
  if (bank.listKind === PROTOCOL.ListKind.missing) {
    return `the list "${bank.list}", which the file does not have: no patches`;
  }
  if (bank.listKind === PROTOCOL.ListKind.builtIn) {
    return `the built-in list "${bank.list}": programs named by their numbers`;
  }
  const about = `the list "${bank.list}", ${plural(bank.patches, 'patch', 'patches')}`;
  if (!bank.base) return about;
  return `${about}: ${bank.own} of its own, the others inherited from "${bank.base}"`;
}

function documentBankAbout(bank) {
  let about = plural(bank.patches, 'patch', 'patches');
  if (bank.list) about += ` from the list "${bank.list}"`;
  if (bank.leftOut > 0) about += `, ${bank.leftOut} left out (see what the file holds)`;
  return about;
}

// A bank's line in an instrument's card: its title, its MSB and LSB, its list.
function bankWords(bank) {
  const title = bank.name !== undefined ? `Bank "${bank.name}"` : definitionBankTitle(bank);
  const parts = bank.inMap && bank.value >= 0 ? ` · ${bankParts(bank.value)}` : '';
  const about = bank.name !== undefined ? documentBankAbout(bank) : definitionBankAbout(bank);
  return {title: title + parts, about};
}

const MERGED = 'the Windows program\'s merged map';
const capital = (text) => text.charAt(0).toUpperCase() + text.slice(1);

// Each kind of finding in the page's words, from its values.
const FINDING_WORDS = {
  noBank: () => 'The file declares no bank, so there is no map to make.',
  merged: ([count]) => `${count} instruments are merged into ${MERGED}, where one program of ` +
      'a bank can name patches of two of them. Each instrument\'s own map keeps them apart.',
  emptyDeviceName: () =>
      `${capital(MERGED)} has no device name: the file has no heading in brackets.`,
  deviceNotInstrument: ([name]) =>
      `${capital(MERGED)} is named "${
          name}" after this heading, the last of the file, which is no ` +
      'instrument.',
  missingList: ([bank, list]) =>
      `Bank ${bank} takes the list "${list}", which the file does not have: it stays empty.`,
  sharedList: ([bank, list]) => `Bank ${bank} takes the list "${list}", as an earlier bank does: ` +
      `in ${MERGED} only that one gets its patches; the instrument's map gives ` +
      'them to both.',
  builtInList: ([bank, list, count]) =>
      `Bank ${bank} takes the built-in list "${list}": ${MERGED} leaves it ` +
      `empty; the instrument's map names its ${count} programs.`,
  inheritedList: ([bank, list, base, own, count]) =>
      `Bank ${bank} takes the list "${list}", which builds on "${base}": in ` +
      `${MERGED} it holds only its own ${own} of the ${count} patches; the ` +
      'instrument\'s map holds them all.',
  strayPatch: ([key, value, header, program, name]) =>
      `The line "${key}=${value}" under the heading "${header}" becomes a patch at program ` +
      `${program} named "${name}".`,
  cutName: ([name]) => `This patch name is longer than 131 bytes; the map keeps "${name}".`,
  splitLine: () => 'This line is longer than 299 bytes: the Windows program reads the rest as a ' +
      'line of its own.',
  programRange: ([program]) => `Program ${program} is outside 0–127, which MIDI can select.`,
  bankRange: ([bank, method, value]) => `Bank ${bank} with ${methodWords(method)} gives the ` +
      `bank value ${value}, more than MSB and LSB hold (0–16383).`,
  nameControlByte: ([byte]) => `This patch name holds the control character ${byte}, which ` +
      'makes the map unreadable as XML.',
  deviceControlByte: ([byte]) => `The device name holds the control character ${byte}, which ` +
      'makes the map unreadable as XML.',
  listNotFound: ([instrument, bank, list]) => `${instrument}: bank "${bank}" uses the list ` +
      `"${list}", which the file does not have: it has no patches.`,
  bankSelectedOtherwise: ([instrument, bank, count]) =>
      `${instrument}: bank "${bank}" is selected by a program change or SysEx, which a patch ` +
      `map cannot hold: ${plural(Number(count), 'patch', 'patches')} left out.`,
  bankValue: ([instrument, name, part, value]) => `${instrument}: patch "${name}" selects the ` +
      `bank's ${part} with "${value}", which is no number 0–127: it is left out.`,
  noProgram: ([instrument, name]) =>
      `${instrument}: patch "${name}" has no program 0–127: it is left out.`,
  samePatchPlace: ([instrument, name, bank, program]) =>
      `${instrument}: patch "${name}" is at ${bankPartsOfText(bank)}, program ${program}, ` +
      'where an earlier patch is: it is left out.',
  notInWindows1252: ([name]) => `The name "${name}" holds characters that a map cannot ` +
      '(maps are Windows-1252 text): each is written as "?".',
  badBankLine: ([line]) =>
      `"${line}" selects no bank of two numbers 0–127: its programs are left out.`,
  programBeforeBank: ([program]) => `Program ${program} comes before any bank: it is left out.`,
  programOutOfRange: ([program]) => `Program ${program} is outside 0–127: it is left out.`,
  moreLikeThis: ([count]) => `… and ${Number(count).toLocaleString('en')} more like this one.`,
};

const findingWhere = (finding) => (finding.line > 0 ? `Line ${finding.line}` : 'The whole file');
