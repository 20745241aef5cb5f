// The summary slip of a payment file: what its sender compares with the
// accounting system before sending it. Per payment block the kind, the
// requested date, the owner's account and the transactions' count and sum
// per currency; for the file the message id, creation time, initiating
// party, totals and the content's SHA-256. Counts and sums are computed from
// the transactions themselves, exactly, and shown beside the declared
// NbOfTxs and CtrlSum with a mark where they differ.
#pragma once
#include <memory>
#include <cstdint>
#include <istream>
#include <map>
#include <string>
#include <vector>

namespace valorix {

class ParsedTree;
class CProcessXmlDoc;

struct SummaryTotals {
    std::string declaredCount, declaredSum;  ///< NbOfTxs and CtrlSum as written; empty when absent
    uint64_t count = 0;
    std::map<std::string, __int128> sums;  ///< per currency, in units of 10^-17 (as Currency)
    bool sumValid = true;                  ///< false when an amount could not be read as one, or a sum not held
};

struct BlockSummary {
    std::string id, scheme, sequence, date;
    std::string name, iban, bic;  ///< the file owner's: debtor of a transfer, creditor of a debit
    SummaryTotals totals;
};

struct FileSummary {
    bool debit = false;
    std::string messageId, created, initiator, sha256;
    SummaryTotals totals;
    std::vector<BlockSummary> blocks;
};

/// Reads the summary of a payment file's text as the check holds it; the
/// values are in the engine's code page (CP1252). The file's own bytes give
/// `sha256` (the checked text may differ from them, e.g. in its line ends).
FileSummary Summarize(const std::string& content, std::istream& file);
/// The same from the parsed tree of a file that is valid against its schema
/// (its values then read as the text gives them), without another pass.
FileSummary SummarizeTree(ParsedTree& tree, std::istream& file);
/// A processor that reads the summary into `summary` as a pass streams by
/// (the hash excepted), for an event pass that runs anyway.
std::unique_ptr<CProcessXmlDoc> SummaryReader(FileSummary& summary);
/// A sum in units of 10^-17 as a decimal number ("1250.5", at least two decimals).
std::string Amount(__int128 units);
/// The slip as text lines (CP1252).
std::vector<std::string> SummaryLines(const FileSummary& summary);
/// Whether the declared NbOfTxs, if any, is a count (digits only).
bool DeclaredCountReadable(const SummaryTotals& totals);
/// Whether a block's (or the file's) computed count differs from its declared
/// NbOfTxs, or that is no count; false when none is declared.
bool CountDiffers(const SummaryTotals& totals);
/// The computed sum (all currencies together) against the declared CtrlSum:
/// Unknown when an amount or the CtrlSum could not be read as an amount.
enum class SumComparison { NotDeclared, Matches, Differs, Unknown };
SumComparison CompareSum(const SummaryTotals& totals);
/// Whether the comparison is Differs or Unknown: the declared CtrlSum is
/// not confirmed.
bool SumDiffers(const SummaryTotals& totals);
/// Whether the declared CtrlSum, if any, reads as an amount.
bool DeclaredSumReadable(const SummaryTotals& totals);
/// Whether every amount, and the declared CtrlSum if any, was read exactly.
bool SumsReadable(const SummaryTotals& totals);
/// The sums per currency as the slip writes them: "0.25 CHF + 10.50 EUR",
/// "0.00" when there is none.
std::string SumsText(const SummaryTotals& totals);
/// A block's kind as the slip names it (CP1252): "Lastschrift CORE FRST",
/// "Überweisung".
std::string BlockKind(const FileSummary& summary, const BlockSummary& block);


}  // namespace valorix
