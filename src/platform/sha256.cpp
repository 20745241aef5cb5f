#include "platform/sha256.h"

#include <openssl/evp.h>

#include <memory>

#include "platform/strutil.h"

namespace valorix {

namespace {

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
