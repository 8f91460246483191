// The program's log: lines for whoever looks into why something did not work, such as a native
// extension that could not be loaded. The Linux program writes them to standard error; the
// Windows program, which has none, to a file in its data folder. Any thread may write.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

void WriteLog(std::string_view line);

// Windows: the file the log goes to; the first line of a run replaces what an earlier run left.
// Until it is set, lines go to the debugger only.
void SetLogFile(std::u16string path);

}  // namespace tessaly
