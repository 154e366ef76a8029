// The board page. The server keeps the game and the engine; this page shows
// the state the server sends on its event stream and sends one request at a
// time, in order (a click on the board while one is under way is refused
// here, so a flood of clicks never reaches the server). Coordinates are the protocol's: x the
// column from the left, y the row from the top, both from 0.
"use strict";

const SVG = "http://www.w3.org/2000/svg";
const CELL = 36;           // board units between two lines
const MARGIN = 34;         // room for the coordinates around the grid
const SESSION_KEY = "pebblon-board-session";

const page = {
  session: null,
  state: null,
  events: null,
  pending: 0,              // requests sent or waiting to be sent
  chain: Promise.resolve(),
  setup: null,             // while setting up: {black: [[x,y]...], white: [...]}
  noticesShown: new Set(),
};

const $ = (id) => document.getElementById(id);

// -- talking to the server ----------------------------------------------------

async function post(path, body) {
  const response = await fetch(path, {
    method: "POST",
    headers: { "Content-Type": "application/json" },
    body: JSON.stringify(body),
  });
  let reply;
  try {
    reply = await response.json();
  } catch (error) {
    reply = { ok: false, error: "the server answered " + response.status };
  }
  return reply;
}

async function openSession(resume) {
  const reply = await post("/api/session", resume ? { resume } : {});
  if (!reply.ok) {
    say("error", reply.error);
    $("status").textContent = reply.error;
    return;
  }
  if (resume && reply.session !== resume) say("warn", "The earlier board session had ended; this is a new one.");
  page.session = reply.session;
  sessionStorage.setItem(SESSION_KEY, page.session);
  $("save").href = "/api/game?session=" + encodeURIComponent(page.session);
  show(reply.state);
  listen();
}

function listen() {
  if (page.events) page.events.close();
  const events = new EventSource("/api/events?session=" + encodeURIComponent(page.session));
  page.events = events;
  events.addEventListener("state", (event) => show(JSON.parse(event.data)));
  events.addEventListener("closed", () => {
    events.close();
    say("warn", "The board session ended.");
  });
  events.onerror = () => {
    // The browser retries a dropped stream by itself; a stream refused for
    // good (the session is gone) needs a new session.
    if (events.readyState === EventSource.CONNECTING) {
      $("status").textContent = "The board server does not answer; trying again…";
    }
    if (events.readyState === EventSource.CLOSED && page.events === events) {
      page.events = null;
      setTimeout(() => openSession(page.session).catch(() => say("error", "The board server does not answer.")), 1000);
    }
  };
}

// Requests go out one after the other, in the order the person made them.
// A click on the board while requests are still under way is refused here:
// it would be judged against a position the person has not seen yet.
function send(action, fields = {}) {
  if (!page.session) return Promise.resolve({ ok: false });
  if (action === "move" && page.pending > 0) {
    say("warn", "Wait a moment: the last request is still being handled.");
    return Promise.resolve({ ok: false });
  }
  page.pending += 1;
  document.body.dataset.pending = page.pending;
  const result = page.chain.then(async () => {
    try {
      const reply = await post("/api/action", { session: page.session, action, ...fields });
      if (reply.state) show(reply.state);
      if (!reply.ok) say("error", reply.error);
      return reply;
    } catch (error) {
      say("error", "The board server does not answer (" + error.message + ").");
      return { ok: false };
    } finally {
      page.pending -= 1;
      document.body.dataset.pending = page.pending;
    }
  });
  page.chain = result;
  return result;
}

// -- messages -------------------------------------------------------------------

function say(level, text) {
  const item = document.createElement("li");
  item.className = level;
  item.textContent = text;
  const list = $("messages");
  list.prepend(item);
  while (list.children.length > 8) list.lastChild.remove();
}

// -- drawing --------------------------------------------------------------------

function node(parent, name, attributes, text) {
  const element = document.createElementNS(SVG, name);
  for (const [key, value] of Object.entries(attributes)) element.setAttribute(key, value);
  if (text !== undefined) element.textContent = text;
  parent.appendChild(element);
  return element;
}

const at = (i) => MARGIN + CELL / 2 + i * CELL;

function starPoints(size) {
  if (size < 9) return [];
  const edge = size >= 13 ? 3 : 2;
  const far = size - 1 - edge;
  const points = [[edge, edge], [far, edge], [edge, far], [far, far]];
  if (size % 2 === 1) points.push([(size - 1) / 2, (size - 1) / 2]);
  return points;
}

function drawBoard(state) {
  const size = state.size;
  const svg = $("board");
  const span = 2 * MARGIN + size * CELL;
  svg.setAttribute("viewBox", `0 0 ${span} ${span}`);
  svg.replaceChildren();
  node(svg, "rect", { class: "wood", x: 0, y: 0, width: span, height: span, rx: 6 });
  for (let i = 0; i < size; i++) {
    node(svg, "line", { class: "grid", x1: at(0), y1: at(i), x2: at(size - 1), y2: at(i) });
    node(svg, "line", { class: "grid", x1: at(i), y1: at(0), x2: at(i), y2: at(size - 1) });
    // x along the top and bottom, y down both sides.
    const places = [[at(i), MARGIN / 2], [at(i), span - MARGIN / 2], [MARGIN / 2, at(i)], [span - MARGIN / 2, at(i)]];
    for (const [x, y] of places) node(svg, "text", { class: "label", x, y }, i);
  }
  for (const [x, y] of starPoints(size)) node(svg, "circle", { class: "star", cx: at(x), cy: at(y), r: 3 });

  const stones = page.setup ? setupMoves() : state.moves.map(([x, y], i) => ({
    x, y, colour: i % 2 === 0 ? "black" : "white", number: i >= state.setup ? i - state.setup + 1 : null,
  }));
  if (!page.setup && state.result === null) {
    for (const [x, y] of state.forbidden) {
      const d = CELL * 0.2;
      node(svg, "line", { class: "forbid", x1: at(x) - d, y1: at(y) - d, x2: at(x) + d, y2: at(y) + d });
      node(svg, "line", { class: "forbid", x1: at(x) - d, y1: at(y) + d, x2: at(x) + d, y2: at(y) - d });
    }
  }
  for (const stone of stones) {
    node(svg, "circle", { class: "stone " + stone.colour, cx: at(stone.x), cy: at(stone.y), r: CELL * 0.46,
                          "data-stone": `${stone.x},${stone.y}` });
    if (stone.number !== null) {
      node(svg, "text", { class: "number " + stone.colour, x: at(stone.x), y: at(stone.y) }, stone.number);
    }
  }
  if (!page.setup && state.moves.length > state.setup) {
    const [x, y] = state.moves[state.moves.length - 1];
    node(svg, "circle", { class: "last", cx: at(x), cy: at(y), r: CELL * 0.5, id: "last-move" });
  }
  if (!page.setup && state.result && state.result.cell) {
    const [x, y] = state.result.cell;
    node(svg, "rect", { class: "end", x: at(x) - CELL / 2, y: at(y) - CELL / 2, width: CELL, height: CELL });
  }
  if (!page.setup && state.analysis) {
    for (const line of state.analysis.lines) {
      if (!line.pv.length) continue;
      const [x, y] = line.pv[0];
      if (state.moves.some(([mx, my]) => mx === x && my === y)) continue;
      node(svg, "circle", { class: "hint", cx: at(x), cy: at(y), r: CELL * 0.36 });
      node(svg, "text", { class: "hint-label", x: at(x), y: at(y) }, line.multipv);
    }
  }
  for (let y = 0; y < size; y++) {
    for (let x = 0; x < size; x++) {
      const cell = node(svg, "rect", { class: "cell", x: at(x) - CELL / 2, y: at(y) - CELL / 2,
                                       width: CELL, height: CELL, "data-x": x, "data-y": y });
      cell.addEventListener("click", () => clicked(x, y));
    }
  }
}

// -- the engine's lines -----------------------------------------------------------

function scoreText(score, colour) {
  if (!score) return "";
  if (score.kind === "win") return `${colour} wins in ${score.in}`;
  if (score.kind === "loss") return `${colour} loses in ${score.in}`;
  return (score.value > 0 ? "+" : "") + score.value;
}

function countText(n) {
  if (n === undefined || n === null) return "";
  if (n >= 1e9) return (n / 1e9).toFixed(1) + " G";
  if (n >= 1e6) return (n / 1e6).toFixed(1) + " M";
  if (n >= 1e3) return (n / 1e3).toFixed(0) + " k";
  return String(n);
}

// One tbody a line: its figures, then its moves on a row of their own.
function showLines(state) {
  const analysis = state.analysis;
  const table = $("lines");
  for (const body of [...table.tBodies]) body.remove();
  const thinking = state.thinking;
  if (!analysis) {
    $("search-title").textContent = "";
    return;
  }
  const what = analysis.purpose === "move" ? "Its move" : "Analysis";
  const how = analysis.running ? (thinking && thinking.stopping ? "stopping…" : "thinking…") : "done";
  let title = `${what} ${analysis.move_number} (${analysis.colour} to play): ${how}`;
  if (!analysis.running && analysis.best) title += `; best ${analysis.best.join(",")}`;
  $("search-title").textContent = title;
  for (const line of analysis.lines) {
    const body = table.createTBody();
    body.className = "line";
    const figures = body.insertRow();
    const bound = line.bound ? (line.bound === "lower" ? " ≥" : " ≤") : "";
    const cells = [
      ["multipv", line.multipv], ["depth", `${line.depth}-${line.seldepth}`],
      ["score", scoreText(line.score, analysis.colour) + bound], ["nodes", countText(line.nodes)],
      ["speed", line.nodes_per_ms === undefined ? "" : countText(line.nodes_per_ms * 1000) + "/s"],
      ["time", line.time_ms === undefined ? "" : (line.time_ms / 1000).toFixed(1) + " s"],
    ];
    for (const [name, text] of cells) {
      const cell = figures.insertCell();
      cell.className = name;
      cell.textContent = text;
    }
    const moves = body.insertRow().insertCell();
    moves.className = "pv";
    moves.colSpan = cells.length;
    moves.textContent = line.pv.map((move) => move.join(",")).join("  ");
  }
}

// -- the whole page ----------------------------------------------------------------

function statusText(state) {
  if (page.setup) return "Setting up a position: click cells, then “Analyse it”.";
  if (state.result) return state.result.text;
  const mover = state.to_move;
  const who = state.sides[mover] === "engine" ? "engine" : "you";
  let text = `${mover[0].toUpperCase() + mover.slice(1)} to move (${who})`;
  if (state.thinking && state.thinking.purpose === "move") text += " — the engine is thinking";
  return text;
}

function show(state) {
  if (page.state && state.version !== undefined && page.state.session === state.session &&
      state.version < page.state.version) return;    // an older state arriving late
  page.state = state;
  drawBoard(state);
  $("status").textContent = statusText(state);
  const status = state.engine.status + (state.engine.restarts ? `, restarted ${state.engine.restarts}×` : "");
  $("engine-status").textContent = "(" + status + ")";
  showLines(state);
  for (const notice of state.notices) {
    if (page.noticesShown.has(notice.id)) continue;
    page.noticesShown.add(notice.id);
    say(notice.level, notice.text);
  }
  if (document.activeElement !== $("nbest")) $("nbest").value = state.nbest;
  if ([...$("time").options].some((option) => Number(option.value) === state.time_ms)) $("time").value = state.time_ms;
  if (page.pending === 0) {
    // Not while the person's own changes are on their way.
    $("engine-black").checked = state.sides.black === "engine";
    $("engine-white").checked = state.sides.white === "engine";
  }
  const thinking = state.thinking !== null;
  $("stop").disabled = !thinking;
  $("analyse").disabled = thinking || state.result !== null;
  $("undo").disabled = state.moves.length === 0;
  document.body.dataset.moves = state.moves.length;
  document.body.dataset.thinking = thinking ? state.thinking.purpose : "";
}

// -- what the person does ------------------------------------------------------------

function clicked(x, y) {
  if (page.setup) {
    const colour = document.querySelector("input[name=setup-colour]:checked").value;
    const here = (list) => list.findIndex(([sx, sy]) => sx === x && sy === y);
    let removed = false;
    for (const side of ["black", "white"]) {
      const i = here(page.setup[side]);
      if (i >= 0) {
        page.setup[side].splice(i, 1);
        removed = true;
      }
    }
    if (!removed) page.setup[colour].push([x, y]);
    drawBoard(page.state);
    return;
  }
  send("move", { x, y });
}

function setupMoves() {
  const stones = [];
  for (const colour of ["black", "white"]) {
    for (const [x, y] of page.setup[colour]) stones.push({ x, y, colour, number: null });
  }
  return stones;
}

function enterSetup(on) {
  if (on) {
    const moves = page.state.moves;
    page.setup = { black: moves.filter((_, i) => i % 2 === 0), white: moves.filter((_, i) => i % 2 === 1) };
  } else {
    page.setup = null;
  }
  $("setup-tools").hidden = !on;
  $("setup").hidden = on;
  show(page.state);
}

function sides() {
  const side = (id) => ($(id).checked ? "engine" : "person");
  return { black: side("engine-black"), white: side("engine-white") };
}

function wire() {
  $("new").addEventListener("click", () => {
    enterSetup(false);
    const number = (id) => Number($(id).value);
    send("new", { size: number("size"), rule: number("rule"), time_ms: number("time"), ...sides() });
  });
  $("undo").addEventListener("click", () => send("undo"));
  $("stop").addEventListener("click", () => send("stop"));
  $("analyse").addEventListener("click", () => send("analyse"));
  $("nbest").addEventListener("change", () => send("nbest", { count: Number($("nbest").value) }));
  $("time").addEventListener("change", () => send("time", { time_ms: Number($("time").value) }));
  $("engine-black").addEventListener("change", () => send("sides", sides()));
  $("engine-white").addEventListener("change", () => send("sides", sides()));
  $("setup").addEventListener("click", () => enterSetup(true));
  $("setup-cancel").addEventListener("click", () => enterSetup(false));
  $("setup-done").addEventListener("click", async () => {
    const position = page.setup;
    enterSetup(false);
    const reply = await send("setup", position);
    if (reply && !reply.ok) {
      enterSetup(true);
      page.setup = position;    // keep the stones so that the person can fix them
      show(page.state);
    }
  });
  $("load").addEventListener("change", async (event) => {
    const file = event.target.files[0];
    event.target.value = "";
    if (!file) return;
    if (file.size > 64 * 1024) {
      say("error", "That file is too large for a move list.");
      return;
    }
    enterSetup(false);
    await send("load", { text: await file.text() });
  });
}

wire();
document.body.dataset.pending = 0;
openSession(sessionStorage.getItem(SESSION_KEY)).catch(() => {
  $("status").textContent = "The board server does not answer; is it running?";
});
