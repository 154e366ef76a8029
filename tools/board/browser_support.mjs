// What the browser test and the README's screenshot share: a board server of
// their own on a free loopback port, and Debian's Chromium started headless
// with the flags it needs on these machines (as root, without a network).
import { spawn } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { chromium } from "playwright-core";

const here = path.dirname(fileURLToPath(import.meta.url));
export const root = path.resolve(here, "..", "..");
export const enginePath = process.env.PEBBLON_ENGINE || path.join(root, "build", "pbrain-pebblon");
const browserPath = process.env.CHROMIUM || "/usr/bin/chromium";

// Starts board_server.py in a scratch folder (the engine writes its log/
// there); resolves to {url, process, stop()} once it has printed its address.
export function startBoardServer(extraArgs = []) {
  const folder = mkdtempSync(path.join(tmpdir(), "pebblon-board-"));
  const server = spawn("python3", [path.join(here, "board_server.py"), "--engine", enginePath, "--port", "0",
                                   ...extraArgs], { cwd: folder, stdio: ["ignore", "pipe", "inherit"] });
  const stop = async () => {
    if (server.exitCode === null) {
      server.kill("SIGTERM");
      await new Promise((resolve) => { server.on("exit", resolve); setTimeout(resolve, 5000); });
    }
    rmSync(folder, { recursive: true, force: true });
  };
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error("the board server printed no address")), 20000);
    let text = "";
    server.stdout.on("data", (chunk) => {
      text += chunk;
      const found = text.match(/http:\/\/127\.0\.0\.1:\d+\//);
      if (found) {
        clearTimeout(timer);
        resolve({ url: found[0], process: server, stop });
      }
    });
    server.on("exit", (code) => reject(new Error("the board server ended with status " + code)));
  });
}

export function launchChromium() {
  return chromium.launch({
    executablePath: browserPath,
    headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
           "--disable-component-update", "--disable-sync"],
  });
}
