// Identifiers of SEPA payments: IBAN, BIC and creditor identifier.
//
// A wrong account number or bank makes the bank reject a transaction, or the
// whole file; a wrong creditor identifier makes a direct debit invalid. The
// checks are the ISO 13616 / ISO 7064 MOD 97-10 check digits, the IBAN length
// of each country, membership in the SEPA area, and the reachability of a bank
// in the Bundesbank's SCL directory for the kind of payment in the file.
#pragma once
#include <string>

#include "rules/scldirectory.h"

namespace valorix {

struct IbanLength {
    const char* country;
    int length;
};
/// The countries the IBAN check knows, with their IBAN lengths (44 rows).
extern const IbanLength kIbanLengths[];
extern const size_t kIbanLengthCount;
/// The SEPA countries, each code between apostrophes.
extern const char* const kSepaCountryList;

bool IsSepaCountry(const std::string& code);
/// Remainder modulo 97 of a digit string, taken piecewise (7 digits at a time).
int Mod97(const std::string& digits);
/// Letters become their two-digit numbers (A = 10 .. Z = 35), digits stay.
std::string LettersToDigits(const std::string& compact);

/// 1 valid; 0 wrong check digits or lower-case letters; -1 four or fewer
/// letters and digits; -2 no country prefix; -3 wrong length; -4 no SEPA country.
int CheckIban(const std::string& value);
/// The finding text of a CheckIban result below 1 (CP1252).
std::string IbanFindingText(int result);

/// TRUE when the creditor identifier is valid; otherwise `message` (CP1252) says why.
bool CheckCreditorId(const std::string& value, std::string& message);

/// 1 reachable; 0 listed but not reachable for `position`; -2 not listed;
/// -3 damaged entry; -4 country not in SEPA; -6 no valid directory to ask
/// (missing, without banks, or damaged: noted in `notUsed`, when given, for
/// the check's summary). `sclIniPath` is the directory file.
int CheckBic(const std::string& bic, int position, const std::string& sclIniPath,
             SclDirectoryState* notUsed = nullptr);

/// The whole BIC rule: level, country of the own bank, finding text. Returns
/// the finding (CP1252) or "" when the BIC passes.
std::string BicFinding(const std::string& bic, bool ownBank, int debitKind, int austrianVariant,
                       const std::string& sclIniPath, SclDirectoryState* notUsed = nullptr);

}  // namespace valorix
