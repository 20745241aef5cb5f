// What detection tells about a file and the rules read of it: the format
// code, the kind of direct debit, the Austrian variant, the subtype (a report
// or status file) and the edition the file is checked as. The rules of both
// modes receive it read-only; what they count while they run goes into a
// RuleTally that the report reads.
#pragma once
#include <cstdint>
#include <string>

namespace valorix {

/// The pain formats of the editions after 3.0 (codes 11 to 14), whose new
/// element names the rules read as the older ones.
inline bool IsEditionAfter30(int formatCode) { return formatCode >= 11; }

struct Classification {
    int formatCode = -1;     ///< -1: not detected
    int debitKind = 0;       ///< 0: credit transfer; otherwise the kind of direct debit
    int austrianVariant = 0; ///< 0: none
    int subtype = 0;         ///< 0: a payment file; otherwise a report or status file
    int isEmw = 0;           ///< an EMW delivery
    /// The DK subset (4 or 5) the editions after 3.0 are validated against; 0 for the others.
    int subset = 0;
    std::string edition;     ///< the edition text of the verdict (CP1252)

    bool IsDirectDebit() const { return debitKind != 0; }
    bool IsAustrian() const { return austrianVariant != 0; }
    bool IsEditionAfter30() const { return valorix::IsEditionAfter30(formatCode); }
    /// A payment file, not a report or status file: the rules of its content apply.
    bool IsPaymentFile() const { return subtype == 0; }
};

/// What the rule passes count while they run.
struct RuleTally {
    /// A child element repeats the root's namespace declaration.
    bool xmlnsRepeated = false;
    /// Transactions without an end-to-end reference; the report names the first and counts the others.
    uint32_t missingRefHints = 0;
};

}  // namespace valorix
