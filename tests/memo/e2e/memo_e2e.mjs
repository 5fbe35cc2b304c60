// Plays the visitor: opens the page (a file, or an https:// address), fills in the memo form,
// presses Send and reports what the memo server's page shows while the test
// answers from the memo window. Exit 77 means Chromium could not start.
import { chromium } from 'playwright-core';

// Anything after the reply goes to Chromium as it is (the certificate it is to trust).
const [pagePath, profileDir, expectedReply, ...browserArgs] = process.argv.slice(2);
const say = (line) => process.stdout.write(line + '\n');

async function bodyText(page) {
  try {
    return await page.evaluate(() => (document.body ? document.body.innerText : ''));
  } catch {
    return '';  // the document is being replaced by the memo server's page
  }
}

async function waitForText(page, text, ms) {
  const end = Date.now() + ms;
  while (Date.now() < end) {
    if ((await bodyText(page)).includes(text)) return true;
    await new Promise((r) => setTimeout(r, 100));
  }
  return false;
}

let context;
try {
  context = await chromium.launchPersistentContext(profileDir, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--no-first-run', ...browserArgs],
    timeout: 60000,
  });
} catch (e) {
  say('SKIP Chromium could not start: ' + String(e.message).split('\n')[0]);
  process.exit(77);
}

let code = 1;
try {
  const page = context.pages()[0] ?? (await context.newPage());
  await page.goto(pagePath.startsWith('https://') ? pagePath : 'file://' + pagePath);
  await page.fill('input[name="NAME"]', 'Visitor Vic');
  await page.fill('textarea[name="MESSAGE"]', 'Are you there?\nSecond line');
  await page.selectOption('select[name="REPLY"]', 'YES');
  await page.click('input[type="submit"]', { noWaitAfter: true });
  if (!(await waitForText(page, 'Waiting for a reply.', 20000))) throw new Error('no opening');
  say('OPENING');
  if (!(await waitForText(page, 'Replying to message now...', 20000))) throw new Error('no interim piece');
  say('INTERIM');
  if (!(await waitForText(page, expectedReply, 20000))) throw new Error('no reply: ' + (await bodyText(page)));
  say('REPLY ' + expectedReply);
  code = 0;
} catch (e) {
  say('FAIL ' + e.message);
} finally {
  await context.close();
}
process.exit(code);
