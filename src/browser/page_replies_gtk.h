// The page's calls that wait for their replies, kept on the main thread only. WebKit answers a
// reply object itself when its last reference goes, on whatever thread that is, so the objects
// never leave the main thread: what travels with a call to the call worker and the extensions'
// threads is its number.
#pragma once

#include <webkit2/webkit2.h>

#include <cstdint>
#include <string>
#include <unordered_map>

namespace tessaly {

class PageReplies {
  public:
    PageReplies() = default;
    PageReplies(const PageReplies&) = delete;
    PageReplies& operator=(const PageReplies&) = delete;

    // Keeps a reference to `reply` and to the context its value is made in; the number to
    // answer it by.
    std::uint64_t Keep(WebKitScriptMessageReply* reply, JSCContext* context);
    // Gives the page `text` as the reply numbered `number` and lets the reply go; nothing when
    // it was answered or forgotten already.
    void Answer(std::uint64_t number, const std::string& text);
    // Lets a reply go unanswered: WebKit then settles the page's promise itself.
    void Forget(std::uint64_t number);
    // Lets every reply still waiting go: at the end, once nothing can answer them any more.
    void Clear();

  private:
    struct Pending {
        WebKitScriptMessageReply* reply;
        JSCContext* context;
    };
    static void Release(const Pending& pending);

    std::unordered_map<std::uint64_t, Pending> pending_;
    std::uint64_t lastNumber_ = 0;
};

}  // namespace tessaly
