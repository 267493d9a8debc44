// The web app's script against a stand-in page and WebSocket (no browser): the token taken from
// the address's fragment, kept and taken out of the address, and offered only as a subprotocol;
// pairing shown without a token or when the owner refuses it; the volume shown as the window
// shows it, a value beyond the slider's range shown and not written, the last of quick changes
// always sent. Run with node: node page_test.mjs WEB_DIR
import assert from "node:assert/strict";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { pathToFileURL } from "node:url";

// Each page loads the script anew, as a module (as the page does), from a copy of its own.
const source = fs.readFileSync(path.join(process.argv[2], "app.js"));
const copies = fs.mkdtempSync(path.join(os.tmpdir(), "vortella-page-"));
process.on("exit", () => fs.rmSync(copies, { recursive: true, force: true }));
const kToken = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

class Element {
  constructor(id) {
    this.id = id;
    this.hidden = id === "pairing" || id === "remote" || id === "volume-note";
    this.textContent = "";
    this.dataset = {};
    this.value = "0";
    this.disabled = id === "volume";
    this.attributes = {};
    this.listeners = {};
  }
  setAttribute(name, value) { this.attributes[name] = value; }
  addEventListener(type, f) { (this.listeners[type] ??= []).push(f); }
  fire(type) { for (const f of this.listeners[type] ?? []) f({}); }
}

class FakeSocket {
  static all = [];
  constructor(url, protocols) {
    this.url = url;
    this.protocols = protocols;
    this.sent = [];
    this.listeners = {};
    FakeSocket.all.push(this);
  }
  addEventListener(type, f) { (this.listeners[type] ??= []).push(f); }
  send(text) { this.sent.push(JSON.parse(text)); }
  fire(type, event = {}) { for (const f of this.listeners[type] ?? []) f(event); }
  answer(result) {
    const request = this.sent.at(-1);
    this.fire("message", { data: JSON.stringify({ jsonrpc: "2.0", id: request.id, result }) });
  }
  notify(method, params) {
    this.fire("message", { data: JSON.stringify({ jsonrpc: "2.0", method, params }) });
  }
}

const settle = () => new Promise((resolve) => setImmediate(resolve));

// A fresh page at `hash` with `stored` kept from an earlier visit; the script loaded anew.
let loads = 0;
async function openPage({ hash = "", stored = null, serving = true } = {}) {
  const elements = new Map();
  const storage = new Map(stored === null ? [] : [["vortella.token", stored]]);
  const timers = [];
  FakeSocket.all = [];
  Object.assign(globalThis, {
    document: { getElementById: (id) => elements.get(id) ?? elements.set(id, new Element(id)).get(id) },
    location: { hash, pathname: "/", search: "", protocol: "http:", host: "192.168.1.20:8765" },
    history: { replaceState: (_s, _t, url) => { globalThis.location.hash = url.includes("#") ? url.slice(url.indexOf("#")) : ""; } },
    localStorage: {
      getItem: (k) => storage.get(k) ?? null,
      setItem: (k, v) => storage.set(k, String(v)),
      removeItem: (k) => storage.delete(k),
    },
    WebSocket: FakeSocket,
    fetch: async () => { if (!serving) throw new TypeError("failed to fetch"); return { ok: true }; },
    setTimeout: (f, ms) => timers.push({ f, ms }),
  });
  const copy = path.join(copies, `app-${++loads}.mjs`);
  fs.writeFileSync(copy, source);
  await import(pathToFileURL(copy).href);
  await settle();
  return { el: (id) => elements.get(id), storage, timers, sockets: FakeSocket.all };
}

const cases = [];
const test = (name, f) => cases.push([name, f]);

test("the token of the fragment is kept, taken out of the address and offered as a subprotocol", async () => {
  const page = await openPage({ hash: `#token=${kToken}` });
  assert.equal(page.storage.get("vortella.token"), kToken);
  assert.equal(globalThis.location.hash, "");
  assert.equal(page.sockets.length, 1);
  assert.equal(page.sockets[0].url, "ws://192.168.1.20:8765/");
  assert.deepEqual(page.sockets[0].protocols, ["vortella", `vortella.token.${kToken}`]);
});

test("a token kept from an earlier visit is used without a fragment", async () => {
  const page = await openPage({ stored: kToken });
  assert.deepEqual(page.sockets[0].protocols, ["vortella", `vortella.token.${kToken}`]);
  assert.equal(page.el("pairing").hidden, true);
});

for (const [what, options] of [
  ["no token at all", {}],
  ["a fragment token that is no token", { hash: "#token=abc", stored: kToken }],
  ["a kept token that is no token", { stored: "x".repeat(64) }],
]) {
  test(`${what}: pairing is shown and nothing is read`, async () => {
    const page = await openPage(options);
    assert.equal(page.sockets.length, 0);
    assert.equal(page.el("pairing").hidden, false);
    assert.equal(page.el("remote").hidden, true);
    assert.equal(page.el("link").textContent, "Not paired");
  });
}

test("a refused handshake while the owner serves the page shows pairing and forgets the token", async () => {
  const page = await openPage({ stored: kToken });
  page.sockets[0].fire("close");
  await settle();
  assert.equal(page.el("pairing").hidden, false);
  assert.match(page.el("pairing-why").textContent, /refused/);
  assert.equal(page.storage.has("vortella.token"), false);
  assert.equal(page.timers.length, 0);
});

test("an owner that is away is tried again, later each time", async () => {
  const page = await openPage({ stored: kToken, serving: false });
  page.sockets[0].fire("close");
  await settle();
  assert.equal(page.el("link").textContent, "Reconnecting...");
  assert.equal(page.el("pairing").hidden, true);
  page.timers[0].f();
  page.sockets[1].fire("close");
  await settle();
  assert.ok(page.timers[1].ms > page.timers[0].ms);
  assert.equal(page.storage.get("vortella.token"), kToken);
});

test("link and volume are shown live as the window shows them; the last change is sent", async () => {
  const page = await openPage({ stored: kToken });
  const ws = page.sockets[0];
  ws.fire("open");
  await settle();
  assert.equal(ws.sent[0].method, "subscribe");
  ws.answer({ subscribed: true, link: { state: "connected", text: "Device Connected" } });
  await settle();
  assert.equal(page.el("link").textContent, "Device Connected");
  assert.equal(page.el("link").dataset.state, "connected");
  assert.deepEqual(ws.sent[1].params, { address: 257 });
  ws.answer({ address: 257, value: 998, name: "Master volume" });
  await settle();
  assert.equal(page.el("volume-value").textContent, "100.0");
  assert.equal(page.el("volume").value, "998");
  assert.equal(page.el("volume").disabled, false);

  for (const [value, shown] of [[500, "50.0"], [5, "0.5"], [1000, "100.0"], [0, "0.0"]]) {
    ws.notify("changed", { address: 257, value, name: "Master volume", source: "client" });
    assert.equal(page.el("volume-value").textContent, shown);
    assert.equal(page.el("volume").value, String(value));
  }
  ws.notify("changed", { address: 258, value: 7, source: "client" });
  assert.equal(page.el("volume-value").textContent, "0.0");
  // Beyond the slider's range: shown as it is, the slider left alone, nothing written.
  const sentBefore = ws.sent.length;
  ws.notify("changed", { address: 257, value: 1200, source: "read" });
  assert.equal(page.el("volume-value").textContent, "1200");
  assert.equal(page.el("volume-note").hidden, false);
  assert.equal(page.el("volume").value, "0");
  assert.equal(ws.sent.length, sentBefore);
  ws.notify("link", { state: "busy", text: "Downloading..." });
  assert.equal(page.el("link").dataset.state, "busy");

  // Quick moves: one write at a time, and the last value goes out after the one in flight.
  for (const v of ["300", "400", "450"]) {
    page.el("volume").value = v;
    page.el("volume").fire("input");
  }
  assert.equal(page.el("volume-value").textContent, "45.0");
  const writes = () => ws.sent.filter((m) => m.method === "set").map((m) => m.params.value);
  assert.deepEqual(writes(), [300]);
  ws.answer({ address: 257, value: 300 });
  await settle();
  assert.deepEqual(writes(), [300, 450]);
  ws.answer({ address: 257, value: 450 });
  await settle();
  assert.deepEqual(writes(), [300, 450]);
});

let failed = 0;
for (const [name, f] of cases) {
  try {
    await f();
    console.log(`ok: ${name}`);
  } catch (error) {
    failed++;
    console.log(`FAIL: ${name}\n${error.stack}`);
  }
}
process.exit(failed ? 1 : 0);
