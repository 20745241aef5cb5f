// The bank code file ("Bankleitzahlendatei"): its import into the lookup file
// "BLZBIC.TXT" of the data folder, the lookup of a bank code's BIC and the
// warning when an account's IBAN and its agent's BIC name different banks.
//
// A payment to a German IBAN whose BIC belongs to another bank is accepted by
// the bank and goes astray or comes back days later; the bank code inside the
// IBAN tells which BIC belongs to it. The warning is advisory: it never
// changes the verdict. Without a lookup file there is no check and no noise.
#pragma once
#include <string>

namespace valorix {

struct BlzImportResult {
    bool ok = false;
    std::string message;  ///< CP1252: what was written, or why nothing was
    long banks = 0;       ///< bank codes with a BIC
    std::string stand;    ///< the validity date as YYYYMMDD
};

/// A validity date YYYYMMDD as DD.MM.YYYY; any other text as it is.
std::string BlzDateText(const std::string& stand);

/// Reads the bank code file `source` (fixed-width records, ISO-8859-1) and
/// writes the bank codes with their BICs to `target`, atomically. `validFrom`
/// ("DD.MM.YYYY") is the validity date; empty: the source's modification date.
BlzImportResult ImportBlzFile(const std::string& source, const std::string& target, const std::string& validFrom);

/// The lookup file the check uses; "" (the default) switches the check off.
void UseBlzDirectory(const std::string& path);
/// The next lookup looks at the file again (whether it changed): at the start
/// of each check, as the SCL directory is.
void RevisitBlzDirectory();

/// The BIC of `bankCode` (8 digits) in the lookup file, "" when it is not
/// listed or there is no valid lookup file. The file is read once per version
/// (path, modification time, size) into a sorted table of fixed-size records;
/// whether it changed is asked once after each RevisitBlzDirectory.
std::string BlzLookup(const std::string& bankCode);

/// True when `bic` of a payment file names the bank of `listed` (a BIC of
/// the bank code file): the first eight characters agree, and where both
/// name a branch other than "XXX", the branches agree too.
bool BicMatchesListed(const std::string& bic, const std::string& listed);

/// Pairs each party's account IBAN with its agent's BIC within one payment
/// block or transaction, in document order (the account comes first in one
/// place, the agent in another). When the second of a pair arrives, the call
/// returns the warning (CP1252) or "".
class CBankCodePairs {
public:
    /// A new payment block or transaction begins: pending halves are dropped.
    void NewScope();
    /// `party`: "Dbtr" or "Cdtr" (from DbtrAcct, CdtrAgt, ...).
    std::string Iban(const std::string& party, const std::string& iban);
    std::string Bic(const std::string& party, const std::string& bic);
    /// The party an element path's parent names: "Dbtr" for "...DbtrAcct" or
    /// "...DbtrAgt", likewise "Cdtr"; "" otherwise.
    static std::string PartyOf(const std::string& accountOrAgent);

private:
    struct Half {
        std::string iban, bic;
    } m_dbtr, m_cdtr;
    std::string Pair(Half& half);
};

}  // namespace valorix
