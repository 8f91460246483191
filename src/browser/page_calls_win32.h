// The Windows program's side of window.tessaly: the script in every document, and the page's
// calls, answered with posted web messages. Everything here runs on the user-interface thread.
#pragma once

#include <string_view>

#include "webview2/webview2.h"

namespace tessaly {

// Puts the script that defines window.tessaly into every document the view creates from now on,
// and readies the calls. Before the first navigation, so the start page has it.
void StartPageCalls(ICoreWebView2* view);

// Takes a message text of the app's top-level document when it is a call (its reply follows
// later); false for any other message.
bool TakePageCall(std::u16string_view text);

// Finishes the calls already taken, writes included, once the message loop has ended.
void FinishPageCalls();

}  // namespace tessaly
