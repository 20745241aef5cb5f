// What detection tells about a file and the rules read of it: the format
// code, the kind of direct debit, the Austrian variant, the subtype (a report
// or status file) and the edition the file is checked as. The rules of both
// modes receive it read-only; what they count while they run goes into a
// RuleTally that the report reads.
#pragma once
#include <cstdint>
#include <string>

#include "rules/scldirectory.h"

namespace valorix {

/// The format of a file: the kind of message and the edition it belongs to.
/// The values are those of the JSON report's "formatCode"; within the
/// editions up to 3.0 a higher value is a later edition, and each edition's
/// container comes just before its messages.
enum class FormatCode : int {
    ForeignTradeReport = -10,  ///< the Bundesbank's foreign-trade report (EMW)
    Camt054v8 = -7,            ///< the statements of 3.7
    Camt053v8 = -6,
    Camt052v8 = -5,
    Camt054 = -4,              ///< the statements of 2.x
    Camt053 = -3,
    Camt052 = -2,
    Unknown = -1,
    Sepade23 = 0,              ///< 2.3: credit transfer or direct debit, one group, and container
    SepadeContainer23 = 1,
    Grouped23 = 2,
    Container24 = 3,           ///< 2.4
    Edition24 = 4,             ///< 2.4, and the Austrian variant of pain.001.001.02
    Container25 = 5,           ///< 2.5/2.6
    Edition25 = 6,             ///< 2.5/2.6, and the Austrian variant 001
    Container27 = 7,           ///< 2.7 to 2.9
    Edition27 = 8,             ///< 2.7 to 2.9, and the Austrian variant 003 and 5.x
    Container30 = 9,           ///< 3.0
    Edition30 = 10,
    Payment37 = 11,            ///< the editions after 3.0: pain.001.001.09 and pain.008.001.08
    Container37 = 12,
    Status37 = 13,             ///< pain.002.001.10
    Reversal37 = 14,           ///< pain.007.001.09
};

inline int CodeOf(FormatCode code) { return static_cast<int>(code); }

/// The pain formats of the editions after 3.0, whose new element names the
/// rules read as the older ones.
inline bool IsEditionAfter30(FormatCode code) { return code >= FormatCode::Payment37; }
/// Any edition before 3.0, and the files that are no orders (statements, reports).
inline bool IsBeforeEdition30(FormatCode code) { return code < FormatCode::Container30; }
/// An edition from 2.5 on (2.5/2.6 container and later).
inline bool IsEdition25OrLater(FormatCode code) { return code >= FormatCode::Container25; }
/// The statements camt.052, .053 and .054 of every edition.
inline bool IsStatement(FormatCode code) { return code >= FormatCode::Camt054v8 && code <= FormatCode::Camt052; }
/// The editions of 2.3, whose rules the later structural checks do not know.
inline bool IsEdition23(FormatCode code) { return code >= FormatCode::Sepade23 && code <= FormatCode::Grouped23; }

struct Classification {
    FormatCode formatCode = FormatCode::Unknown;
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
    /// The worst state of the SCL directory a BIC met that could not be looked up.
    SclDirectoryState sclNotUsed = SclDirectoryState::Valid;
};

}  // namespace valorix
