#include <windows.h>
// (windows.h first: the shell and COM headers below rely on it.)
#include <shlwapi.h>

#include "server/resource_handler_win32.h"

#include <optional>

#include "base/browser_string_win32.h"
#include "base/wide_cast.h"
#include "server/resource_response.h"
#include "server/span_stream_win32.h"
#include "webview2/com_ptr_win32.h"

namespace tessaly {
namespace {

using Microsoft::WRL::ComPtr;

// The header value when the request carries one; an empty value when it says it does but the
// value cannot be read, which no range satisfies.
std::optional<std::u16string> RangeHeader(ICoreWebView2HttpRequestHeaders* headers) {
    BOOL present = FALSE;
    if (!headers || FAILED(headers->Contains(L"Range", &present)) || !present) {
        return std::nullopt;
    }
    BrowserString value;
    headers->GetHeader(L"Range", value.out());
    return std::u16string(value.view());
}

IStream* MemoryStream(std::string_view bytes) {
    return SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), UINT(bytes.size()));
}

// The body stream the answer asks for; an answer whose stream cannot be made becomes a 500.
IStream* BodyStream(ResourceResponse& answer) {
    IStream* stream = nullptr;
    switch (answer.body) {
        case BodyKind::None:
            return nullptr;
        case BodyKind::NotFoundText:
            return MemoryStream(kNotFoundBody);
        case BodyKind::WholeFile:
            if (FAILED(SHCreateStreamOnFileEx(AsWide(answer.filePath), STGM_READ, 0, FALSE, nullptr,
                                              &stream))) {
                stream = nullptr;
            }
            break;
        case BodyKind::Span:
            stream = CreateSpanStream(SpanReader(answer.file, answer.span));
            break;
        case BodyKind::Decoded:
            stream =
                CreateDecodedStream(DecodedReader(answer.file, answer.compression, answer.span));
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
                                   MappedFileCache& cache, const AnswerOptions& options) {
    ComPtr<ICoreWebView2WebResourceRequest> request;
    if (!args || FAILED(args->get_Request(&request)) || !request) {
        return S_OK;
    }
    BrowserString uri;
    request->get_Uri(uri.out());
    ComPtr<ICoreWebView2HttpRequestHeaders> headers;
    if (FAILED(request->get_Headers(&headers))) {
        headers.Reset();
    }
    const std::optional<std::u16string> range = RangeHeader(headers.Get());

    ResourceResponse answer = AnswerResourceRequest(
        uri.view(), range ? std::optional<std::u16string_view>(*range) : std::nullopt,
        contentFolder, files, cache, options);
    const ComPtr<IStream> body = AdoptReference(BodyStream(answer));
    const std::u16string reason(answer.reason);
    const std::u16string headerText = JoinHeaderLines(answer.headerLines);

    ComPtr<ICoreWebView2WebResourceResponse> response;
    if (environment &&
        SUCCEEDED(environment->CreateWebResourceResponse(body.Get(), answer.status, AsWide(reason),
                                                         AsWide(headerText), &response)) &&
        response) {
        args->put_Response(response.Get());
    }
    return S_OK;
}

HRESULT AnswerServerError(ICoreWebView2Environment* environment,
                          ICoreWebView2WebResourceRequestedEventArgs* args,
                          bool isolated) noexcept {
    // kIsolationHeaderLines, joined.
    const wchar_t* const headers = isolated ? L"Cache-Control: no-store\n"
                                              L"Cross-Origin-Opener-Policy: same-origin\n"
                                              L"Cross-Origin-Embedder-Policy: require-corp"
                                            : L"Cache-Control: no-store";
    ICoreWebView2WebResourceResponse* response = nullptr;
    if (environment && args &&
        SUCCEEDED(environment->CreateWebResourceResponse(nullptr, 500, L"Internal Server Error",
                                                         headers, &response)) &&
        response) {
        args->put_Response(response);
        response->Release();
    }
    return S_OK;
}

}  // namespace tessaly
