import {unzipSync} from 'fflate';
import fs from 'node:fs';

import {PageSession} from './browser.mjs';

const [page, file, each] = process.argv.slice(2);
const s = await PageSession.open(page, {width: 1100, height: 900});
let t = Date.now();
await (await s.page.$('#source')).uploadFile(file);
console.log(
    await s.settled(600000), 'open', Date.now() - t, 'ms',
    await s.page.evaluate(() => JSON.stringify(window.patchConverterTimings)));
t = Date.now();
const zip = await s.download(() => s.page.click('#download-all'), 'zip', 600000);
console.log(
    await s.settled(600000), 'zip', Date.now() - t, 'ms', zip.bytes.length,
    await s.page.evaluate(() => document.getElementById('message').textContent));
if (each) {
  const entries = unzipSync(new Uint8Array(zip.bytes));
  const names = fs.readdirSync(each);
  let same = 0;
  for (const n of names)
    if (entries[n] && Buffer.from(entries[n]).equals(fs.readFileSync(`${each}/${n}`))) same++;
  console.log('entries', Object.keys(entries).length, 'files', names.length, 'same', same);
}
console.log(s.errors.join('\n'));
await s.close();
