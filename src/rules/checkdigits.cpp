#include "rules/checkdigits.h"

#include <algorithm>


#include <cstring>
#include <string_view>

#include "platform/codepage.h"
#include "rules/scldirectory.h"
#include "platform/strutil.h"

namespace valorix {

// IBAN lengths by country, from the SWIFT IBAN registry as published in 2025.
// "CS" (Serbia and Montenegro) is no country code any more: Serbia is "RS",
// Montenegro "ME".
const IbanLength kIbanLengths[] = {
    {"DE", 22}, {"BG", 22}, {"AT", 20}, {"BE", 16}, {"DK", 18}, {"GL", 18}, {"FO", 18}, {"FI", 18}, {"FR", 27},
    {"MC", 27}, {"IS", 26}, {"IE", 22}, {"IT", 27}, {"SM", 27}, {"LU", 20}, {"NL", 18}, {"NO", 15}, {"PL", 28},
    {"PT", 25}, {"ES", 24}, {"SE", 24}, {"RO", 24}, {"CH", 21}, {"GB", 22}, {"GR", 27}, {"AD", 24}, {"CZ", 24},
    {"HU", 28}, {"SI", 19}, {"CY", 28}, {"EE", 20}, {"LV", 21}, {"GI", 23}, {"SK", 24}, {"LT", 20}, {"MT", 31},
    {"LI", 21}, {"TN", 24}, {"MU", 30}, {"TR", 26}, {"RS", 22}, {"MK", 19}, {"BA", 20}, {"HR", 21},
    {"VA", 22}, {"AL", 28}, {"ME", 22}, {"MD", 24},
};
const size_t kIbanLengthCount = sizeof(kIbanLengths) / sizeof(kIbanLengths[0]);

// Countries and territories of the SEPA schemes, from the EPC's list of SEPA
// scheme countries (EPC409-09, version of 2025): besides the earlier members
// Andorra and Vatican City (since 2019) and Albania, Montenegro, Moldova, North
// Macedonia and Serbia (admitted 2024-2025).
const char* const kSepaCountryList =
    "'BG','RO','DE','CH','HR',"
    "'NO','IS','LI','EE','LV','PL','SI','CZ','HU','CY','SK','LT','MT','AT','BE','DK','ES','FI','FR','GB','GF','GI',"
    "'GP','GR','IE','IT','LU','MQ','NL','PT','RE','SE',"
    "'NC','PF','PM','YT','WF',"
    "'TF','BL','MF','MC','SM',"
    "'AD','VA','AL','ME','MD','MK','RS'";

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// Upper-case copy reduced to ASCII letters and digits.
std::string Compact(const std::string& upper) {
    std::string out;
    for (char c : upper)
        if (IsAsciiLetter(c) || IsAsciiDigit(c)) out += c;
    return out;
}

}  // namespace

bool IsSepaCountry(const std::string& code) {
    return code.size() == 2 && std::strstr(kSepaCountryList, ("'" + code + "'").c_str()) != nullptr;
}

int Mod97(const std::string& digits) {
    // A string of digits only, the usual case, is reduced digit by digit.
    if (std::all_of(digits.begin(), digits.end(), IsAsciiDigit)) {
        int r = 0;
        for (char c : digits) r = (r * 10 + (c - '0')) % 97;
        return r;
    }
    long long remainder = 0;
    for (size_t i = 0; i < digits.size(); i += 7) {
        const std::string piece = std::to_string(remainder) + digits.substr(i, 7);
        remainder = std::stoll(piece) % 97;
    }
    return static_cast<int>(remainder);
}

std::string LettersToDigits(const std::string& compact) {
    std::string out;
    out.reserve(compact.size() * 2);
    for (char c : compact) {
        const int value = c - 'A' + 10;
        if (IsAsciiDigit(c)) {
            out += c;
        } else if (value >= 10 && value <= 99) {
            out += static_cast<char>('0' + value / 10);
            out += static_cast<char>('0' + value % 10);
        } else {
            out += std::to_string(value);
        }
    }
    return out;
}

// The remainder mod 97 of the number that `head` followed by `tail` spell,
// letters counting as 10 to 35. Both are compacted (letters and digits).
int Mod97Of(std::string_view head, std::string_view tail) {
    int r = 0;
    for (std::string_view part : {head, tail}) {
        for (char c : part) {
            if (IsAsciiDigit(c)) r = (r * 10 + (c - '0')) % 97;
            else if (c >= 'A' && c <= 'Z') r = (r * 100 + (c - 'A' + 10)) % 97;
            else return Mod97(LettersToDigits(std::string(head) + std::string(tail)));
        }
    }
    return r;
}

int CheckIban(const std::string& value) {
    const std::string upper = ToUpperAscii(value);
    const std::string compact = Compact(upper);
    if (compact.size() <= 4) return -1;
    if (!IsAsciiLetter(compact[0]) || !IsAsciiLetter(compact[1]) || !IsAsciiDigit(compact[2]) ||
        !IsAsciiDigit(compact[3]))
        return -2;
    const std::string country = compact.substr(0, 2);
    int length = 0;
    for (const IbanLength& row : kIbanLengths)
        if (row.country[0] == compact[0] && row.country[1] == compact[1]) length = row.length;
    if (length == 0) return -4;
    if (static_cast<int>(compact.size()) != length) return -3;
    if (!IsSepaCountry(country)) return -4;
    if (upper != value) return 0;
    // ISO 13616 check digits run from 02 to 98; 00, 01 and 99 pass the
    // remainder test for some account numbers all the same.
    const std::string checkDigits = compact.substr(2, 2);
    if (checkDigits == "00" || checkDigits == "01" || checkDigits == "99") return 0;
    const std::string_view digits(compact);
    return Mod97Of(digits.substr(4), digits.substr(0, 4)) == 1 ? 1 : 0;
}

std::string IbanFindingText(int result) {
    switch (result) {
        case -4: return A("Länderangabe der IBAN enthält kein SEPA fähiges Land");
        case -3:
        case -1: return A("Länge der IBAN ungültig für das angegebene Land");
        case -2: return A("IBAN enthält keine gültige Länderangabe!");
        default: return A("IBAN ungültig!");
    }
}

bool CheckCreditorId(const std::string& value, std::string& message) {
    const std::string compact = Compact(ToUpperAscii(value));
    if (compact.size() < 4 || !IsAsciiDigit(compact[2]) || !IsAsciiDigit(compact[3])) {
        message = A("Gläubigeridentifikation beginnt mit 2-stelligem Ländercode + 2 Prüfziffern!");
        return false;
    }
    if (compact.compare(0, 2, "DE") == 0) {
        if (compact.size() != 18) {
            message = A(Format("Gläubigeridentifikation für dieses Land hat die Länge %d!", 18));
            return false;
        }
        bool numeric = compact[7] == '0';
        for (size_t i = 8; i < 18; ++i) numeric = numeric && IsAsciiDigit(compact[i]);
        if (!numeric) {
            message = A("Für dieses Land ist der nationale Anteil der Gläubigeridentifikation 11-stellig numerisch "
                        "mit einer führenden '0'!");
            return false;
        }
    }
    const std::string_view digits(compact);
    if (Mod97Of(compact.size() > 7 ? digits.substr(7) : std::string_view(), digits.substr(0, 4)) == 1) return true;
    message = A("Gläubigeridentfikation ist ungültig!");
    return false;
}

int CheckBic(const std::string& bic, int position, const std::string& sclIniPath, SclDirectoryState* notUsed) {
    const std::string key = bic.size() == 8 ? bic + "XXX" : bic;
    if (key.size() < 6 || !IsSepaCountry(key.substr(4, 2))) return -4;
    const SclDirectoryState state = SclDirectoryStateOf(sclIniPath);
    if (state != SclDirectoryState::Valid) {
        if (notUsed) NoteSclDirectoryNotUsed(*notUsed, state);
        return -6;
    }
    std::string flags = SclLookup(sclIniPath, key);
    if (flags.empty()) flags = SclLookup(sclIniPath, key.substr(0, 8));
    if (flags.empty()) return -2;
    if (static_cast<int>(flags.size()) > position) return flags[static_cast<size_t>(position)] == '1' ? 1 : 0;
    return flags.size() < 3 ? -3 : 0;
}

std::string BicFinding(const std::string& bic, bool ownBank, int debitKind, int austrianVariant,
                       const std::string& sclIniPath, SclDirectoryState* notUsed) {
    // The creditor's own bank of a direct debit must take part in the file's
    // scheme as well; a credit transfer asks every bank for its transfer flag.
    int result = CheckBic(bic, debitKind, sclIniPath, notUsed);
    if (ownBank && (result >= 0 || result == -3 || result == -6)) {
        const std::string country = bic.substr(4, 2);
        if (country != (austrianVariant == 0 ? "DE" : "AT")) result = -5;
    }
    const char* b = bic.c_str();
    switch (result) {
        case 1:
        case -6: return {};  // no directory to ask: said once in the summary
        case -5:
            return Format(A(austrianVariant == 0 ? "Die BIC '%s' gehört nicht zu einem deutschen Institut."
                                                 : "Die BIC '%s' gehört nicht zu einem Institut aus Österreich.")
                              .c_str(),
                          b);
        case -4: return Format(A("Länderangabe der BIC '%s enthält kein SEPA fähiges Land.").c_str(), b);
        case -3: return A("Das gespeicherte SEPA SCL Verzeichnis hat einen fehlerhaften Aufbau!");
        case -2: return Format(A("BIC '%s' ist nicht im SEPA SCL Verzeichnis der Bundesbank enthalten!").c_str(), b);
        default:
            if (debitKind != 0)
                return Format(A("Das Institut mit der BIC '%s' unterstützt lt. SEPA Verzeichnis der Bundesbank noch "
                                "keine %sLastschriften.")
                                  .c_str(),
                              b, debitKind == 2 ? "B2B " : debitKind == 3 ? "COR1 " : "");
            return Format(
                A("Warnung : Überweisungen an '%s' sind lt. SEPA Verzeichnis der Bundesbank nicht direkt möglich!")
                    .c_str(),
                b);
    }
}

}  // namespace valorix
