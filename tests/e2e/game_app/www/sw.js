// A service worker that caches the app's files for offline starts.
self.addEventListener("install", (event) => {
    event.waitUntil(caches.open("v1").then((cache) => cache.addAll(["index.html"])));
});
