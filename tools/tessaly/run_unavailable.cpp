// Running the Linux program needs a Linux build of the tool.
#include "tessaly/run.h"

namespace tessaly::tool {

int RunApp(const RunOptions&, std::ostream&, std::ostream& err) {
    err << "run: this build of tessaly cannot run apps; use a Linux build\n";
    return 1;
}

}  // namespace tessaly::tool
