#include "base/base64.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(Base64Test, EncodesAndDecodesTheStandardVectors) {
    const std::pair<std::string_view, std::string_view> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string_view("\xff\xfe\0", 3), "//4A"},
    };
    for (const auto& [bytes, text] : vectors) {
        EXPECT_EQ(EncodeBase64(std::string(bytes.data(), bytes.size())), text);
        EXPECT_EQ(DecodeBase64(text), std::string(bytes.data(), bytes.size())) << text;
    }
}

TEST(Base64Test, EveryByteValueRoundTripsAtEveryTailLength) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) {
        bytes += char(i);
    }
    for (std::size_t cut = 0; cut < 3; ++cut) {
        const std::string part = bytes.substr(cut);
        EXPECT_EQ(DecodeBase64(EncodeBase64(part)), part);
    }
}

TEST(Base64Test, RefusesWhatIsNotPaddedBase64) {
    for (const std::string_view text :
         {"Zg", "Zg=", "Z===", "====", "Zg==Zg==", "Zm9v!A==", "=AAA", "Zm9v\n", "Zm-_"}) {
        EXPECT_FALSE(DecodeBase64(text)) << text;
    }
}

}  // namespace
}  // namespace tessaly
