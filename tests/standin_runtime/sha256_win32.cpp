#include "sha256_win32.h"
// The header above brings windows.h first.

#include <cstdio>

namespace tessaly::standin {

Sha256::Sha256() {
    ok_ = BCryptOpenAlgorithmProvider(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0) >= 0 &&
          BCryptCreateHash(algorithm_, &hash_, nullptr, 0, nullptr, 0, 0) >= 0;
}

Sha256::~Sha256() {
    if (hash_) {
        BCryptDestroyHash(hash_);
    }
    if (algorithm_) {
        BCryptCloseAlgorithmProvider(algorithm_, 0);
    }
}

void Sha256::Update(const void* bytes, std::size_t count) {
    if (ok_ && count > 0) {
        ok_ = BCryptHashData(hash_, static_cast<PUCHAR>(const_cast<void*>(bytes)), ULONG(count),
                             0) >= 0;
    }
}

std::string Sha256::HexDigest() {
    UCHAR digest[32];
    if (!ok_ || BCryptFinishHash(hash_, digest, sizeof digest, 0) < 0) {
        ok_ = false;
        return "unavailable";
    }
    ok_ = false;  // a finished hash takes no more data
    std::string hex;
    for (const UCHAR byte : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

}  // namespace tessaly::standin
