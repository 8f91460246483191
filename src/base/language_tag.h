// The user's UI language as a BCP 47 tag, from the POSIX locale variables.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tessaly {

// A locale name ("de_AT.UTF-8", "sr_RS@latin", "pt_BR") as a BCP 47 tag ("de-AT", "sr-Latn-RS",
// "pt-BR"); "C" and "POSIX" are English ("en"). Empty when `locale` names no language.
std::string LanguageTagOfLocale(std::string_view locale);

// The tag of the first of LANGUAGE (its first entry), LC_ALL, LC_MESSAGES and LANG that names a
// language, read through `variable` (null when unset); "en" when none does. Whether that locale
// is installed plays no part.
std::string UserLanguageTag(const std::function<const char*(const char*)>& variable);

}  // namespace tessaly
