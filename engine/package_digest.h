// Checking a package archive resource against the SHA-256 digest that the build
// stored for it (tools/kvrdigest.cpp), before the archive is opened.
//
// Resource IDR_PACKAGE_DIGESTS holds 36-byte records: a resource id (unsigned
// 32-bit little-endian) and the SHA-256 of that resource's bytes. The digest is
// computed with the system's cryptography provider (PROV_RSA_AES, CALG_SHA_256,
// a verify-only context that needs no key container).
//
// packageMatchesDigest is false when the digest resource, or its record for the
// package, is missing or malformed, when the digests differ, and when the
// provider fails while hashing. Where the system offers no SHA-256 at all
// (Windows XP before SP3: no PROV_RSA_AES provider type, or no CALG_SHA_256 in
// it) the package cannot be checked and counts as matching: refusing would lock
// those supported systems out, and the archive reader's own checks still run.
// Every outcome but a match goes to the install log, a mismatch with both digests.
#pragma once

#include <cstdint>

bool packageMatchesDigest(int resourceId, const uint8_t* bytes, uint32_t length);
