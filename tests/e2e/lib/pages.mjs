// Steps a person takes on the site, shared by the flows.
import assert from 'node:assert/strict';

export const Refusal = 'You are not authorized to perform this function.';

// The start page stands in for the product's sign-in: it sets the cookie
// "User" and opens the configurator (an ordinary user's card opens the rate
// plan review, the page open to such a user).
export async function signIn(page, site, user) {
  await page.goto(site.url + '/');
  assert.equal(await page.title(), 'Webvexdoc - sign in');
  if (user === 'admin') {
    await Promise.all([page.waitForURL('**/scripts/vdconfig.exe'), page.click(`#as-${user}`)]);
  } else if (user === 'clerk') {
    await Promise.all([page.waitForURL('**/scripts/vdconfig.exe?ConfigOption=RATE%20PLANS'),
      page.click(`#as-${user}`)]);
  } else {
    await page.fill('#other-user', user);
    await Promise.all([page.waitForURL('**/scripts/vdconfig.exe'), page.click('#other button')]);
  }
  const cookies = await page.context().cookies(site.url);
  assert.equal(cookies.find((c) => c.name === 'User')?.value, encodeURIComponent(user));
  assert.equal(await page.locator('#vd-user').innerText(), user);
}

// The text of the page's main part. An error page or the fallback page
// never passes for a page: their texts fail the step at once.
export async function notAnErrorPage(page) {
  const body = await page.locator('body').innerText();
  assert.doesNotMatch(body, /Something went wrong|A Message from the Server|\) Error: /,
    `an error page instead of a page:\n${body}`);
}

export async function mainText(page) {
  await notAnErrorPage(page);
  return page.locator('main').innerText();
}

// Presses DELETE, answers the browser's question (accept or not) and, when
// accepted, waits for the next page.
export async function pressDelete(page, accept) {
  let asked = null;
  page.once('dialog', async (d) => { asked = d.message(); await (accept ? d.accept() : d.dismiss()); });
  const button = page.locator('input[type="submit" i][value="DELETE"]');
  if (accept) {
    await Promise.all([page.waitForEvent('load'), button.click()]);
    await notAnErrorPage(page);
  } else {
    await button.click();
    await page.waitForTimeout(300);
  }
  return asked;
}

// Presses a submit button by its caption and waits for the next page.
export async function press(page, caption, scope = page) {
  await Promise.all([
    page.waitForEvent('load'),
    scope.locator(`input[type="submit" i][value="${caption}"]`).click(),
  ]);
  await notAnErrorPage(page);
}

// The rate plan selection page: the table row of a database.
export const planRow = (page, description) =>
  page.locator('tr').filter({ has: page.locator('td', { hasText: new RegExp(`^\\s*${description}\\s*$`) }) });

// The captions of the plans listed for a database, "new" included.
export async function planOptions(page, description) {
  const row = planRow(page, description);
  if ((await row.count()) === 0) return null;
  return (await row.locator('select option').allInnerTexts()).map((t) => t.trim());
}

// Opens a plan of a database from the selection page.
export async function openPlan(page, description, plan, button) {
  const row = planRow(page, description);
  await row.locator('select').selectOption({ label: plan });
  await press(page, button, row);
}

// Opens the rate plan selection through the header's link.
export async function openRatePlans(page) {
  await Promise.all([page.waitForEvent('load'), page.click('.vd-nav >> text=Rate plans')]);
  await notAnErrorPage(page);
}

// The value shown in a row of the rate plan form, by its label.
export async function headerValue(page, label) {
  const row = page.locator('tr').filter({ has: page.locator('td', { hasText: new RegExp(`^${label}$`) }) });
  return (await row.locator('b').first().innerText()).trim();
}
