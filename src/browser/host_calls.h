// The page's calls to the program through window.tessaly; their texts are page_messages.h's. A
// call is read on a background thread and run where it belongs: file methods on a thread of their
// own, one after another in the order taken, so writes to one file apply in call order; window
// and app methods on the user-interface thread; an extension's calls on the extension's thread.
// So a window call never waits behind a write's flush, and no call waits for an extension.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/architecture.h"
#include "base/work_queue.h"
#include "browser/call_budget.h"
#include "browser/page_messages.h"
#include "extensions/extensions.h"
#include "saves/save_folder.h"

namespace tessaly {

// What the calls in flight may hold at most (CallBudget), and the least one counts for: at most
// 4096 calls then, each of which may post one task to the user-interface thread, well below the
// 10,000 messages Windows lets wait for a thread.
inline constexpr std::size_t kCallBudgetBytes = 64 * 1024 * 1024;
inline constexpr std::size_t kLeastCallBytes = 16 * 1024;

// What app.info() tells the page. Texts are UTF-8.
struct AppFacts {
    std::string name;
    std::string version;
    std::string platform;  // "windows" or "linux"
    std::string arch;      // "x86", "x64" or "arm64"
    std::vector<std::string> args;
    std::string language;     // a BCP 47 tag
    std::string filesFolder;  // absolute; empty when the app's name cannot name a folder
};

struct WindowBounds {
    std::int32_t x = 0;  // the window's position on the screen
    std::int32_t y = 0;
    std::int32_t width = 0;  // the content area, in CSS pixels
    std::int32_t height = 0;
};

// The host window as the page's window methods use it; called on the user-interface thread.
class PageWindow {
  public:
    virtual ~PageWindow() = default;
    // Closes the window as its close button does; the process then exits with `code`.
    virtual void Quit(int code) = 0;
    virtual bool IsFullscreen() = 0;
    virtual void SetFullscreen(bool fullscreen) = 0;
    virtual void SetTitle(const std::string& title) = 0;
    // Makes the content area `width` x `height` CSS pixels, scaled for the display and kept on
    // the screen.
    virtual void SetContentSize(std::int32_t width, std::int32_t height) = 0;
    virtual WindowBounds Bounds() = 0;
    virtual void Minimize() = 0;
    virtual void SetAlwaysOnTop(bool onTop) = 0;
};

// Runs a task on the user-interface thread, later, from its main loop.
using UiThreadPoster = std::function<void(std::function<void()>)>;
// Hands one reply (JSON text, UTF-8) to the page; called on the user-interface thread.
using ReplySender = std::function<void(const std::string& reply)>;

class CallReply;

// How extensions' events reach the page: each becomes its message, handed to `send` on the
// user-interface thread, and its delivery is told back.
EventSender PageEventSender(UiThreadPoster runOnUiThread, ReplySender send);

class HostCalls {
  public:
    // `saves` is null when the app has no save folder. Leftovers of interrupted writes are
    // removed first, off the user-interface thread. `extensions` may be null: the app has none.
    // `log` takes what a call threw.
    HostCalls(AppFacts facts, std::string key, PageWindow& window,
              std::unique_ptr<SaveFolder> saves, std::unique_ptr<Extensions> extensions,
              UiThreadPoster runOnUiThread, TaskFailureLog log);
    // Finishes every call already taken, writes included, then unloads the extensions.
    ~HostCalls();

    // Takes a call's text (one that starts with kHostCallOpening) on the user-interface thread
    // and returns at once. Each call gets one reply through `reply`, on the user-interface
    // thread, except a text without a readable id or with the wrong key, which gets none. A call
    // too large, or one that finds the budget spent, is refused from within Take.
    void Take(std::string text, ReplySender reply);
    void Take(std::u16string text, ReplySender reply);

  private:
    template <class Text>
    void Admit(Text text, const ReplySender& reply);
    void Read(std::string text, const ReplySender& reply,
              const std::shared_ptr<CallBudget::Share>& share);
    void Route(PageCall call, const CallReply& back);
    void RunWindowCall(const PageCall& call, const CallReply& back);

    const AppFacts facts_;
    const std::string key_;
    PageWindow& window_;
    std::unique_ptr<SaveFolder> saves_;
    std::unique_ptr<Extensions> extensions_;
    UiThreadPoster runOnUiThread_;
    TaskFailureLog log_;
    CallBudget budget_{kCallBudgetBytes, kLeastCallBytes};
    WorkQueue files_{log_};
    WorkQueue reader_{log_};  // last: it stops first, having handed on every call it read
};

}  // namespace tessaly
