#include "download/ArchiveSignature.h"
#include "framework/Handles.h"
#include <windows.h>
#include <bcrypt.h>
#include <cstring>
#include <vector>

namespace {
// BCrypt is not one of the program's imports: it comes from the system folder, at run time.
struct BCrypt {
    CLibrary library;
    decltype(&::BCryptOpenAlgorithmProvider) OpenAlgorithmProvider = nullptr;
    decltype(&::BCryptCloseAlgorithmProvider) CloseAlgorithmProvider = nullptr;
    decltype(&::BCryptCreateHash) CreateHash = nullptr;
    decltype(&::BCryptHashData) HashData = nullptr;
    decltype(&::BCryptFinishHash) FinishHash = nullptr;
    decltype(&::BCryptDestroyHash) DestroyHash = nullptr;
    decltype(&::BCryptImportKeyPair) ImportKeyPair = nullptr;
    decltype(&::BCryptDestroyKey) DestroyKey = nullptr;
    decltype(&::BCryptVerifySignature) VerifySignature = nullptr;

    BCrypt()
    {
        if (!library.Load("bcrypt.dll", LOAD_LIBRARY_SEARCH_SYSTEM32))
            return;
        OpenAlgorithmProvider = library.GetProc<decltype(OpenAlgorithmProvider)>("BCryptOpenAlgorithmProvider");
        CloseAlgorithmProvider = library.GetProc<decltype(CloseAlgorithmProvider)>("BCryptCloseAlgorithmProvider");
        CreateHash = library.GetProc<decltype(CreateHash)>("BCryptCreateHash");
        HashData = library.GetProc<decltype(HashData)>("BCryptHashData");
        FinishHash = library.GetProc<decltype(FinishHash)>("BCryptFinishHash");
        DestroyHash = library.GetProc<decltype(DestroyHash)>("BCryptDestroyHash");
        ImportKeyPair = library.GetProc<decltype(ImportKeyPair)>("BCryptImportKeyPair");
        DestroyKey = library.GetProc<decltype(DestroyKey)>("BCryptDestroyKey");
        VerifySignature = library.GetProc<decltype(VerifySignature)>("BCryptVerifySignature");
    }
    bool IsComplete() const
    {
        return OpenAlgorithmProvider && CloseAlgorithmProvider && CreateHash && HashData &&
               FinishHash && DestroyHash && ImportKeyPair && DestroyKey && VerifySignature;
    }
};

const BCrypt* SystemBCrypt()
{
    static BCrypt bcrypt;
    return bcrypt.IsComplete() ? &bcrypt : nullptr;
}

// The order of P-256's base point: r and s must lie in 1 .. n-1.
const unsigned char kGroupOrder[32] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xBC, 0xE6, 0xFA, 0xAD, 0xA7, 0x17, 0x9E, 0x84, 0xF3, 0xB9, 0xCA, 0xC2, 0xFC, 0x63, 0x25, 0x51};

// One DER INTEGER at `at` as 32 big-endian bytes. Only the one canonical encoding of a
// positive number is taken: a signature that can be re-encoded is not the one that was made.
bool ReadInteger(const std::string& der, size_t& at, unsigned char out[32])
{
    if (at + 2 > der.size() || der[at] != 0x02)
        return false;
    size_t length = static_cast<unsigned char>(der[at + 1]);
    at += 2;
    if (length == 0 || length > 33 || at + length > der.size())
        return false;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(der.data()) + at;
    at += length;
    if (bytes[0] & 0x80)
        return false;   // negative, or a dropped leading zero
    if (bytes[0] == 0 && (length == 1 || !(bytes[1] & 0x80)))
        return false;   // a zero that no sign bit asks for
    if (length == 33) {
        ++bytes;
        --length;
    }
    std::memset(out, 0, 32);
    std::memcpy(out + 32 - length, bytes, length);
    return std::memcmp(out, kGroupOrder, 32) < 0;
}
}

CSha256::CSha256()
{
    const BCrypt* bcrypt = SystemBCrypt();
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!bcrypt || bcrypt->OpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0)
        return;
    m_algorithm = algorithm;
    if (bcrypt->CreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0)
        m_hash = hash;
}

CSha256::~CSha256()
{
    const BCrypt* bcrypt = SystemBCrypt();
    if (m_hash)
        bcrypt->DestroyHash(m_hash);
    if (m_algorithm)
        bcrypt->CloseAlgorithmProvider(m_algorithm, 0);
}

void CSha256::Add(const void* data, size_t size)
{
    if (!m_hash || m_failed)
        return;
    // BCryptHashData takes a ULONG count; the pieces here are far smaller.
    m_failed = SystemBCrypt()->HashData(m_hash, static_cast<PUCHAR>(const_cast<void*>(data)),
                                        static_cast<ULONG>(size), 0) != 0;
}

void CSha256::Restart()
{
    if (!m_hash)
        return;
    const BCrypt* bcrypt = SystemBCrypt();
    bcrypt->DestroyHash(m_hash);
    BCRYPT_HASH_HANDLE hash = nullptr;
    m_hash = bcrypt->CreateHash(m_algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0 ? hash : nullptr;
    m_failed = false;
}

bool CSha256::Finish(unsigned char digest[kSha256Size])
{
    if (!m_hash || m_failed)
        return false;
    return SystemBCrypt()->FinishHash(m_hash, digest, kSha256Size, 0) == 0;
}

bool DerSignatureToRaw(const std::string& der, unsigned char raw[64])
{
    // SEQUENCE { INTEGER r, INTEGER s }, short lengths only (it is at most 72 bytes).
    if (der.size() < 8 || der.size() > 0x81 || der[0] != 0x30 ||
        static_cast<unsigned char>(der[1]) != der.size() - 2)
        return false;
    size_t at = 2;
    return ReadInteger(der, at, raw) && ReadInteger(der, at, raw + 32) && at == der.size();
}

bool VerifyArchiveSignature(const unsigned char key[kReleaseKeySize],
                            const unsigned char digest[kSha256Size], const std::string& der)
{
    const BCrypt* bcrypt = SystemBCrypt();
    unsigned char raw[64];
    if (!bcrypt || key[0] != 0x04 || !DerSignatureToRaw(der, raw))
        return false;
    std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64);
    auto* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
    header->dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    header->cbKey = 32;
    std::memcpy(blob.data() + sizeof(BCRYPT_ECCKEY_BLOB), key + 1, 64);
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (bcrypt->OpenAlgorithmProvider(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) != 0)
        return false;
    BCRYPT_KEY_HANDLE publicKey = nullptr;
    bool valid = false;
    if (bcrypt->ImportKeyPair(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB, &publicKey, blob.data(),
                              static_cast<ULONG>(blob.size()), 0) == 0) {
        valid = bcrypt->VerifySignature(publicKey, nullptr, const_cast<PUCHAR>(digest), kSha256Size,
                                        raw, sizeof(raw), 0) == 0;
        bcrypt->DestroyKey(publicKey);
    }
    bcrypt->CloseAlgorithmProvider(algorithm, 0);
    return valid;
}
