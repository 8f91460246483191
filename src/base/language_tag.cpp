#include "base/language_tag.h"

#include <algorithm>

namespace tessaly {
namespace {

bool IsLetters(std::string_view text, std::size_t min, std::size_t max) {
    return text.size() >= min && text.size() <= max &&
           std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

std::string Cased(std::string_view text, bool upper) {
    std::string cased(text);
    for (char& c : cased) {
        if (upper && c >= 'a' && c <= 'z') {
            c = char(c - 'a' + 'A');
        } else if (!upper && c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
        }
    }
    return cased;
}

// The modifiers that name a script, and the script's code.
std::string_view ScriptOfModifier(std::string_view modifier) {
    if (modifier == "latin") {
        return "Latn";
    }
    if (modifier == "cyrillic") {
        return "Cyrl";
    }
    if (modifier == "devanagari") {
        return "Deva";
    }
    return {};
}

}  // namespace

std::string LanguageTagOfLocale(std::string_view locale) {
    if (locale == "C" || locale == "POSIX" || locale.starts_with("C.")) {
        return "en";
    }
    std::string_view modifier;
    if (const std::size_t at = locale.find('@'); at != std::string_view::npos) {
        modifier = locale.substr(at + 1);
        locale = locale.substr(0, at);
    }
    locale = locale.substr(0, locale.find('.'));  // the character set plays no part
    const std::size_t underscore = locale.find('_');
    const std::string_view language = locale.substr(0, underscore);
    const std::string_view territory =
        underscore == std::string_view::npos ? std::string_view() : locale.substr(underscore + 1);
    if (!IsLetters(language, 2, 3)) {
        return {};
    }
    std::string tag = Cased(language, false);
    if (const std::string_view script = ScriptOfModifier(modifier); !script.empty()) {
        tag += '-';
        tag += script;
    }
    if (IsLetters(territory, 2, 2) ||
        (territory.size() == 3 && std::all_of(territory.begin(), territory.end(),
                                              [](char c) { return c >= '0' && c <= '9'; }))) {
        tag += '-';
        tag += Cased(territory, true);
    }
    return tag;
}

std::string UserLanguageTag(const std::function<const char*(const char*)>& variable) {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = variable(name);
        if (!value) {
            continue;
        }
        std::string_view locale(value);
        locale = locale.substr(0, locale.find(':'));  // LANGUAGE is a list, best first
        if (std::string tag = LanguageTagOfLocale(locale); !tag.empty()) {
            return tag;
        }
    }
    return "en";
}

}  // namespace tessaly
