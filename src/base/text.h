// Conversion between UTF-8 byte strings and UTF-16 wide strings, and two small string edits.
//
// Wide strings are std::u16string so that portable code sees exactly the code units that
// Windows APIs see; the Windows glue hands them over as wchar_t pointers.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// UTF-8 to UTF-16. Ill-formed input never fails: it becomes U+FFFD exactly where Windows'
// MultiByteToWideChar with flags 0 puts it. NUL bytes are kept.
std::u16string Utf8ToWide(std::string_view bytes);

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD; U+0000 units are kept.
std::string WideToUtf8(std::u16string_view text);

// Removes trailing, then leading, units in U+0009..U+000D and U+0020 (the C locale's white
// space). Other spaces such as U+00A0 stay.
void TrimWhitespace(std::u16string& text);

// Replaces every non-overlapping occurrence of `pattern` (not empty), left to right.
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view pattern,
                          std::u16string_view replacement);
std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement);

}  // namespace tessaly
