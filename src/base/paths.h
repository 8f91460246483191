// Where the program lies and where the browser keeps its per-user data.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tessaly {

// The path up to and including its last backslash; the whole path when it holds none.
std::u16string FolderOf(std::u16string_view path);

// The browser's per-user data folder: the local application data folder, a backslash, and the
// package name, joined as they are (a backslash in the name makes a nested folder).
std::u16string UserDataFolderFor(std::u16string_view localAppData, std::u16string_view name);

// Reads a text of unknown length from a query that fills a buffer of the given size and returns
// the units written: a count of 0 is a failure, and a count that fills the whole buffer means the
// text was cut, so the query is asked again with a buffer twice as large.
using BufferQuery = std::function<std::uint32_t(char16_t* buffer, std::uint32_t size)>;
std::u16string ReadWithGrowingBuffer(const BufferQuery& query, std::uint32_t initialSize);

// Windows only. The canonical full path of the running executable, computed once per process.
// Long paths are never cut.
std::u16string ModulePath();

// Windows only. The current user's local application data folder without a trailing backslash,
// computed once per process; empty (and asked again next time) when Windows cannot tell.
std::u16string LocalAppDataFolder();

// Windows only. The current user's roaming application data folder (%APPDATA%) without a
// trailing backslash; empty when Windows cannot tell.
std::u16string RoamingAppDataFolder();

}  // namespace tessaly
