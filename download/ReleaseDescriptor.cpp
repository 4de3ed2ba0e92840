#include "download/ReleaseDescriptor.h"
#include "download/ArchiveDownload.h"
#include "download/LowerCase.h"
#include "download/ServerListing.h"
#include "download/ServerParameters.h"
#include "framework/Internet.h"
#include <cstring>
#include <memory>

namespace {
bool IsDigits(const std::string& text, size_t most)
{
    return !text.empty() && text.size() <= most &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

bool ParseHex(const std::string& text, unsigned char digest[kSha256Size])
{
    if (text.size() != 2 * kSha256Size || text.find_first_not_of("0123456789abcdef") != std::string::npos)
        return false;
    for (size_t i = 0; i < kSha256Size; ++i)
        digest[i] = static_cast<unsigned char>(std::stoul(text.substr(2 * i, 2), nullptr, 16));
    return true;
}

bool ParseField(const std::string& line, ReleaseDescriptor& descriptor, unsigned& seen)
{
    size_t equals = line.find('=');
    if (equals == std::string::npos)
        return false;
    std::string name = line.substr(0, equals), value = line.substr(equals + 1);
    static const char* const names[] = {"release", "size", "sha256", "license-sha256"};
    for (unsigned i = 0; i < 4; ++i) {
        if (name != names[i])
            continue;
        if (seen & (1u << i))
            return false;
        seen |= 1u << i;
        switch (i) {
        case 0:   // at most 9 digits: no overflow, and no leading zero to read two ways
            if (!IsDigits(value, 9) || value[0] == '0')
                return false;
            descriptor.release = std::stoul(value);
            return true;
        case 1:
            if (!IsDigits(value, 18) || (value[0] == '0' && value.size() > 1))
                return false;
            descriptor.size = std::stoull(value);
            return true;
        case 2:
            return ParseHex(value, descriptor.sha256);
        default:
            return ParseHex(value, descriptor.licenseSha256);
        }
    }
    return false;
}

// The whole file, read no further than `limit` allows; false when it is larger.
bool ReadBounded(CFtpConnection& connection, const std::string& name, size_t limit, std::string& bytes)
{
    std::unique_ptr<CInternetFile> file(connection.OpenFile(
        name.c_str(), GENERIC_READ, FTP_TRANSFER_TYPE_BINARY | kFtpNoCache, kFtpContext));
    std::string block(limit + 1, '\0');
    size_t read = 0;
    for (UINT got; read < block.size() &&
                   (got = file->Read(&block[read], static_cast<UINT>(block.size() - read))) > 0;)
        read += got;
    file->Close();
    bytes.assign(block, 0, read);
    return read <= limit;
}
}

bool ParseReleaseDescriptor(const std::string& bytes, ReleaseDescriptor& descriptor)
{
    unsigned seen = 0;
    size_t start = 0;
    for (size_t number = 0; start < bytes.size(); ++number) {
        size_t end = bytes.find('\n', start);
        std::string line = bytes.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? bytes.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (number == 0)
            descriptor.fileName = DescriptorFileName(line);
        else if (!ParseField(line, descriptor, seen))
            return false;
    }
    return seen == 0xF;
}

bool HashBytes(const std::string& bytes, unsigned char digest[kSha256Size])
{
    CSha256 hash;
    hash.Add(bytes.data(), bytes.size());
    return hash.Finish(digest);
}

bool VerifyReleaseDescriptor(const unsigned char key[kReleaseKeySize], unsigned long minRelease,
                             const std::string& bytes, const std::string& der,
                             ReleaseDescriptor& descriptor)
{
    unsigned char digest[kSha256Size];
    if (bytes.size() > kMaxDescriptorSize || der.empty() || der.size() > kMaxSignatureSize ||
        !HashBytes(bytes, digest) || !VerifyArchiveSignature(key, digest, der))
        return false;
    return ParseReleaseDescriptor(bytes, descriptor) && IsAcceptedRelease(descriptor, minRelease);
}

bool IsAcceptedRelease(const ReleaseDescriptor& descriptor, unsigned long minRelease)
{
    return descriptor.release >= minRelease;
}

bool FetchReleaseDescriptor(CFtpConnection& connection, const unsigned char key[kReleaseKeySize],
                            unsigned long minRelease, ReleaseDescriptor& descriptor)
{
    std::string listed;
    WalkListing(connection, [&](const CFtpFileFind& entry) {
        if (LowerCase(entry.GetFileName()) != kDescriptorName)
            return true;
        listed = entry.GetFileName();
        return false;
    });
    std::string bytes, der;
    return !listed.empty() && ReadBounded(connection, listed, kMaxDescriptorSize, bytes) &&
           ReadBounded(connection, listed + kSignatureSuffix, kMaxSignatureSize, der) &&
           VerifyReleaseDescriptor(key, minRelease, bytes, der, descriptor);
}
