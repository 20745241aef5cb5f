#include "platform/sha256.h"

#ifdef _WIN32
#include <windows.h>
#include <bcrypt.h>
#else
#include <openssl/evp.h>
#endif

#include <memory>

#include "platform/strutil.h"

namespace valorix {

namespace {

#ifdef _WIN32

// The system's own implementation (CNG): no cryptographic library beside it.
class CDigest {
public:
    CDigest() {
        m_ok = BCryptOpenAlgorithmProvider(&m_algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0 &&
               BCryptCreateHash(m_algorithm, &m_hash, nullptr, 0, nullptr, 0, 0) == 0;
    }
    ~CDigest() {
        if (m_hash) BCryptDestroyHash(m_hash);
        if (m_algorithm) BCryptCloseAlgorithmProvider(m_algorithm, 0);
    }
    CDigest(const CDigest&) = delete;
    CDigest& operator=(const CDigest&) = delete;
    void Add(const char* data, size_t n) {
        while (m_ok && n > 0) {
            const ULONG chunk = static_cast<ULONG>(n > 0x40000000 ? 0x40000000 : n);
            m_ok = BCryptHashData(m_hash, reinterpret_cast<PUCHAR>(const_cast<char*>(data)), chunk, 0) == 0;
            data += chunk;
            n -= chunk;
        }
    }
    std::string Hex() {
        unsigned char digest[32];
        if (!m_ok || BCryptFinishHash(m_hash, digest, sizeof digest, 0) != 0) return {};
        m_ok = false;  // a finished hash takes no more data
        std::string hex;
        for (unsigned char b : digest) hex += Format("%02x", b);
        return hex;
    }

private:
    BCRYPT_ALG_HANDLE m_algorithm = nullptr;
    BCRYPT_HASH_HANDLE m_hash = nullptr;
    bool m_ok = false;
};

#else

class CDigest {
public:
    CDigest() : m_context(EVP_MD_CTX_new(), EVP_MD_CTX_free) {
        m_ok = m_context && EVP_DigestInit_ex(m_context.get(), EVP_sha256(), nullptr) == 1;
    }
    void Add(const char* data, size_t n) {
        m_ok = m_ok && EVP_DigestUpdate(m_context.get(), data, n) == 1;
    }
    std::string Hex() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (!m_ok || EVP_DigestFinal_ex(m_context.get(), digest, &length) != 1) return {};
        std::string hex;
        for (unsigned int i = 0; i < length; ++i) hex += Format("%02x", digest[i]);
        return hex;
    }

private:
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> m_context;
    bool m_ok = false;
};

#endif

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
    CDigest digest;
    digest.Add(bytes.data(), bytes.size());
    return digest.Hex();
}

std::string Sha256Hex(std::istream& bytes) {
    CDigest digest;
    char buffer[65536];
    while (bytes) {
        bytes.read(buffer, sizeof buffer);
        if (bytes.gcount() > 0) digest.Add(buffer, static_cast<size_t>(bytes.gcount()));
    }
    return bytes.eof() ? digest.Hex() : std::string();
}

}  // namespace valorix
