#include "browser/browser_gtk.h"

#include <webkit2/webkit2.h>

#include <atomic>
#include <memory>

#include "base/caught_exception.h"
#include "base/program_log.h"
#include "base/text.h"
#include "browser/app_origin.h"
#include "browser/content_answer.h"
#include "browser/external_uri.h"
#include "browser/main_loop_tasks_gtk.h"
#include "browser/page_api_script.h"
#include "browser/page_message_pacer.h"
#include "browser/page_replies_gtk.h"
#include "browser/page_scripts.h"
#include "browser/web_message.h"
#include "config/program.h"
#include "window/host_window_gtk.h"

// A GInputStream over a ResponseBody. GIO may call its read from a worker thread; each stream
// is read by one thread at a time.
struct TessalyBodyStream {
    GInputStream parent;
    tessaly::ResponseBody* body;
};
struct TessalyBodyStreamClass {
    GInputStreamClass parent;
};
G_DEFINE_TYPE(TessalyBodyStream, tessaly_body_stream, G_TYPE_INPUT_STREAM)

static gssize tessaly_body_stream_read(GInputStream* stream, void* buffer, gsize count,
                                       GCancellable*, GError** error) {
    tessaly::ResponseBody& body = *reinterpret_cast<TessalyBodyStream*>(stream)->body;
    const std::size_t read = body.Read({static_cast<std::byte*>(buffer), count});
    if (read == 0 && count > 0 && body.remaining() > 0) {
        g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_FAILED, "the file could not be read");
        return -1;
    }
    return gssize(read);
}

static void tessaly_body_stream_finalize(GObject* object) {
    delete reinterpret_cast<TessalyBodyStream*>(object)->body;
    G_OBJECT_CLASS(tessaly_body_stream_parent_class)->finalize(object);
}

static void tessaly_body_stream_class_init(TessalyBodyStreamClass* type) {
    G_OBJECT_CLASS(type)->finalize = tessaly_body_stream_finalize;
    G_INPUT_STREAM_CLASS(type)->read_fn = tessaly_body_stream_read;
}

static void tessaly_body_stream_init(TessalyBodyStream* stream) {
    stream->body = nullptr;
}

namespace tessaly {
namespace {

void LogHandlerFailure(const char* what) noexcept {
    try {
        WriteLog(std::string("a browser event's handler failed: ") + what);
    } catch (...) {
    }
}

// GTK and WebKit call the handlers below from C: an exception unwinding into them would end the
// process. Each handler's exception ends here instead, in the log, and the engine gets the
// handler's "not handled" answer (FALSE, null or nothing).
template <auto Handler>
struct NoThrow;

template <class Result, class... Args, Result (*Handler)(Args...)>
struct NoThrow<Handler> {
    static Result Call(Args... args) noexcept {
        try {
            return Handler(args...);
        } catch (...) {
            LogHandlerFailure(CaughtWhat());
        }
        return Result();
    }
};

// The host window as the page's window methods see it.
class GtkPageWindow final : public PageWindow {
  public:
    GtkPageWindow(GtkWindow* window, int& exitCode) : window_(window), exitCode_(exitCode) {}

    void Quit(int code) override {
        exitCode_ = code;
        gtk_window_close(window_);  // as the close button does
    }
    bool IsFullscreen() override { return IsHostFullscreen(); }
    void SetFullscreen(bool fullscreen) override { SetHostFullscreen(window_, fullscreen); }
    void SetTitle(const std::string& title) override {
        gtk_window_set_title(window_, title.c_str());
    }
    void SetContentSize(std::int32_t width, std::int32_t height) override {
        // GTK's logical pixels are CSS pixels: both follow the desktop's scale. The window holds
        // the view alone, so its size is the content's; the window manager's frame goes around
        // it, and the two together must fit the work area, or part of the content is off screen.
        GdkRectangle screen{0, 0, width, height};
        GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window_));
        GdkWindow* shown = gtk_widget_get_window(GTK_WIDGET(window_));
        if (GdkMonitor* monitor = shown ? gdk_display_get_monitor_at_window(display, shown)
                                        : gdk_display_get_primary_monitor(display)) {
            gdk_monitor_get_workarea(monitor, &screen);
        }
        if (shown) {
            GdkRectangle frame;
            gdk_window_get_frame_extents(shown, &frame);
            screen.width -= frame.width - gdk_window_get_width(shown);
            screen.height -= frame.height - gdk_window_get_height(shown);
        }
        gtk_window_resize(window_, std::min(width, screen.width), std::min(height, screen.height));
    }
    WindowBounds Bounds() override {
        WindowBounds bounds;
        gtk_window_get_position(window_, &bounds.x, &bounds.y);
        GtkWidget* content = gtk_bin_get_child(GTK_BIN(window_));
        bounds.width = content ? gtk_widget_get_allocated_width(content) : 0;
        bounds.height = content ? gtk_widget_get_allocated_height(content) : 0;
        return bounds;
    }
    void Minimize() override { gtk_window_iconify(window_); }
    void SetAlwaysOnTop(bool onTop) override { gtk_window_set_keep_above(window_, onTop); }

  private:
    GtkWindow* window_;
    int& exitCode_;
};

// Enough to keep the page busy between two turns of the main loop.
constexpr std::size_t kMostMessagesRunning = 64;
// Some seconds of a busy extension's events; a page that falls further behind loses events,
// rather than the program its memory.
constexpr std::size_t kMostMessagesWaiting = 8192;

// Hands the page one of its messages, a script; the pacer hears when it has run.
void RunInPage(const std::string& script);

struct Browser {
    explicit Browser(const BrowserOptions& given) : options(given) {}

    // The window and the view hold a reference of the program's own until FinishBrowser, so
    // nothing that runs after the window's destruction meets freed memory.
    BrowserOptions options;
    WebKitWebView* view = nullptr;
    // The window was destroyed: no handler touches it or the view any more.
    bool windowGone = false;
    int exitCode = 0;
    std::string callKey = NewCallKey();
    GtkPageWindow pageWindow{options.window, exitCode};
    MainLoopTasks tasks;
    PageReplies replies;
    PageMessagePacer messages{kMostMessagesRunning, kMostMessagesWaiting, RunInPage, WriteLog};
    std::unique_ptr<HostCalls> calls;
};

Browser* TheBrowser = nullptr;

void OnMessageRun(GObject* view, GAsyncResult* result, gpointer) {
    // The value, or the error of a page that was gone or threw, is of no use.
    if (JSCValue* value =
            webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, nullptr)) {
        g_object_unref(value);
    }
    TheBrowser->messages.Delivered();
}

void RunInPage(const std::string& script) {
    webkit_web_view_evaluate_javascript(TheBrowser->view, script.c_str(), gssize(script.size()),
                                        nullptr, nullptr, nullptr, OnMessageRun, nullptr);
}

// The main loop runs `task` soon, on its own thread, unless the window is gone by then.
void RunOnUiThread(std::function<void()> task) {
    TheBrowser->tasks.Post(std::move(task));
}

// Sends the reply numbered `number`. Any thread may hold and drop the sender, since it carries
// the number only; dropped unsent (a call the program does not answer), it lets the reply go on
// the main thread.
ReplySender ReplySenderFor(std::uint64_t number) {
    struct Ticket {
        explicit Ticket(std::uint64_t given) : number(given) {}
        ~Ticket() {
            if (!sent) {
                RunOnUiThread([number = number] { TheBrowser->replies.Forget(number); });
            }
        }
        const std::uint64_t number;
        std::atomic<bool> sent = false;
    };
    auto ticket = std::make_shared<Ticket>(number);
    return [ticket](const std::string& reply) {
        ticket->sent = true;
        TheBrowser->replies.Answer(ticket->number, reply);
    };
}

std::string Utf8Or(const char* text) {
    return text ? text : "";
}

bool ShowsApp(WebKitWebView* view) {
    return !TheBrowser->windowGone &&
           HasAppOriginPrefix(Utf8ToWide(Utf8Or(webkit_web_view_get_uri(view))));
}

// A message the page did not ask for, to the app's document as a message event.
void SendToPage(const std::string& message) {
    if (!ShowsApp(TheBrowser->view)) {
        return;
    }
    // The message is JSON, and so a script expression of its own.
    TheBrowser->messages.Send(std::string("window.chrome.webview.") + kHostMessageMethod + "(" +
                              message + ")");
}

void SetFullscreen(bool fullscreen) {
    if (TheBrowser->windowGone) {
        return;
    }
    SetHostFullscreen(TheBrowser->options.window, fullscreen);
}

// Every request under the app's origin: the content server's status, header lines and body.
void OnAppRequest(WebKitURISchemeRequest* request, gpointer) {
    const std::optional<std::u16string> uri =
        VirtualUriOfAppUri(Utf8ToWide(webkit_uri_scheme_request_get_uri(request)));
    if (!uri) {
        // Another host under the scheme: never the app's.
        GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "not found");
        webkit_uri_scheme_request_finish_error(request, error);
        g_error_free(error);
        return;
    }
    std::optional<std::u16string> range;
    if (SoupMessageHeaders* headers = webkit_uri_scheme_request_get_http_headers(request)) {
        if (const char* value = soup_message_headers_get_one(headers, "Range")) {
            range = Utf8ToWide(value);
        }
    }
    ResourceResponse answer = AnswerContentRequest(
        *uri, range, TheBrowser->options.contentFolder,
        {.crossOriginIsolation = TheBrowser->options.settings.crossOriginIsolation});
    auto* stream =
        static_cast<TessalyBodyStream*>(g_object_new(tessaly_body_stream_get_type(), nullptr));
    stream->body = new ResponseBody(answer);  // may turn the answer into a 500
    WebKitURISchemeResponse* response =
        webkit_uri_scheme_response_new(G_INPUT_STREAM(stream), gint64(stream->body->size()));
    webkit_uri_scheme_response_set_status(response, guint(answer.status),
                                          WideToUtf8(answer.reason).c_str());
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    for (const std::u16string& line : answer.headerLines) {
        const auto [name, value] = SplitHeaderLine(line);
        if (name == "Content-Type") {
            webkit_uri_scheme_response_set_content_type(response, value.c_str());
        }
        soup_message_headers_append(headers, name.c_str(), value.c_str());
    }
    webkit_uri_scheme_response_set_http_headers(response, headers);  // takes the headers
    webkit_uri_scheme_request_finish_with_response(request, response);
    g_object_unref(response);
    g_object_unref(stream);
}

gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                        WebKitPolicyDecisionType type, gpointer) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
        return FALSE;
    }
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
        WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    const std::string uri =
        Utf8Or(webkit_uri_request_get_uri(webkit_navigation_action_get_request(action)));
    // The app's own pages, and the empty documents of its frames; nothing else, in any frame.
    if (HasAppOriginPrefix(Utf8ToWide(uri)) || uri == "about:blank" || uri == "about:srcdoc") {
        return FALSE;
    }
    webkit_policy_decision_ignore(decision);
    return TRUE;
}

// A new window, by link or by script: the desktop's default handler for web, mail and phone
// addresses; never a window of the browser's own.
GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer) {
    const std::string uri =
        Utf8Or(webkit_uri_request_get_uri(webkit_navigation_action_get_request(action)));
    if (!TheBrowser->windowGone && IsSafeToOpenExternally(Utf8ToWide(uri))) {
        gtk_show_uri_on_window(TheBrowser->options.window, uri.c_str(), GDK_CURRENT_TIME, nullptr);
    }
    return nullptr;
}

gboolean OnPermissionRequest(WebKitWebView* view, WebKitPermissionRequest* request, gpointer) {
    // The packaged app gets what it asks for without a prompt; nothing else does.
    if (ShowsApp(view)) {
        webkit_permission_request_allow(request);
    } else {
        webkit_permission_request_deny(request);
    }
    return TRUE;
}

void OnTitleChanged(WebKitWebView* view, GParamSpec*, gpointer) {
    if (TheBrowser->windowGone) {
        return;
    }
    gtk_window_set_title(TheBrowser->options.window,
                         Utf8Or(webkit_web_view_get_title(view)).c_str());
}

void OnClose(WebKitWebView*, gpointer) {
    if (TheBrowser->windowGone) {
        return;
    }
    gtk_widget_destroy(GTK_WIDGET(TheBrowser->options.window));
}

// The page's own Fullscreen API; the engine itself then makes the window full screen, which the
// shared state already agrees with.
gboolean OnEnterFullscreen(WebKitWebView*, gpointer) {
    SetFullscreen(true);
    return FALSE;
}

gboolean OnLeaveFullscreen(WebKitWebView*, gpointer) {
    SetFullscreen(false);
    return FALSE;
}

// Every string the page posts: a call of window.tessaly gets its reply later, anything else is
// answered at once with nothing.
gboolean OnWebMessage(WebKitUserContentManager*, JSCValue* value, WebKitScriptMessageReply* reply,
                      gpointer) {
    JSCContext* context = jsc_value_get_context(value);
    if (ShowsApp(TheBrowser->view) && jsc_value_is_string(value)) {
        char* text = jsc_value_to_string(value);
        if (std::string_view(text).starts_with(kHostCallOpening)) {
            TheBrowser->calls->Take(std::string(text),
                                    ReplySenderFor(TheBrowser->replies.Keep(reply, context)));
            g_free(text);
            return TRUE;
        }
        HandleWebMessage(Utf8ToWide(text), SetFullscreen);
        g_free(text);
    }
    JSCValue* nothing = jsc_value_new_undefined(context);
    webkit_script_message_reply_return_value(reply, nothing);
    g_object_unref(nothing);
    return TRUE;
}

void OnDomReady(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer) {
    // Every document, not only the first: the page is on screen and has the keyboard.
    g_debug("DOM ready");
    if (TheBrowser->windowGone) {
        return;
    }
    gtk_widget_show_all(GTK_WIDGET(TheBrowser->options.window));
    gtk_widget_grab_focus(GTK_WIDGET(TheBrowser->view));
}

void OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer) {
    if (reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API || TheBrowser->windowGone) {
        return;
    }
    TheBrowser->exitCode = 1;
    // Once the view has finished its signal: destroying the window destroys the view too.
    g_idle_add(
        [](gpointer) -> gboolean {
            ShowErrorMessage(u"The browser engine stopped unexpectedly, so the app has to close.",
                             TheBrowser->options.settings.title);
            if (!TheBrowser->windowGone) {  // closed while the message was shown
                gtk_widget_destroy(GTK_WIDGET(TheBrowser->options.window));
            }
            return G_SOURCE_REMOVE;
        },
        nullptr);
}

// Before the view goes with the window: the tasks still waiting would touch both.
void OnWindowDestroyed(GtkWidget*, gpointer) {
    TheBrowser->windowGone = true;
    TheBrowser->tasks.Close();
    TheBrowser->messages.Clear();
}

}  // namespace

void CreateBrowser(const BrowserOptions& options) {
    TheBrowser = new Browser(options);  // lives as long as the process
    Browser& browser = *TheBrowser;
    g_object_ref(options.window);
    g_signal_connect(options.window, "destroy", G_CALLBACK(NoThrow<OnWindowDestroyed>::Call),
                     nullptr);
    const std::string& saves = options.facts.filesFolder;
    browser.calls =
        std::make_unique<HostCalls>(options.facts, browser.callKey, browser.pageWindow,
                                    saves.empty() ? nullptr : OpenSaveFolder(Utf8ToWide(saves)),
                                    StartExtensions(options.settings.extensions, options.appFolder,
                                                    PageEventSender(RunOnUiThread, SendToPage)),
                                    RunOnUiThread, WriteLog);

    WebKitWebsiteDataManager* data = webkit_website_data_manager_new(
        "base-data-directory", options.dataFolder.c_str(), "base-cache-directory",
        options.cacheFolder.c_str(), nullptr);
    const std::string cookies = options.dataFolder + "/cookies.sqlite";
    webkit_cookie_manager_set_persistent_storage(
        webkit_website_data_manager_get_cookie_manager(data), cookies.c_str(),
        WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
    WebKitWebContext* context = webkit_web_context_new_with_website_data_manager(data);
    const std::string scheme(kAppScheme);
    webkit_web_context_register_uri_scheme(context, scheme.c_str(), NoThrow<OnAppRequest>::Call,
                                           nullptr, nullptr);
    // Secure: window.isSecureContext holds, as on the Windows program's https origin. CORS:
    // the app's own requests are same-origin requests, with Range headers passed through.
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
    webkit_security_manager_register_uri_scheme_as_secure(security, scheme.c_str());
    webkit_security_manager_register_uri_scheme_as_cors_enabled(security, scheme.c_str());

    WebKitUserContentManager* content = webkit_user_content_manager_new();
    webkit_user_content_manager_register_script_message_handler_with_reply(
        content, kWebMessageHandler, nullptr);
    webkit_user_content_manager_register_script_message_handler(content, kDomReadyHandler);
    g_signal_connect(
        content, (std::string("script-message-with-reply-received::") + kWebMessageHandler).c_str(),
        G_CALLBACK(NoThrow<OnWebMessage>::Call), nullptr);
    g_signal_connect(content, (std::string("script-message-received::") + kDomReadyHandler).c_str(),
                     G_CALLBACK(NoThrow<OnDomReady>::Call), nullptr);
    // Only the app's documents get the script, and with it the media listener's address.
    const std::string appPattern = WideToUtf8(kAppOrigin) + "*";
    const char* const allowList[] = {appPattern.c_str(), nullptr};
    const std::string scripts = PageStartScript(options.mediaBaseUrl) +
                                PageApiScript(WideToUtf8(kAppOrigin), browser.callKey);
    WebKitUserScript* script =
        webkit_user_script_new(scripts.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, allowList, nullptr);
    webkit_user_content_manager_add_script(content, script);
    webkit_user_script_unref(script);

    WebKitSettings* settings = webkit_settings_new();
    webkit_settings_set_enable_developer_extras(settings, options.settings.enableDevTools);
    webkit_settings_set_media_playback_requires_user_gesture(settings, FALSE);
    webkit_settings_set_enable_fullscreen(settings, TRUE);
    // Scripts may ask for new windows without a click, as on Windows; the handler below decides
    // what becomes of them, and the browser never opens one itself.
    webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);

    browser.view = WEBKIT_WEB_VIEW(g_object_ref_sink(
        g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "user-content-manager", content,
                     "settings", settings, nullptr)));
    g_object_unref(settings);
    g_object_unref(content);
    g_object_unref(context);
    g_object_unref(data);

    g_signal_connect(browser.view, "decide-policy", G_CALLBACK(NoThrow<OnDecidePolicy>::Call),
                     nullptr);
    g_signal_connect(browser.view, "create", G_CALLBACK(NoThrow<OnCreate>::Call), nullptr);
    g_signal_connect(browser.view, "permission-request",
                     G_CALLBACK(NoThrow<OnPermissionRequest>::Call), nullptr);
    g_signal_connect(browser.view, "notify::title", G_CALLBACK(NoThrow<OnTitleChanged>::Call),
                     nullptr);
    g_signal_connect(browser.view, "close", G_CALLBACK(NoThrow<OnClose>::Call), nullptr);
    g_signal_connect(browser.view, "enter-fullscreen", G_CALLBACK(NoThrow<OnEnterFullscreen>::Call),
                     nullptr);
    g_signal_connect(browser.view, "leave-fullscreen", G_CALLBACK(NoThrow<OnLeaveFullscreen>::Call),
                     nullptr);
    g_signal_connect(browser.view, "web-process-terminated",
                     G_CALLBACK(NoThrow<OnWebProcessTerminated>::Call), nullptr);

    gtk_container_add(GTK_CONTAINER(options.window), GTK_WIDGET(browser.view));
    const std::u16string start = std::u16string(kAppOrigin) + options.settings.mainPage;
    webkit_web_view_load_uri(browser.view, WideToUtf8(start).c_str());
}

int FinishBrowser() {
    if (!TheBrowser) {
        return 0;
    }
    Browser& browser = *TheBrowser;
    // The call worker and the extensions' threads end here; what they post now is dropped.
    browser.calls.reset();
    browser.replies.Clear();
    g_object_unref(browser.view);
    g_object_unref(browser.options.window);
    return browser.exitCode;
}

}  // namespace tessaly
