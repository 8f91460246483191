// Serving needs the HTTP library, which this build does not have.
#include "tessaly/serve.h"

namespace tessaly::tool {

bool CanServe() {
    return false;
}

int Serve(const ServeOptions&, std::ostream&, std::ostream& err) {
    err << "serve: this build of tessaly cannot serve; use a Linux build\n";
    return 1;
}

}  // namespace tessaly::tool
