"use strict";

// Web messages reach the Windows program only: in another browser there is no chrome.webview.
const host = window.chrome && window.chrome.webview;

function setFullscreenByMessage(fullscreen) {
  if (!host) {
    document.getElementById("host-note").textContent =
      "Web messages go to the Windows program; this browser has nobody to receive them.";
    return;
  }
  host.postMessage(JSON.stringify({ type: "set-fullscreen", fullscreen }));
}

document.getElementById("message-fullscreen").addEventListener("click", () => {
  setFullscreenByMessage(true);
});

document.getElementById("message-window").addEventListener("click", () => {
  setFullscreenByMessage(false);
});

document.getElementById("api-fullscreen").addEventListener("click", () => {
  if (document.fullscreenElement) {
    document.exitFullscreen();
  } else {
    document.documentElement.requestFullscreen();
  }
});

document.addEventListener("fullscreenchange", () => {
  document.getElementById("api-fullscreen").textContent = document.fullscreenElement
    ? "Leave full screen (Fullscreen API)"
    : "Full screen by the Fullscreen API";
});

document.getElementById("play-chime").addEventListener("click", () => {
  const chime = document.getElementById("chime");
  chime.currentTime = 0;
  chime.play();
});

document.getElementById("close-window").addEventListener("click", () => {
  window.close();
});

// A title that changes: the program shows it in the window's caption.
const opened = Date.now();
setInterval(() => {
  const seconds = Math.floor((Date.now() - opened) / 1000);
  document.getElementById("seconds").textContent = seconds;
  document.title = `Hello from Tessaly (${seconds} s)`;
}, 1000);
