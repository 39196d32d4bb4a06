// The page's pictures, one for each state a musician meets, light and dark,
// on a desktop (1280x800) and a phone (390x844):
//
//   node screenshot.mjs --page HTML --examples DIR --output FOLDER
//
// writes FOLDER/web-STATE-SCHEME-SIZE.png.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import {PageSession} from './browser.mjs';
import {makeFixtures, reach, STATES} from './states.mjs';

const options = {};
for (let i = 2; i + 1 < process.argv.length; i += 2)
  options[process.argv[i].slice(2)] = process.argv[i + 1];
const SIZES = [['desktop', 1280, 800], ['phone', 390, 844]];

const fixtures = fs.mkdtempSync(path.join(os.tmpdir(), 'patch-converter-pictures-'));
const files = makeFixtures(fixtures, options.examples);
const session = await PageSession.open(options.page);
try {
  for (const [size, width, height] of SIZES) {
    await session.page.setViewport({width, height});
    for (const scheme of ['light', 'dark']) {
      await session.page.emulateMediaFeatures([{name: 'prefers-color-scheme', value: scheme}]);
      for (const [state] of STATES) {
        await reach(session, files, state);
        const output = path.join(options.output, `web-${state}-${scheme}-${size}.png`);
        // The zip's progress stands at the top, above thousands of cards.
        await session.page.screenshot({path: output, fullPage: state !== 'zip-running'});
        console.log(`Saved ${output}`);
      }
    }
  }
} finally {
  await session.close();
  fs.rmSync(fixtures, {recursive: true, force: true});
}
