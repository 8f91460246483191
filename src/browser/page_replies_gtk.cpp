#include "browser/page_replies_gtk.h"

namespace tessaly {

std::uint64_t PageReplies::Keep(WebKitScriptMessageReply* reply, JSCContext* context) {
    pending_.emplace(++lastNumber_, Pending{webkit_script_message_reply_ref(reply),
                                            JSC_CONTEXT(g_object_ref(context))});
    return lastNumber_;
}

void PageReplies::Answer(std::uint64_t number, const std::string& text) {
    const auto found = pending_.find(number);
    if (found == pending_.end()) {
        return;
    }
    JSCValue* value = jsc_value_new_string(found->second.context, text.c_str());
    webkit_script_message_reply_return_value(found->second.reply, value);
    g_object_unref(value);
    Forget(number);
}

void PageReplies::Forget(std::uint64_t number) {
    const auto found = pending_.find(number);
    if (found != pending_.end()) {
        Release(found->second);
        pending_.erase(found);
    }
}

void PageReplies::Clear() {
    for (const auto& [number, pending] : pending_) {
        Release(pending);
    }
    pending_.clear();
}

void PageReplies::Release(const Pending& pending) {
    webkit_script_message_reply_unref(pending.reply);
    g_object_unref(pending.context);
}

}  // namespace tessaly
