#include "server/content_types.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace tessaly {
namespace {

TEST(ContentTypeForPath, TakesTheTextAfterTheLastDotOfTheWholePath) {
    struct Case {
        std::u16string path;
        std::u16string type;
    };
    const Case cases[] = {
        {u"index.html", u"text/html; charset=utf-8"},
        {u"INDEX.HTML", u"text/html; charset=utf-8"},
        {u"Photo.JPG", u"image/jpeg"},
        {u"fonts/face.woff2", u"font/woff2"},
        {u"fonts/face.woff", u"application/font-woff"},
        {u"anim.SCML", u"text/xml"},
        {u"anim.scon", u"application/json"},
        {u"data.xml", u"text/xml; charset=utf-8"},
        {u"lib/module.MJS", u"text/javascript; charset=utf-8"},
        {u"Build/game.wasm", u"application/wasm"},
        {u"levels.ZIP", u"application/zip"},
        {u"a.b/track.opus", u"audio/ogg; codecs=opus"},
        {u"archive.tar.gz", u"application/octet-stream"},
        {u"LICENSE", u"application/octet-stream"},
        {u"notes.", u"application/octet-stream"},
        {u"", u"application/octet-stream"},
        {u"v1.2/readme", u"application/octet-stream"},
        {u"data.json?x=1", u"application/octet-stream"},
        // A full-width capital P is no A-Z letter and is not folded.
        {u"image.\uFF30NG", u"application/octet-stream"},
        // Folding is by unit: the Kelvin sign does not fold to 'k'.
        {u"x.\u212Aml", u"application/octet-stream"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ContentTypeForPath(c.path), c.type) << WideToUtf8(c.path);
    }
}

}  // namespace
}  // namespace tessaly
