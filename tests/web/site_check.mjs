// Opens every page of exported sites in Debian's chromium, from file://, at a tablet's and a
// laptop's size, and fails on what a visitor would meet: a console error, a request that
// failed, a picture or the video that does not decode, a day link that leads nowhere, a memo
// whose markup ran. Screenshots of the pages named go to the output folder.
// Usage: node site_check.mjs OUT_DIR SITE_DIR... (env MEMO_DAY=day-YYYYMMDD.html, SCRIPT_MEMO_TEXT)
import puppeteer from 'puppeteer-core';
import fs from 'node:fs';
import path from 'node:path';

const [outDir, ...sites] = process.argv.slice(2);
const viewports = [{ width: 768, height: 1024 }, { width: 1366, height: 768 }];
const failures = [];
const fail = (page, what) => failures.push(`${page}: ${what}`);

const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  userDataDir: fs.mkdtempSync(path.join(outDir, 'profile-')),
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--allow-file-access-from-files'],
});

const pagesOf = (dir) => fs.readdirSync(dir, { recursive: true }).filter((f) => f.endsWith('.html')).sort();
let checked = 0;
try {
  const page = await browser.newPage();
  let errors = [];
  page.on('console', (m) => { if (m.type() === 'error') errors.push(`console: ${m.text()}`); });
  page.on('pageerror', (e) => errors.push(`script: ${e.message}`));
  page.on('requestfailed', (r) => errors.push(`request failed: ${r.url()} ${r.failure()?.errorText}`));
  for (const viewport of viewports) {
    await page.setViewport(viewport);
    const size = `${viewport.width}x${viewport.height}`;
    for (const site of sites) {
      for (const file of pagesOf(site)) {
        const name = `${path.basename(site)}/${file} @${size}`;
        errors = [];
        const url = 'file://' + path.resolve(site, file);
        await page.goto(url, { waitUntil: 'load' });
        const report = await page.evaluate(async () => {
          const out = { images: [], video: null, links: [], absolute: [], scripts: document.scripts.length };
          for (const img of document.images) {
            if (!img.complete) await new Promise((r) => { img.onload = img.onerror = r; });
            out.images.push({ src: img.getAttribute('src'), width: img.naturalWidth, alt: img.alt });
          }
          const video = document.querySelector('video');
          if (video) {
            if (video.readyState < 1)
              await new Promise((r) => { video.onloadedmetadata = video.onerror = r; });
            out.video = { width: video.videoWidth, frame: Number(video.getAttribute('width')), error: !!video.error };
          }
          for (const a of document.querySelectorAll('a[href]')) out.links.push(a.getAttribute('href'));
          for (const e of document.querySelectorAll('[src],[href]')) {
            const v = e.getAttribute('src') ?? e.getAttribute('href');
            if (/^(\/|[a-z]+:)/i.test(v)) out.absolute.push(v);
          }
          out.wide = document.documentElement.scrollWidth > window.innerWidth + 1;
          out.lang = document.documentElement.lang;
          return out;
        });
        ++checked;
        for (const e of errors) fail(name, e);
        if (report.lang !== 'ja') fail(name, `lang is "${report.lang}"`);
        if (report.scripts !== 0) fail(name, `${report.scripts} script elements`);
        if (report.wide) fail(name, 'wider than the window');
        for (const a of report.absolute) fail(name, `absolute link ${a}`);
        for (const img of report.images) {
          if (img.width <= 0) fail(name, `picture ${img.src} does not decode`);
          if (!img.alt) fail(name, `picture ${img.src} has no alt text`);
        }
        if (report.video && (report.video.error || report.video.width !== report.video.frame))
          fail(name, `video: ${JSON.stringify(report.video)}`);
        // Every link leads to a file of the site (the fragment aside).
        for (const href of report.links) {
          const target = path.resolve(path.dirname(path.resolve(site, file)), decodeURIComponent(href.split('#')[0]));
          if (!fs.existsSync(target)) fail(name, `link ${href} leads nowhere`);
        }
      }
    }
  }

  // Following the day links: the next day's page, then back by its previous-day link.
  const site = sites[0];
  await page.setViewport(viewports[0]);
  const days = pagesOf(site).filter((f) => f.startsWith('day-'));
  await page.goto('file://' + path.resolve(site, days[0]));
  await Promise.all([page.waitForNavigation(), page.click('nav a[href="' + days[1] + '"]')]);
  if (!page.url().endsWith(days[1])) fail('day links', `next day led to ${page.url()}`);
  await Promise.all([page.waitForNavigation(), page.click('nav a[href="' + days[0] + '"]')]);
  if (!page.url().endsWith(days[0])) fail('day links', `previous day led to ${page.url()}`);

  // The memo that holds markup shows it as its text, and nothing of it ran.
  const memoDay = process.env.MEMO_DAY;
  if (memoDay) {
    await page.goto('file://' + path.resolve(site, memoDay));
    const memo = await page.evaluate(() => ({
      text: document.querySelector('.memo p')?.textContent ?? '',
      ran: window.memoRan === true,
      elements: document.querySelectorAll('.memo script, .memo b').length,
    }));
    if (!memo.text.includes(process.env.SCRIPT_MEMO_TEXT) || memo.ran || memo.elements)
      fail(memoDay, `memo shown as ${JSON.stringify(memo)}`);
  }

  // Screenshots: the index and a day of the notebook, the class page, at both sizes.
  for (const viewport of viewports) {
    await page.setViewport(viewport);
    const shots = [[site, 'index.html', 'index'], [site, memoDay ?? days[0], 'day']];
    if (sites[1]) shots.push([sites[1], 'index.html', 'class']);
    for (const [dir, file, name] of shots) {
      await page.goto('file://' + path.resolve(dir, file), { waitUntil: 'load' });
      await page.screenshot({ path: path.join(outDir, `${name}-${viewport.width}x${viewport.height}.png`),
                              fullPage: true });
    }
  }
} finally {
  await browser.close();
}
console.log(`checked ${checked} page loads`);
if (failures.length) {
  console.log(failures.slice(0, 40).join('\n'));
  process.exit(1);
}
