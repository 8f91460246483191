// Asks the host for full screen when the page is clicked.
document.addEventListener("click", () => {
    window.chrome.webview.postMessage(JSON.stringify({type: "set-fullscreen", fullscreen: true}));
});
