// Headless Chromium from Debian's package, driven with playwright-core.
// Every browser starts with a fresh profile folder and no network beyond
// the loopback site.
import { test } from 'node:test';
import { chromium } from 'playwright-core';
import { mkdtemp, mkdir, rm, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { repo } from './site.mjs';

const executablePath = process.env.CHROMIUM || '/usr/bin/chromium';
export const outDir = process.env.E2E_OUT || join(repo, 'build/e2e');

// options: { httpCredentials: { username, password } } signs in to a site
// behind the web server's authentication.
export async function openBrowser(options = {}) {
  const profile = await mkdtemp(join(tmpdir(), 'vdconfig-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    ...options,
    executablePath,
    headless: true,
    viewport: { width: 1280, height: 860 },
    args: [
      '--headless',
      '--no-sandbox',
      '--disable-gpu',
      '--disable-background-networking',
      '--disable-component-update',
      '--no-first-run',
      '--disable-sync',
    ],
  });
  context.setDefaultTimeout(15000);
  const page = context.pages()[0] || (await context.newPage());
  return {
    context,
    page,
    async close() {
      await context.close();
      await rm(profile, { recursive: true, force: true });
    },
  };
}

// Screenshot of the page into the output folder, and into VD_SCREENSHOTS
// (for docs/) when that is set.
export async function shot(page, name) {
  await mkdir(outDir, { recursive: true });
  await page.screenshot({ path: join(outDir, name) });
  if (process.env.VD_SCREENSHOTS) {
    await mkdir(process.env.VD_SCREENSHOTS, { recursive: true });
    await page.screenshot({ path: join(process.env.VD_SCREENSHOTS, name) });
  }
}

// Keeps what the page showed when a step failed.
export async function keepFailure(page, name) {
  try {
    await mkdir(outDir, { recursive: true });
    await page.screenshot({ path: join(outDir, `failed-${name}.png`), fullPage: true });
    await writeFile(join(outDir, `failed-${name}.html`), await page.content());
  } catch { /* the browser may be gone */ }
}

// A test of a browser suite that keeps what the browser showed when it
// fails (page is read when the test runs, after the suite's before hook).
export function stepsFor(prefix, getPage) {
  return (name, fn) => test(name, async () => {
    try {
      await fn();
    } catch (e) {
      await keepFailure(getPage(), prefix + '-' + name.replace(/\W+/g, '-'));
      throw e;
    }
  });
}
