// The web app: connects to the owner that served it with the token of the pairing address (kept
// for later visits), and shows the link state and the master volume live, which it may change.

const kMasterVolume = 1 * 256 + 1; // module 1, slot 1: 0 to 1000, shown as v / 10
const kTokenKey = "vortella.token";
const kTokenPattern = /^[0-9a-f]{64}$/;

const linkLabel = document.getElementById("link");
const pairing = document.getElementById("pairing");
const pairingWhy = document.getElementById("pairing-why");
const remote = document.getElementById("remote");
const slider = document.getElementById("volume");
const volumeValue = document.getElementById("volume-value");
const volumeNote = document.getElementById("volume-note");

// The token: from the pairing address's fragment (never sent in a request), else the one kept.
function takeToken() {
  const fragment = new URLSearchParams(location.hash.slice(1));
  const given = fragment.get("token");
  if (given !== null) {
    history.replaceState(null, "", location.pathname + location.search);
    if (kTokenPattern.test(given)) {
      localStorage.setItem(kTokenKey, given);
      return given;
    }
    return "";
  }
  const kept = localStorage.getItem(kTokenKey) ?? "";
  return kTokenPattern.test(kept) ? kept : "";
}

function showLink(state, text) {
  linkLabel.dataset.state = state;
  linkLabel.textContent = text;
}

function showPairing(why) {
  remote.hidden = true;
  pairing.hidden = false;
  pairingWhy.textContent = why;
  showLink("offline", "Not paired");
}

// The volume as the window shows it: v / 10 with one decimal, "100.0" from 998 up.
function volumeText(v) {
  return v >= 998 ? "100.0" : (v / 10).toFixed(1);
}

let dragging = false;
let unitVolume = null;

function showVolume(v) {
  unitVolume = v;
  const inRange = Number.isInteger(v) && v >= 0 && v <= 1000;
  volumeValue.textContent = inRange ? volumeText(v) : String(v);
  volumeNote.hidden = inRange;
  volumeNote.textContent = inRange ? "" : `The unit holds ${v}, beyond this control's range.`;
  slider.setAttribute("aria-valuetext", volumeValue.textContent);
  // A value the slider cannot show leaves it where it is: showing is never writing.
  if (inRange && !dragging) slider.value = String(v);
}

class Connection {
  constructor(token) {
    this.token = token;
    this.nextId = 1;
    this.answers = new Map();
    this.retry = 500;
    this.everOpen = false;
    this.sending = false;
    this.wanted = null;
  }

  open() {
    this.everOpen = false;
    const scheme = location.protocol === "https:" ? "wss:" : "ws:";
    // The token goes in the subprotocol header, never in the address; the owner answers
    // "vortella".
    const protocols = ["vortella", `vortella.token.${this.token}`];
    this.ws = new WebSocket(`${scheme}//${location.host}/`, protocols);
    this.ws.addEventListener("open", () => this.opened());
    this.ws.addEventListener("message", (event) => this.received(event.data));
    this.ws.addEventListener("close", () => this.closed());
  }

  call(method, params) {
    const id = this.nextId++;
    const message = { jsonrpc: "2.0", id, method };
    if (params !== undefined) message.params = params;
    this.ws.send(JSON.stringify(message));
    return new Promise((resolve, reject) => this.answers.set(id, { resolve, reject }));
  }

  async opened() {
    this.everOpen = true;
    this.retry = 500;
    pairing.hidden = true;
    remote.hidden = false;
    try {
      const subscribed = await this.call("subscribe");
      showLink(subscribed.link.state, subscribed.link.text);
      const volume = await this.call("get", { address: kMasterVolume });
      showVolume(volume.value);
      slider.disabled = false;
    } catch (error) {
      volumeNote.hidden = false;
      volumeNote.textContent = error.message;
    }
  }

  received(text) {
    let message;
    try {
      message = JSON.parse(text);
    } catch {
      return;
    }
    if (message.id !== undefined && this.answers.has(message.id)) {
      const { resolve, reject } = this.answers.get(message.id);
      this.answers.delete(message.id);
      if (message.error) reject(new Error(message.error.message));
      else resolve(message.result);
    } else if (message.method === "changed" && message.params?.address === kMasterVolume) {
      showVolume(message.params.value);
    } else if (message.method === "link") {
      showLink(message.params.state, message.params.text);
    }
  }

  async closed() {
    for (const { reject } of this.answers.values()) reject(new Error("the connection closed"));
    this.answers.clear();
    slider.disabled = true;
    // A handshake refused while the owner answers for its files is a wrong token; otherwise
    // the owner is away for now.
    if (!this.everOpen) {
      const serving = await fetch("/", { method: "HEAD", cache: "no-store" }).then(
        (r) => r.ok,
        () => false,
      );
      if (serving) {
        localStorage.removeItem(kTokenKey);
        showPairing("The owner refused this page: its token is wrong or no longer valid.");
        return;
      }
    }
    showLink("offline", "Reconnecting...");
    setTimeout(() => this.open(), this.retry);
    this.retry = Math.min(this.retry * 2, 10000);
  }

  // One write at a time; the last value asked for always lands.
  async setVolume(v) {
    this.wanted = v;
    if (this.sending) return;
    this.sending = true;
    try {
      while (this.wanted !== null) {
        const value = this.wanted;
        this.wanted = null;
        try {
          await this.call("set", { address: kMasterVolume, value });
        } catch (error) {
          volumeNote.hidden = false;
          volumeNote.textContent = error.message;
          if (unitVolume !== null) showVolume(unitVolume);
        }
      }
    } finally {
      this.sending = false;
    }
  }
}

const token = takeToken();
if (!token) {
  showPairing("This page has no token yet.");
} else {
  const connection = new Connection(token);
  slider.addEventListener("pointerdown", () => (dragging = true));
  slider.addEventListener("pointerup", () => (dragging = false));
  slider.addEventListener("input", () => {
    const v = Number(slider.value);
    volumeValue.textContent = volumeText(v);
    connection.setVolume(v);
  });
  connection.open();
}
