#include "browser/page_scripts.h"

#include "base/text.h"
#include "browser/app_origin.h"

namespace tessaly {
namespace {

// @APP@, @MEDIA@ and the handler and method names are filled in; every other character is the
// script's.
constexpr std::string_view kTemplate = R"JS((() => {
  'use strict';
  const handlers = window.webkit.messageHandlers;
  const webMessages = handlers['@WEB_MESSAGE@'];
  const domReady = handlers['@DOM_READY@'];
  // The host's reply to a message, if any, comes back as a message event, as the Windows
  // program's posted messages do.
  const listeners = new Set();
  const deliver = (data) => {
    const event = {type: 'message', data, source: window.chrome.webview};
    listeners.forEach((listener) => listener(event));
  };
  window.chrome = window.chrome || {};
  window.chrome.webview = {
    postMessage(message) {
      if (typeof message !== 'string') return;
      webMessages.postMessage(message).then((reply) => {
        if (typeof reply === 'string') deliver(JSON.parse(reply));
      }, () => {});
    },
    addEventListener(type, listener) {
      if (type === 'message' && typeof listener === 'function') listeners.add(listener);
    },
    removeEventListener(type, listener) {
      if (type === 'message') listeners.delete(listener);
    },
  };
  // What the host sends unasked (a native extension's events), as the Windows program's posts.
  Object.defineProperty(window.chrome.webview, '@HOST_MESSAGE@', {value: deliver});
  if (window === window.top) {
    document.addEventListener('DOMContentLoaded', () => domReady.postMessage(''));
  }

  const app = '@APP@';
  const media = '@MEDIA@';
  const toMedia = (value) => {
    let url;
    try {
      url = new URL(String(value), document.baseURI).href;
    } catch (e) {
      return value;
    }
    return url.startsWith(app) ? media + url.slice(app.length) : value;
  };
  const isMedia = (node) => node instanceof HTMLMediaElement || node instanceof HTMLSourceElement;
  for (const type of [HTMLMediaElement, HTMLSourceElement]) {
    const src = Object.getOwnPropertyDescriptor(type.prototype, 'src');
    Object.defineProperty(type.prototype, 'src', {
      ...src,
      set(value) { src.set.call(this, toMedia(value)); },
    });
  }
  const setAttribute = Element.prototype.setAttribute;
  Element.prototype.setAttribute = function (name, value) {
    const moved = isMedia(this) && String(name).toLowerCase() === 'src';
    return setAttribute.call(this, name, moved ? toMedia(value) : value);
  };
  const NativeAudio = window.Audio;
  window.Audio = function Audio(src) {
    return src === undefined ? new NativeAudio() : new NativeAudio(toMedia(src));
  };
  window.Audio.prototype = NativeAudio.prototype;

  // Markup: the parser sets attributes itself. The element is fixed before its load task runs;
  // one that has already failed on the old address loads again.
  const fix = (node) => {
    const value = node.getAttribute('src');
    const moved = value === null ? null : toMedia(value);
    if (moved === null || moved === value) return;
    setAttribute.call(node, 'src', moved);
    const element = node instanceof HTMLSourceElement ? node.parentElement : node;
    if (element instanceof HTMLMediaElement && element.error) element.load();
  };
  const visit = (node) => {
    if (node.nodeType !== Node.ELEMENT_NODE) return;
    if (isMedia(node)) fix(node);
    node.querySelectorAll('audio, video, source').forEach(fix);
  };
  new MutationObserver((records) => {
    for (const record of records) {
      if (record.type === 'attributes') {
        if (isMedia(record.target)) fix(record.target);
      } else {
        record.addedNodes.forEach(visit);
      }
    }
  }).observe(document, {childList: true, subtree: true, attributes: true, attributeFilter: ['src']});
})();
)JS";

}  // namespace

std::string PageStartScript(std::string_view mediaBase) {
    std::string script = ReplaceAll(kTemplate, "@WEB_MESSAGE@", kWebMessageHandler);
    script = ReplaceAll(script, "@DOM_READY@", kDomReadyHandler);
    script = ReplaceAll(script, "@HOST_MESSAGE@", kHostMessageMethod);
    script = ReplaceAll(script, "@APP@", WideToUtf8(kAppOrigin));
    return ReplaceAll(script, "@MEDIA@", mediaBase);
}

}  // namespace tessaly
