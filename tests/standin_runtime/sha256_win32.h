// SHA-256 through Windows' own cryptography DLL (bcrypt), for logging response bodies.
#pragma once

#include <windows.h>
// windows.h first: bcrypt.h relies on it.
#include <bcrypt.h>

#include <cstddef>
#include <string>

namespace tessaly::standin {

class Sha256 {
  public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Update(const void* bytes, std::size_t count);
    // The digest in lower-case hexadecimal; "unavailable" when bcrypt could not hash.
    std::string HexDigest();

  private:
    BCRYPT_ALG_HANDLE algorithm_ = nullptr;
    BCRYPT_HASH_HANDLE hash_ = nullptr;
    bool ok_ = false;
};

}  // namespace tessaly::standin
