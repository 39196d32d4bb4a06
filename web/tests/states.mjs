// The page's states as a musician meets them, each brought about on a page
// loaded afresh: for axe-core in the tests and for the screenshots. The files
// they open are written into a folder of the caller's (makeFixtures).
import fs from 'node:fs';
import path from 'node:path';

const crlf = (lines) => `${lines.join('\r\n')}\r\n`;

// One instrument of long names (the phone's narrow name column), a file
// whose zip takes seconds, and one that cannot be read.
export function makeFixtures(folder, examples) {
  const words = [
    'Tonewheel Organ', 'Concert Grand Piano', 'Warm Analogue Strings', 'Fingerstyle Electric Bass',
    'Shimmering Choir Pad', 'Percussive Marimba'
  ];
  const names =
      Array.from({length: 128}, (_, program) => `${program}=${words[program % 6]} ${program}`);
  fs.writeFileSync(
      path.join(folder, 'Halvorn Stage 88.ins'), crlf([
        '.Patch Names', '[Stage Sounds]', ...names, '[Stage Extras]', ...names.slice(0, 40),
        '.Instrument Definitions', '[Halvorn Stage 88 Professional]', 'BankSelMethod=0',
        'Patch[0]=Stage Sounds', 'Patch[1]=Stage Extras'
      ]));
  const many = ['.Patch Names', '[Shared Sounds]', ...names, '.Instrument Definitions'];
  for (let i = 0; i < 4000; ++i) many.push(`[Rack Unit ${i}]`, 'Patch[0]=Shared Sounds');
  fs.writeFileSync(path.join(folder, 'Rack of 4000.ins'), crlf(many));
  fs.writeFileSync(path.join(folder, 'empty.ins'), '');
  return {
    one: path.join(folder, 'Halvorn Stage 88.ins'),
    several: path.join(examples, 'workstation.ins'),
    many: path.join(folder, 'Rack of 4000.ins'),
    empty: path.join(folder, 'empty.ins'),
  };
}

async function waitFor(session, condition, argument) {
  await session.page.waitForFunction(condition, {timeout: 120000, polling: 10}, argument);
}

// Each state: a name and how to reach it from a fresh page.
export const STATES = [
  ['empty', async () => {}],
  ['one-instrument', async (session, files) => session.choose(files.one)],
  ['several-instruments', async (session, files) => session.choose(files.several)],
  [
    'finding',
    async (session, files) => {
      await session.choose(files.several);
      await session.page.click('#findings .finding-actions button');
      await session.settled();
      await session.page.$eval('#findings', (list) => list.scrollIntoView());
    }
  ],
  [
    'search',
    async (session, files) => {
      await session.choose(files.one);
      await session.page.type('#search', 'organ');
      await waitFor(session, () => document.getElementById('match-count').textContent !== '');
    }
  ],
  [
    'zip-running',
    async (session, files) => {
      await session.choose(files.many);
      await session.page.click('#download-all');
      await waitFor(
          session, () => /zipping instrument/.test(document.getElementById('status').textContent));
    }
  ],
  ['error', async (session, files) => session.choose(files.empty)],
];

// Brings a fresh page into the state named `name`.
export async function reach(session, files, name) {
  await session.page.goto(session.url);
  await STATES.find(([state]) => state === name)[1](session, files);
}
