// Debian's Chromium, headless, driven by puppeteer-core: the page opened from
// disk, its real file input and its real downloads. Shared by the page's
// tests, its benchmark and its screenshot.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

// Windows-1252 as browsers decode it (node's own decoder may take it for
// Latin-1): Latin-1 but for 0x80-0x9F.
const HIGH = '€\x81‚ƒ„…†‡ˆ‰Š‹Œ\x8dŽ\x8f\x90‘’“”•–—˜™š›œ\x9džŸ';
export const windows1252 = {
  decode: (bytes) => Buffer.from(bytes).toString('latin1').replace(
      /[\x80-\x9f]/g, (c) => HIGH[c.charCodeAt(0) - 0x80]),
};
const strictUtf8 = new TextDecoder('utf-8', {fatal: true});

// Bytes as the page and patchconv show them: control bytes as \xHH.
export function shown(bytes) {
  return windows1252.decode(bytes).replace(
      /[\x00-\x1f\x7f]/g, (c) => '\\x' + c.charCodeAt(0).toString(16).padStart(2, '0'));
}

// A file name's bytes as the page names its downloads and zip entries.
export function fileName(bytes) {
  try {
    return strictUtf8.decode(bytes);
  } catch {
    return windows1252.decode(bytes);
  }
}

// Windows-1252 text back to its bytes: the page's menu holds names so decoded.
const byteOf = new Map();
for (let byte = 0; byte < 256; ++byte) byteOf.set(windows1252.decode(Uint8Array.of(byte)), byte);
export function windows1252Bytes(text) { return Buffer.from([...text].map((c) => byteOf.get(c))); }

export class PageSession {
  static async open(pagePath, {width = 1000, height = 800} = {}) {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'patch-converter-chromium-'));
    const browser = await puppeteer.launch({
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
      headless: true,
      userDataDir: profile,
      args: [
        '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync',
        '--disable-dev-shm-usage'
      ],
    });
    const session = new PageSession(browser, profile);
    await session.start(pagePath, width, height);
    return session;
  }

  constructor(browser, profile) {
    this.browser = browser;
    this.profile = profile;
    this.downloads = path.join(profile, 'downloads');
    this.requests = [];  // any that leave the page
    this.errors = [];    // console errors, page errors, failed requests
    this.dialogs = [];
    this.pending = new Map();  // downloads by guid
    this.starts = [];          // when the last downloads were asked for
  }

  async start(pagePath, width, height) {
    this.url = 'file://' + path.resolve(pagePath);
    fs.mkdirSync(this.downloads);
    const cdp = await this.browser.target().createCDPSession();
    await cdp.send(
        'Browser.setDownloadBehavior',
        {behavior: 'allowAndName', downloadPath: this.downloads, eventsEnabled: true});
    cdp.on('Browser.downloadWillBegin', ({guid, suggestedFilename}) => {
      this.pending.get('next')?.begin(guid, suggestedFilename);
    });
    cdp.on('Browser.downloadProgress', ({guid, state}) => {
      if (state === 'completed' || state === 'canceled') this.pending.get(guid)?.end(state);
    });
    this.page = await this.browser.newPage();
    await this.page.setViewport({width, height});
    this.page.on('request', (request) => {
      const url = request.url();
      if (url !== this.url && !url.startsWith('blob:')) this.requests.push(url);
    });
    this.page.on(
        'requestfailed', (request) => this.errors.push(`request failed: ${request.url()}`));
    this.page.on('console', (message) => {
      if (message.type() === 'error') this.errors.push(`console: ${message.text()}`);
    });
    this.page.on('pageerror', (error) => this.errors.push(`page error: ${error.message}`));
    this.page.on('dialog', async (dialog) => {
      this.dialogs.push(dialog.message());
      await dialog.dismiss();
    });
    await this.page.goto(this.url);
  }

  async close() {
    await this.browser.close();
    fs.rmSync(this.profile, {recursive: true, force: true});
  }

  // Waits until the page has finished with what it was asked.
  async settled(timeout = 120000) {
    await this.page.waitForFunction(
        () => ['ready', 'failed'].includes(document.body.dataset.state), {timeout, polling: 20});
    return this.page.evaluate(() => document.body.dataset.state);
  }

  // Chooses files through the page's file input, as a hand does: the input
  // is not cleared first, so choosing the same file again relies on the page.
  async choose(files, timeout) {
    const input = await this.page.$('#source');
    await input.uploadFile(...[files].flat());
    return this.settled(timeout);
  }

  // Does what starts a download (a click, a key) and returns the file.
  async download(action, what, timeout = 120000) {
    // Chromium drops a frame's download that follows ten others within a
    // second; no hand clicks that fast, a test does.
    const now = Date.now();
    const tenthLast = this.starts.at(-10);
    if (tenthLast !== undefined && now - tenthLast < 1100) {
      await new Promise((resolve) => setTimeout(resolve, 1100 - (now - tenthLast)));
    }
    this.starts = [...this.starts.slice(-9), Date.now()];
    const done = new Promise((resolve, reject) => {
      const timer = setTimeout(() => reject(new Error(`no download came for ${what}`)), timeout);
      this.pending.set('next', {
        begin: (guid, name) => {
          this.pending.delete('next');
          this.pending.set(guid, {
            end: (state) => {
              clearTimeout(timer);
              this.pending.delete(guid);
              if (state !== 'completed') return reject(new Error(`download ${state}`));
              const file = path.join(this.downloads, guid);
              const bytes = fs.readFileSync(file);
              fs.rmSync(file);
              resolve({name, bytes});
            },
          });
        },
      });
    });
    await action();
    return done;
  }
}
