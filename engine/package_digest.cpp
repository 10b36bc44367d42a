// Checking a package archive against its stored SHA-256 digest.
#include "engine/package_digest.h"

#include <windows.h>

#include <cstring>

#include "engine/package_archive.h"
#include "engine/package_format.h"
#include "resources/resource_ids.h"
#include "startup/install_log.h"
#include "text/scoped_handles.h"
#include "text/text_buffer.h"

namespace {

using package_format::kDigestRecordSize;
using package_format::kDigestSize;

// CALG_SHA_256 (algorithm sid 12), which the headers declare only for targets from
// XP SP3 on: the setup targets XP and finds out at run time whether the provider
// knows it.
constexpr ALG_ID kSha256SubId = 12;
constexpr ALG_ID kSha256 = ALG_CLASS_HASH | ALG_TYPE_ANY | kSha256SubId;

enum class Hashed { done, unavailable, failed };

Hashed sha256(const uint8_t* bytes, uint32_t length, BYTE digest[kDigestSize]) {
    ScopedCryptProvider provider;
    if (!CryptAcquireContextA(provider.out(), nullptr, nullptr, PROV_RSA_AES,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
        return GetLastError() == static_cast<DWORD>(NTE_PROV_TYPE_NOT_DEF) ? Hashed::unavailable
                                                                           : Hashed::failed;
    }
    ScopedCryptHash hash;
    if (!CryptCreateHash(provider.get(), kSha256, 0, 0, hash.out())) {
        return GetLastError() == static_cast<DWORD>(NTE_BAD_ALGID) ? Hashed::unavailable
                                                                   : Hashed::failed;
    }
    DWORD size = kDigestSize;
    if (!CryptHashData(hash.get(), bytes, length, 0) ||
        !CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &size, 0) || size != kDigestSize) {
        return Hashed::failed;
    }
    return Hashed::done;
}

// The stored digest of `resourceId`, or nullptr.
const uint8_t* storedDigest(int resourceId) {
    uint32_t length = 0;
    const uint8_t* records = loadPackageResource(IDR_PACKAGE_DIGESTS, &length);
    if (records == nullptr || length % kDigestRecordSize != 0) {
        return nullptr;
    }
    for (uint32_t at = 0; at < length; at += kDigestRecordSize) {
        if (package_format::readUint32(records + at) == static_cast<uint32_t>(resourceId)) {
            return records + at + 4;
        }
    }
    return nullptr;
}

TextBuffer hexOf(const uint8_t* digest) {
    TextBuffer text;
    for (DWORD i = 0; i < kDigestSize; ++i) {
        text.appendFormat("%02X", digest[i]);
    }
    return text;
}

}  // namespace

bool packageMatchesDigest(int resourceId, const uint8_t* bytes, uint32_t length) {
    const uint8_t* expected = storedDigest(resourceId);
    if (expected == nullptr) {
        logEvent("Package %d: no stored digest", resourceId);
        return false;
    }
    BYTE digest[kDigestSize];
    switch (sha256(bytes, length, digest)) {
        case Hashed::done:
            if (std::memcmp(digest, expected, kDigestSize) != 0) {
                logEvent("Package %d: its SHA-256 %s differs from the stored %s", resourceId,
                         hexOf(digest).text(), hexOf(expected).text());
                return false;
            }
            return true;
        case Hashed::unavailable:
            logEvent("Package %d: this system offers no SHA-256; not checked", resourceId);
            return true;
        case Hashed::failed:
            break;
    }
    logEvent("Package %d: the digest could not be computed", resourceId);
    return false;
}
