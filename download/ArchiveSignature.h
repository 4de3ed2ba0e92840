#pragma once
// The vendor's signature: ECDSA P-256 over a SHA-256, made by `openssl dgst -sha256 -sign` (DER)
// and kept on the server as "<file>.sig" (the descriptor's, which names the archive's hash).
// Checked with the system's BCrypt, loaded from the system folder when first needed.
#include <cstddef>
#include <string>

const size_t kSha256Size = 32;
const size_t kReleaseKeySize = 65;          // an uncompressed point: 0x04, X, Y
const size_t kMaxSignatureSize = 1024;      // a DER signature is about 72 bytes
const char* const kSignatureSuffix = ".sig";

// SHA-256 fed piece by piece, so a download is hashed as it arrives.
class CSha256 {
public:
    CSha256();
    ~CSha256();
    CSha256(const CSha256&) = delete;
    CSha256& operator=(const CSha256&) = delete;

    // False when BCrypt could not make a hash; Add and Finish then fail too.
    bool IsReady() const { return m_hash != nullptr; }
    void Add(const void* data, size_t size);
    // Forgets what was added: a download read again from its first byte.
    void Restart();
    // The digest; false when hashing failed at any point.
    bool Finish(unsigned char digest[kSha256Size]);

private:
    void* m_algorithm = nullptr;
    void* m_hash = nullptr;
    bool m_failed = false;
};

// r and s of a DER ECDSA signature, each as 32 big-endian bytes; false for anything but the
// canonical encoding of two numbers in 1 .. n-1.
bool DerSignatureToRaw(const std::string& der, unsigned char raw[64]);

// Whether `der` is a valid signature of the key's owner over `digest`.
bool VerifyArchiveSignature(const unsigned char key[kReleaseKeySize],
                            const unsigned char digest[kSha256Size], const std::string& der);
