#include "server/content_types.h"

namespace tessaly {

const std::map<std::u16string, std::u16string, std::less<>> ContentTypeTable = {
    {u".html", u"text/html; charset=utf-8"},
    {u".htm", u"text/html; charset=utf-8"},
    {u".js", u"application/javascript; charset=utf-8"},
    {u".mjs", u"text/javascript; charset=utf-8"},
    {u".css", u"text/css; charset=utf-8"},
    {u".json", u"application/json; charset=utf-8"},
    {u".xml", u"text/xml; charset=utf-8"},
    {u".csv", u"text/csv; charset=utf-8"},
    {u".txt", u"text/plain; charset=utf-8"},
    {u".wasm", u"application/wasm"},
    {u".png", u"image/png"},
    {u".apng", u"image/apng"},
    {u".jpg", u"image/jpeg"},
    {u".jpeg", u"image/jpeg"},
    {u".svg", u"image/svg+xml"},
    {u".webp", u"image/webp"},
    {u".gif", u"image/gif"},
    {u".tif", u"image/tiff"},
    {u".tiff", u"image/tiff"},
    {u".bmp", u"image/bmp"},
    {u".ico", u"image/x-icon"},
    {u".avif", u"image/avif"},
    {u".webm", u"video/webm"},
    {u".m4a", u"audio/mp4"},
    {u".mp3", u"audio/mpeg"},
    {u".mp4", u"video/mp4"},
    {u".mpg", u"video/mpeg"},
    {u".mpeg", u"video/mpeg"},
    {u".opus", u"audio/ogg; codecs=opus"},
    {u".ogg", u"audio/ogg"},
    {u".ogv", u"video/ogg"},
    {u".flac", u"audio/flac"},
    {u".wav", u"audio/wav"},
    {u".woff", u"application/font-woff"},
    {u".woff2", u"font/woff2"},
    {u".ttf", u"application/font-sfnt"},
    {u".otf", u"application/font-sfnt"},
    {u".eot", u"application/vnd.ms-fontobject"},
    {u".zip", u"application/zip"},
    {u".pdf", u"application/pdf"},
    {u".scml", u"text/xml"},
    {u".scon", u"application/json"},
};

std::u16string ContentTypeForPath(std::u16string_view requestPath) {
    const auto dot = requestPath.rfind(u'.');
    if (dot == std::u16string_view::npos) {
        return std::u16string(kDefaultContentType);
    }
    std::u16string extension(requestPath.substr(dot));
    for (char16_t& unit : extension) {
        if (unit >= u'A' && unit <= u'Z') {
            unit = char16_t(unit - u'A' + u'a');
        }
    }
    const auto hit = ContentTypeTable.find(extension);
    return hit != ContentTypeTable.end() ? hit->second : std::u16string(kDefaultContentType);
}

}  // namespace tessaly
