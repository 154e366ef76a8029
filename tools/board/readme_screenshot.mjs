// Takes the README's picture of the board: a game loaded from a move list,
// analysed with three best moves for three seconds.
//   node tools/board/readme_screenshot.mjs docs/board.png
import { launchChromium, startBoardServer } from "./browser_support.mjs";

const out = process.argv[2] || "board.png";
const GAME = "size 15\nrule 2\n7,7 8,6 8,8 6,6 9,9 10,10 9,7 7,9 10,8 11,9 9,6 9,8 6,8\n";

const server = await startBoardServer();
const browser = await launchChromium();
try {
  const page = await (await browser.newContext({ viewport: { width: 1000, height: 640 } })).newPage();
  await page.goto(server.url);
  await page.waitForSelector("body[data-moves='0']");
  await page.setChecked("#engine-white", false);
  await page.waitForSelector("body[data-pending='0']");
  await page.setInputFiles("#load", { name: "game.txt", mimeType: "text/plain", buffer: Buffer.from(GAME) });
  await page.waitForSelector("body[data-moves='13']");
  await page.fill("#nbest", "3");
  await page.dispatchEvent("#nbest", "change");
  await page.waitForSelector("body[data-pending='0']");
  await page.click("#analyse");
  await page.waitForTimeout(3000);
  await page.screenshot({ path: out });
  await page.click("#stop");
} finally {
  await browser.close();
  await server.stop();
}
