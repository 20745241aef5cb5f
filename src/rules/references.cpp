#include "rules/references.h"

#include "platform/strutil.h"
#include "rules/findings.h"

namespace valorix {

namespace {
long Note(std::unordered_map<std::string, long>& seen, const std::string& id, long where) {
    if (id.empty()) return -1;
    const auto [it, added] = seen.try_emplace(id, where);
    return added ? -1 : it->second;
}
}  // namespace

void CReferenceRegister::Clear() {
    m_blockIds.clear();
    m_endToEndIds.clear();
}

void CReferenceRegister::NewBlock() { m_endToEndIds.clear(); }

long CReferenceRegister::PaymentBlockId(const std::string& id, long where) { return Note(m_blockIds, id, where); }

long CReferenceRegister::EndToEndId(const std::string& id, long where) {
    if (EqualsNoCase(id, "NOTPROVIDED")) return -1;
    return Note(m_endToEndIds, id, where);
}

std::string DuplicatePaymentBlockIdText(const std::string& id, int line) {
    return Format(finding::kDuplicatePaymentBlockId.c_str(), id.c_str(), line);
}

std::string DuplicateEndToEndIdText(const std::string& id, int line) {
    return Format(finding::kDuplicateEndToEndId.c_str(), id.c_str(), line);
}

std::string LocalName(const std::string& qName) {
    const size_t colon = qName.rfind(':');
    return colon == std::string::npos ? qName : qName.substr(colon + 1);
}

}  // namespace valorix
