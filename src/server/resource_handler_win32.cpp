#include <windows.h>
// (windows.h first: the shell and COM headers below rely on it.)
#include <shlwapi.h>

#include "server/resource_handler_win32.h"

#include <climits>
#include <optional>

#include "app/wide_cast.h"
#include "server/resource_response.h"

namespace tessaly {
namespace {

// The header value when the request carries one; an empty value when it says it does but the
// value cannot be read, which no range satisfies.
std::optional<std::u16string> RangeHeader(ICoreWebView2HttpRequestHeaders* headers) {
    BOOL present = FALSE;
    if (!headers || FAILED(headers->Contains(L"Range", &present)) || !present) {
        return std::nullopt;
    }
    LPWSTR value = nullptr;
    headers->GetHeader(L"Range", &value);
    std::u16string text = FromWide(value);
    CoTaskMemFree(value);
    return text;
}

IStream* MemoryStream(const void* bytes, std::size_t count) {
    if (count > UINT_MAX) {
        return nullptr;
    }
    return SHCreateMemStream(static_cast<const BYTE*>(bytes), UINT(count));
}

// The body stream the answer asks for; an answer whose stream cannot be made becomes a 500.
IStream* BodyStream(ResourceResponse& answer) {
    IStream* stream = nullptr;
    switch (answer.body) {
        case BodyKind::None:
            return nullptr;
        case BodyKind::NotFoundText:
            return MemoryStream(kNotFoundBody.data(), kNotFoundBody.size());
        case BodyKind::WholeFile:
            if (FAILED(SHCreateStreamOnFileEx(AsWide(answer.filePath), STGM_READ, 0, FALSE, nullptr,
                                              &stream))) {
                stream = nullptr;
            }
            break;
        case BodyKind::Span:
            stream = MemoryStream(answer.span.data(), answer.span.size());
            break;
    }
    if (!stream) {
        AnswerBodyUnavailable(answer);
    }
    return stream;
}

}  // namespace

HRESULT HandleWebResourceRequested(ICoreWebView2Environment* environment,
                                   ICoreWebView2WebResourceRequestedEventArgs* args,
                                   const std::u16string& contentFolder, FileAccess& files,
                                   MappedFileCache& cache) {
    ICoreWebView2WebResourceRequest* request = nullptr;
    if (!args || FAILED(args->get_Request(&request)) || !request) {
        return S_OK;
    }
    LPWSTR uri = nullptr;
    request->get_Uri(&uri);
    ICoreWebView2HttpRequestHeaders* headers = nullptr;
    if (FAILED(request->get_Headers(&headers))) {
        headers = nullptr;
    }
    const std::optional<std::u16string> range = RangeHeader(headers);

    ResourceResponse answer = AnswerResourceRequest(
        FromWide(uri), range ? std::optional<std::u16string_view>(*range) : std::nullopt,
        contentFolder, files, cache);
    IStream* body = BodyStream(answer);
    const std::u16string reason(answer.reason);
    const std::u16string headerText = JoinHeaderLines(answer.headerLines);

    ICoreWebView2WebResourceResponse* response = nullptr;
    if (environment &&
        SUCCEEDED(environment->CreateWebResourceResponse(body, answer.status, AsWide(reason),
                                                         AsWide(headerText), &response)) &&
        response) {
        args->put_Response(response);
    }
    if (response) {
        response->Release();
    }
    if (body) {
        body->Release();
    }
    if (headers) {
        headers->Release();
    }
    request->Release();
    CoTaskMemFree(uri);
    return S_OK;
}

}  // namespace tessaly
