// The page's picture for the README, with a file open:
//
//   node screenshot.mjs --page HTML --source INS --output PNG
import {PageSession} from './browser.mjs';

const options = {};
for (let i = 2; i + 1 < process.argv.length; i += 2)
  options[process.argv[i].slice(2)] = process.argv[i + 1];
const session = await PageSession.open(options.page, {width: 1100, height: 900});
try {
  if (await session.choose(options.source) !== 'ready')
    throw new Error(`${options.source} did not convert`);
  await session.page.screenshot({path: options.output, fullPage: true});
  console.log(`Saved ${options.output}`);
} finally {
  await session.close();
}
