// Windows glue only: the body stream of a partial answer.
#pragma once

#include <windows.h>
// windows.h first: the COM headers rely on it.
#include <objidl.h>

#include "server/decoded_reader.h"
#include "server/span_reader.h"

namespace tessaly {

// A read-only IStream over one span of a cached file. The browser runtime reads bodies on a
// thread of its own after the handler has returned, and may keep the stream as long as the
// page, so the stream holds no bytes: it reads them from the file when asked (SpanReader).
// Null when memory runs out.
IStream* CreateSpanStream(SpanReader reader);

// The same over the decoded bytes of a compressed file: the decoder exists only while the
// stream is being read to its end, so a stream kept after reading holds next to nothing.
IStream* CreateDecodedStream(DecodedReader reader);

}  // namespace tessaly
