// Duplicate references. A bank takes a file whose payment blocks share an id,
// or whose block repeats a transaction's end-to-end reference, but the
// creditor's or debtor's reconciliation then matches the wrong booking, and a
// repeated block id is the usual trace of a block pasted twice. Both are
// warned at the second occurrence, naming where the first one stands.
#pragma once
#include <string>
#include <unordered_map>

namespace valorix {

class CReferenceRegister {
public:
    /// Forgets everything: a new file.
    void Clear();
    /// A new payment block: its end-to-end references start afresh.
    void NewBlock();
    /// The place noted for an earlier equal payment block id, or -1 (and
    /// `where` is noted) when it is the first one or empty.
    long PaymentBlockId(const std::string& id, long where);
    /// The same for an end-to-end reference within the current block;
    /// "NOTPROVIDED" and empty references are not references and give -1.
    long EndToEndId(const std::string& id, long where);

private:
    std::unordered_map<std::string, long> m_blockIds, m_endToEndIds;
};

/// The finding texts (CP1252) for a repeated id whose first occurrence ends on `line`.
std::string DuplicatePaymentBlockIdText(const std::string& id, int line);
std::string DuplicateEndToEndIdText(const std::string& id, int line);

/// "PmtInfId" of "PmtInfId" and of "p:PmtInfId".
std::string LocalName(const std::string& qName);

}  // namespace valorix
