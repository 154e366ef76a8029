// The board page in a real headless Chromium, against the real engine: the
// test starts its own board server (a free port on 127.0.0.1), opens the
// page and plays, analyses, stops, undoes, sets up a position, saves and
// loads a game and kills the engine, looking only at what the page shows.
// Screenshots go to build/board-test/ (BOARD_SCREENSHOTS to change it).
//
// Needs Debian's chromium (CHROMIUM, default /usr/bin/chromium), the built
// engine (PEBBLON_ENGINE, default build/pbrain-pebblon) and playwright-core
// (npm ci in tools/board).
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdirSync, readFileSync } from "node:fs";
import path from "node:path";
import { launchChromium, root, startBoardServer } from "./browser_support.mjs";

const shots = process.env.BOARD_SCREENSHOTS || path.join(root, "build", "board-test");
const WAIT = 20000;   // ms for anything the engine has to do

let server;
let baseUrl;
let browser;
const requested = [];

before(async () => {
  mkdirSync(shots, { recursive: true });
  server = await startBoardServer(["--linger", "5"]);
  baseUrl = server.url;
  browser = await launchChromium();
});

after(async () => {
  if (browser) await browser.close();
  if (server) await server.stop();
  // Nothing the page loaded came from anywhere but the board server.
  assert.ok(requested.length > 0);
  for (const url of requested) assert.ok(url.startsWith(baseUrl), "the page fetched " + url);
});

async function openPage() {
  const context = await browser.newContext({ viewport: { width: 1100, height: 760 }, acceptDownloads: true });
  const page = await context.newPage();
  page.on("request", (request) => requested.push(request.url()));
  const errors = [];
  page.on("pageerror", (error) => errors.push(error.message));
  await page.goto(baseUrl);
  await page.waitForSelector("body[data-moves='0']");
  return { page, context, errors };
}

const cell = (page, x, y) => page.locator(`rect.cell[data-x="${x}"][data-y="${y}"]`);
// n stones shown and no request of the page under way (a click before its
// answer would be refused as a flood).
const moves = (page, n) => page.waitForSelector(`body[data-moves='${n}'][data-pending='0']`, { timeout: WAIT });
const message = (page, text) => page.locator("#messages li", { hasText: text }).first().waitFor({ timeout: WAIT });

async function newGame(page, { engineBlack = false, engineWhite = true, time = "300", rule = "2" } = {}) {
  await page.selectOption("#rule", rule);
  await page.selectOption("#time", time);
  await page.setChecked("#engine-black", engineBlack);
  await page.setChecked("#engine-white", engineWhite);
  await page.click("#new");
  await page.waitForSelector("body[data-pending='0']");
  await moves(page, engineBlack ? 1 : 0);
}

test("a game against the engine: a move, its reply with its line, a refused click, undo", async () => {
  const { page, context, errors } = await openPage();
  await newGame(page);
  await cell(page, 7, 7).click();
  await moves(page, 2);                                  // the engine has answered
  assert.equal(await page.locator("circle.stone.black").count(), 1);
  assert.equal(await page.locator("circle.stone.white").count(), 1);
  assert.equal(await page.locator("#last-move").count(), 1);
  const line = page.locator("#lines tbody.line").first();
  assert.match(await line.locator("td.depth").textContent(), /^\d+-\d+$/);    // depth-seldepth
  assert.match(await line.locator("td.pv").textContent(), /^\d+,\d+/);
  assert.match(await page.textContent("#search-title"), /Its move 2 \(white to play\): done/);

  await cell(page, 7, 7).click();                        // taken: refused with a message
  await message(page, "7,7 is already taken");
  assert.equal(await page.getAttribute("body", "data-moves"), "2");

  await page.click("#undo");                             // the reply and the move go
  await moves(page, 0);
  assert.deepEqual(errors, []);
  await context.close();
});

test("analysis: live lines, best moves, stop, and the engine restarted after it dies", async () => {
  const { page, context, errors } = await openPage();
  await newGame(page, { engineWhite: false });
  for (const [x, y, n] of [[7, 7, 1], [8, 8, 2], [8, 6, 3]]) {
    await cell(page, x, y).click();
    await moves(page, n);
  }
  await page.fill("#nbest", "3");
  await page.dispatchEvent("#nbest", "change");
  await page.click("#analyse");
  await page.waitForSelector("body[data-thinking='analysis']");
  await page.waitForFunction(() => document.querySelectorAll("#lines tbody.line").length === 3, null, { timeout: WAIT });
  // The depth shown grows while the engine thinks.
  const first = Number((await page.locator("#lines td.depth").first().textContent()).split("-")[0]);
  await page.waitForFunction((d) => Number(document.querySelector("#lines td.depth").textContent.split("-")[0]) > d,
                             first, { timeout: WAIT });
  assert.equal(await page.locator("text.hint-label").count(), 3);
  await page.screenshot({ path: path.join(shots, "board-analysis.png") });
  await page.click("#stop");
  await page.waitForSelector("body[data-thinking='']", { timeout: WAIT });
  assert.match(await page.textContent("#search-title"), /Analysis 4 \(white to play\): done; best \d+,\d+/);
  assert.equal(await page.getAttribute("body", "data-moves"), "3");   // an analysis plays nothing

  // Kill the engine (the board server's child) and see the page say so.
  // Kill this page's engine: the board server's newest child.
  const pid = execFileSync("pgrep", ["-n", "-P", String(server.process.pid)]).toString().trim();
  process.kill(Number(pid), "SIGKILL");
  await message(page, "The engine failed (crashed (exit status -9))");
  await message(page, "The engine is running again");
  await page.click("#analyse");
  await page.waitForSelector("body[data-thinking='analysis']");
  await page.click("#stop");
  await page.waitForSelector("body[data-thinking='']", { timeout: WAIT });
  assert.deepEqual(errors, []);
  await context.close();
});

test("a set-up position shows black's forbidden point, and playing it ends the game", async () => {
  const { page, context, errors } = await openPage();
  await newGame(page, { engineWhite: false });
  await page.click("#setup");
  for (const [x, y] of [[5, 7], [6, 7], [7, 5], [7, 6]]) await cell(page, x, y).click();
  await page.check("input[name=setup-colour][value=white]");
  for (const [x, y] of [[0, 0], [0, 2], [0, 4], [14, 14]]) await cell(page, x, y).click();
  await page.click("#setup-done");
  await moves(page, 8);
  await page.waitForSelector("body[data-thinking='analysis']");   // the engine analyses it at once
  await page.waitForSelector("line.forbid", { timeout: WAIT });    // the double three at 7,7
  await page.screenshot({ path: path.join(shots, "board-setup.png") });
  assert.equal(await page.locator("line.forbid").count(), 2);      // one cross: two strokes
  await cell(page, 7, 7).click();                                  // stops the analysis if it still runs
  await page.waitForFunction(() => document.getElementById("status").textContent.includes("double three"));
  assert.equal(await page.textContent("#status"), "White wins: black played a forbidden double three at 7,7");
  await page.screenshot({ path: path.join(shots, "board-forbidden.png") });
  await cell(page, 9, 9).click();
  await message(page, "the game is over");
  assert.deepEqual(errors, []);
  await context.close();
});

test("a game saved as a move list loads again, and a reloaded page keeps its game", async () => {
  const { page, context, errors } = await openPage();
  await newGame(page, { engineBlack: true, engineWhite: false, time: "100" });
  await cell(page, 2, 12).click();
  await moves(page, 3);
  await page.screenshot({ path: path.join(shots, "board-game.png") });
  const [download] = await Promise.all([page.waitForEvent("download"), page.click("#save")]);
  const saved = await download.path();
  const text = readFileSync(saved, "utf-8");
  assert.match(text, /^size 15$/m);
  assert.match(text, /^rule 2$/m);
  const shown = await page.evaluate(() => [...document.querySelectorAll("circle.stone")].map((s) => s.dataset.stone));

  await newGame(page, { engineWhite: false });   // nobody answers the loaded game: it stays as saved
  await page.setInputFiles("#load", saved);
  await moves(page, 3);
  const loaded = await page.evaluate(() => [...document.querySelectorAll("circle.stone")].map((s) => s.dataset.stone));
  assert.deepEqual(loaded, shown);
  await page.reload();                             // the page comes back to its session
  await moves(page, 3);
  assert.deepEqual(await page.evaluate(() => [...document.querySelectorAll("circle.stone")].map((s) => s.dataset.stone)),
                   shown);
  await page.setInputFiles("#load", { name: "bad.txt", mimeType: "text/plain", buffer: Buffer.from("7,7 7,7\n") });
  await message(page, "move 2: 7,7 is already taken");
  assert.equal(await page.getAttribute("body", "data-moves"), "3");
  assert.deepEqual(errors, []);
  await context.close();
});
