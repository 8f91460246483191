#include "tessaly/file_names.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace tessaly::tool {
namespace {

TEST(ProgramFileName, MakesAWindowsFileNameFromTheAppName) {
    const struct {
        std::u16string name;
        std::u16string file;
    } cases[] = {
        {u"hello", u"hello.exe"},
        {u"My App", u"My App.exe"},
        {u"Caf\u00e9 \u266a", u"Caf\u00e9 \u266a.exe"},
        {u"a/b\\c:d*e?f\"g<h>i|j", u"a_b_c_d_e_f_g_h_i_j.exe"},
        {u"tab\there\u007f", u"tab_here_.exe"},
        {u"  spaced out . . ", u"spaced out.exe"},
        {u"...", u"app.exe"},
        {u"   ", u"app.exe"},
        {u"CON", u"CON_.exe"},
        {u"nul", u"nul_.exe"},
        {u"com1", u"com1_.exe"},
        {u"Lpt9 ", u"Lpt9_.exe"},
        {u"console", u"console.exe"},
        {std::u16string(300, u'x'), std::u16string(120, u'x') + u".exe"},
        // A cut that would split a surrogate pair drops its first half as well.
        {std::u16string(119, u'x') + u"\U0001F3B5", std::u16string(119, u'x') + u".exe"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgramFileName(c.name), c.file) << WideToUtf8(c.name);
    }
}

TEST(FoldedName, FoldsAsciiLettersOnly) {
    EXPECT_EQ(FoldedName("AZaz@[\xC3\x89.PNG"), "azaz@[\xC3\x89.png");
}

TEST(WindowsNameProblem, NamesTheFirstNameAtFault) {
    const struct {
        const char* path;
        const char* problem;  // a part of the text; empty when Windows can hold the path
    } cases[] = {
        {"index.html", ""},
        {"sub dir/caf\xC3\xA9 #1.png", ""},
        {".hidden/file", ""},
        {"a:b/c.txt", "\"a:b\" holds ':'"},
        {"ok/bad|name/x", "\"bad|name\" holds '|'"},
        {"x/trailing.", "\"trailing.\" ends with a dot or a space"},
        {"x/trailing ", "ends with a dot or a space"},
        {"bell\x07", "control character"},
        {"aux", "device"},
        {"prn.txt", "device"},
        {"lpt1.log", "device"},
        {"a//b", "an empty name"},
        {"a/../b", "\"..\" ends with a dot"},
    };
    for (const auto& c : cases) {
        const std::string problem = WindowsNameProblem(c.path);
        if (*c.problem == '\0') {
            EXPECT_EQ(problem, "") << c.path;
        } else {
            EXPECT_NE(problem.find(c.problem), std::string::npos) << c.path << ": " << problem;
        }
    }
}

}  // namespace
}  // namespace tessaly::tool
