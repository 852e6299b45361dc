// Opens a report of `korvex-nr check --html` in headless Chromium and checks
// what a reader sees: the index with its counts, the names coloured by
// classification, the hover text, the jump from a use to its introducer and
// the diagnostics under their line. Saves a screenshot of a file's page.
//
//   node html_report_test.js REPORT_DIR SCREENSHOT.png
'use strict';
const path = require('path');
const puppeteer = require(path.join(__dirname, '../node/node_modules/puppeteer-core'));

const [reportDir, screenshot] = process.argv.slice(2);
const failures = [];
function expect(condition, what) {
  if (!condition) failures.push(what);
}

(async () => {
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'],
  });
  try {
    const page = await browser.newPage();
    await page.setViewport({width: 1280, height: 800});
    // No request may leave the report's folder.
    await page.setRequestInterception(true);
    page.on('request', (request) => {
      const local = request.url().startsWith('file://');
      expect(local, `request outside the report: ${request.url()}`);
      local ? request.continue() : request.abort();
    });

    await page.goto('file://' + path.resolve(reportDir, 'index.html'));
    const rows = await page.$$eval('table.files tr', (trs) =>
      trs.slice(1).map((tr) => ({
        file: tr.cells[0].textContent, errors: tr.cells[1].textContent,
        warnings: tr.cells[2].textContent, flagged: tr.classList.contains('has-errors')})));
    expect(JSON.stringify(rows) === JSON.stringify([
      {file: 'broken.kx', errors: '1', warnings: '0', flagged: true},
      {file: 'report_demo.kx', errors: '0', warnings: '0', flagged: false}]),
    `index rows: ${JSON.stringify(rows)}`);

    await Promise.all([page.waitForNavigation(), page.click('a[href$="1.html"]')]);
    const colourOf = (selector) => page.$eval(selector, (a) => getComputedStyle(a).color);
    const expectedColours = {
      'a.name.variable': 'rgb(5, 80, 174)', 'a.name.nested': 'rgb(130, 80, 223)',
      'a.name.local': 'rgb(17, 99, 41)', 'a.name.external': 'rgb(149, 56, 0)',
      'a.name.unknown': 'rgb(110, 119, 129)'};
    for (const [selector, colour] of Object.entries(expectedColours)) {
      const actual = await colourOf(selector);
      expect(actual === colour, `${selector} is ${actual}, expected ${colour}`);
    }
    const shared = await page.$$eval('a.name.shared', (as) => as.map((a) => a.textContent));
    expect(shared.length === 2 && shared.every((name) => name === 'scale'),
           `shared variables: ${shared}`);
    const external = await page.$eval('a.name.external', (a) => a.textContent);
    expect(external === 'fprintf', `the external name is ${external}`);

    // Hovering the call of the nested function shows what it is.
    const useOfApply = await page.$$('a.name.nested');
    await useOfApply[0].hover();
    const hoverText = await page.evaluate((a) => getComputedStyle(a, '::after').content,
                                          useOfApply[0]);
    expect(hoverText === '"nested function, introduced on line 11"', `hover text: ${hoverText}`);

    // Clicking the use of `scale` in the nested function jumps to line 3.
    const sharedUses = await page.$$('a.name.shared');
    await sharedUses[1].click();
    const target = await page.evaluate(() => {
      const element = document.querySelector(':target');
      return element && {name: element.textContent, line: element.parentElement.id,
                         top: element.getBoundingClientRect().top};
    });
    expect(target && target.name === 'scale' && target.line === 'L3' && target.top >= 0 &&
           target.top < 800, `jump target: ${JSON.stringify(target)}`);
    await sharedUses[1].hover();
    await page.screenshot({path: screenshot, fullPage: true});

    // The error of broken.kx stands right under its line.
    await page.goto('file://' + path.resolve(reportDir, 'files', '0.html'));
    const diagnostic = await page.$eval('#L4 + .diag.error', (div) => div.textContent)
        .catch(() => null);
    expect(diagnostic && diagnostic.includes('[KORVEX:tal_error_persistent_must_be_first]'),
           `diagnostic under line 4: ${diagnostic}`);
  } finally {
    await browser.close();
  }
  if (failures.length > 0) {
    console.error(failures.join('\n'));
    process.exit(1);
  }
  console.log(`report checked; screenshot: ${screenshot}`);
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
