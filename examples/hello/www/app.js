"use strict";

/** @param {string} id */
const byId = (id) => /** @type {HTMLElement} */ (document.getElementById(id));

// Web messages reach the Tessaly program only: in another browser there is no chrome.webview.
const host = window.chrome && window.chrome.webview;
// The program's API, likewise: feature-detect it.
const tessaly = window.tessaly;

/** @param {boolean} fullscreen */
function setFullscreenByMessage(fullscreen) {
  if (!host) {
    byId("host-note").textContent =
      "Web messages go to the Tessaly program; this browser has nobody to receive them.";
    return;
  }
  host.postMessage(JSON.stringify({ type: "set-fullscreen", fullscreen }));
}

byId("message-fullscreen").addEventListener("click", () => {
  setFullscreenByMessage(true);
});

byId("message-window").addEventListener("click", () => {
  setFullscreenByMessage(false);
});

byId("api-fullscreen").addEventListener("click", () => {
  if (document.fullscreenElement) {
    document.exitFullscreen();
  } else {
    document.documentElement.requestFullscreen();
  }
});

document.addEventListener("fullscreenchange", () => {
  byId("api-fullscreen").textContent = document.fullscreenElement
    ? "Leave full screen (Fullscreen API)"
    : "Full screen by the Fullscreen API";
});

byId("play-chime").addEventListener("click", () => {
  const chime = /** @type {HTMLAudioElement} */ (byId("chime"));
  chime.currentTime = 0;
  chime.play();
});

byId("close-window").addEventListener("click", () => {
  window.close();
});

// Saves: real files in the app's own folder, each written whole or not at all.
async function showSaves() {
  if (!tessaly) return;
  const entries = await tessaly.files.list("notes");
  byId("saves").textContent = entries
    .map((entry) => `${entry.name} (${entry.size} bytes, ${new Date(entry.modified).toLocaleString()})`)
    .join("\n");
}

async function setUpSaves() {
  const note = /** @type {HTMLTextAreaElement} */ (byId("note"));
  if (!tessaly) {
    byId("saves").textContent = "Saves need the Tessaly program.";
    return;
  }
  const info = await tessaly.app.info();
  byId("saves-folder").textContent = `Kept in ${info.filesFolder}notes/`;
  if (await tessaly.files.exists("notes/note.txt")) {
    note.value = await tessaly.files.readText("notes/note.txt");
  }
  byId("save-note").addEventListener("click", async () => {
    try {
      await tessaly.files.write("notes/note.txt", note.value);
      byId("save-status").textContent = "Saved.";
    } catch (error) {
      byId("save-status").textContent = `Not saved: ${/** @type {Error} */ (error).message}`;
    }
    await showSaves();
  });
  byId("quit").addEventListener("click", () => tessaly.app.quit(0));
  await showSaves();
}
setUpSaves();

// A title that changes: the program shows it in the window's caption.
const opened = Date.now();
setInterval(() => {
  const seconds = Math.floor((Date.now() - opened) / 1000);
  byId("seconds").textContent = String(seconds);
  document.title = `Hello from Tessaly (${seconds} s)`;
}, 1000);
