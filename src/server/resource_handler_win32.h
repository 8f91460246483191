// Windows glue only: answering the browser's WebResourceRequested events for the virtual origin.
#pragma once

#include "webview2/webview2.h"
// (webview2.h brings windows.h first.)

#include <string>

#include "server/file_access.h"
#include "server/mapped_file_cache.h"
#include "server/resource_response.h"

namespace tessaly {

// Answers one request before it returns: reads the URI and any Range header from `args`, decides
// the answer (AnswerResourceRequest), makes the body stream (a stream over the file for whole
// files, a memory copy for spans), creates the response with `environment` and hands it to
// `args`. Releases everything it obtained and always returns S_OK.
HRESULT HandleWebResourceRequested(ICoreWebView2Environment* environment,
                                   ICoreWebView2WebResourceRequestedEventArgs* args,
                                   const std::u16string& contentFolder, FileAccess& files,
                                   MappedFileCache& cache, const AnswerOptions& options = {});

// Answers "500 Internal Server Error" with no body, for a request whose answer could not be
// decided (memory ran out on the way), with the isolation header lines when `isolated`.
// Allocates nothing of its own and never throws.
HRESULT AnswerServerError(ICoreWebView2Environment* environment,
                          ICoreWebView2WebResourceRequestedEventArgs* args,
                          bool isolated = false) noexcept;

}  // namespace tessaly
