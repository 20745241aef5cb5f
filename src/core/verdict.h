// Verdict and summary messages: what the user reads first.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "rules/classification.h"
#include "xml/finding.h"

namespace valorix {

class ParsedTree;

/// The basic SEPA character-set pattern as the validator quotes it.
extern const char* const kBasicCharsetPattern;
/// The extended pattern (with umlauts and &*%$) of the German 2.7 and 3.0
/// editions, as the validator quotes it (CP1252).
extern const std::string kExtendedCharsetPattern;
/// What the validator says for an empty date: the exception text of older
/// parser versions, and the messages of Xerces 3.2 for xs:date and xs:dateTime.
extern const char* const kEmptyDateException;
extern const char* const kEmptyDateMessages[2];

/// Rewrites character-set and empty-date findings in place; TRUE when every
/// finding is a character-set finding (a warning), also for an empty list.
bool RewriteCharsetFindings(Findings& findings);

/// -1: a payment block or transaction lacks a creditor identifier; 1: a block
/// carries them both at block level and in transactions; 0 otherwise.
/// The cursor of `doc` must be at the root.
int CheckCreditorIdPlacement(ParsedTree& doc);

/// ", da mehrere logische Dateien <PmtInf> ..." applies: the closing tag of the
/// first payment block occurs more than once.
bool HasSeveralPaymentBlocks(const std::string& text);

struct VerdictInput {
    bool valid = false;
    bool onlyCharset = false;
    int placement = 0;
    bool isEmw = false;
    std::string path;
    std::string edition;
    FormatCode formatCode = FormatCode::Unknown;
    int subtype = 0;
};
struct Verdict {
    std::string sentence;
    std::string note;   ///< inserted at position 1 when not empty
    bool positive = false;  ///< raises the check state by one
};
Verdict ComposeVerdict(const VerdictInput& in);

}  // namespace valorix
