// The finding texts of the business rules (CP1252): those that both modes
// give, then those that only one of them gives.
#pragma once
#include <string>

#include "platform/codepage.h"

namespace valorix::finding {

inline const std::string kSpacesOnlyName = A("Fehler: Pflichtfeld <Nm> ist nur mit Leerzeichen gefüllt!");
inline const std::string kMissingReference = "Hinweis: Die eindeutige Referenz sollte angegeben werden!";
inline const std::string kCountWrong = "Anzahl Transaktionen ist fehlerhaft!";
inline const std::string kSumWrong = A("Summe der Beträge ist fehlerhaft!");
/// A control sum or amount beyond the range the sum is computed in.
inline const std::string kSumTooLarge = A("Summe der Beträge kann nicht geprüft werden, der Wert ist zu groß!");
/// A control sum or amount that is not a decimal number.
inline const std::string kSumUnreadable = A("Summe der Beträge kann nicht geprüft werden, ein Wert ist nicht lesbar!");
/// "%s": the element's name.
inline const std::string kElectronicSignature = "Fehler: Das Element '%s' darf derzeit nicht belegt werden!";
inline const std::string kGuidelineWarning =
    A("Warnung: lt. Belegungsrichtlinien sollte das Element '%s' nicht belegt werden!");
inline const std::string kMissingAmendmentDetails =
    A("Fehler: Wenn eine Mandantsänderung angezeigt wird, müssen auch die Änderungsinformationen gefüllt sein!");
inline const std::string kAmendmentDetailsNotAllowed =
    A("Fehler: Änderungsdetails <AmdmntInfDtls> sind nicht erlaubt, wenn das Änderungskennzeichen <AmdmntInd> den "
      "Wert 'false' hat oder nicht vorhanden ist.");
inline const std::string kSmndaNeedsFirst =
    A("Fehler: SMNDA ist nur mit erstmaliger Verwendung des Mandats <SeqTp>FRST</SeqTp> zulässig!");
/// "%s": the repeated id; "%d": the line of its first occurrence.
inline const std::string kDuplicatePaymentBlockId = "Warnung: Die Referenz <PmtInfId> '%s' kommt bereits in Zeile %d vor!";
inline const std::string kDuplicateEndToEndId =
    "Warnung: Die Ende-zu-Ende-Referenz '%s' kommt in diesem Auftrag bereits in Zeile %d vor!";
/// "%s": "Der Ausführungstermin" or "Das Einzugsdatum", the date, the next business day (DD.MM.YYYY).
inline const std::string kNotBusinessDay =
    A("Hinweis: %s '%s' ist kein TARGET2-Geschäftstag, die Bank führt den Auftrag erst am %s aus!");
/// "%s": the collection date, the earliest possible one (DD.MM.YYYY).
inline const std::string kCollectionTooEarly =
    A("Warnung: Das Einzugsdatum '%s' liegt weniger als einen TARGET2-Geschäftstag in der Zukunft (frühestens %s), "
      "die Bank wird die Lastschrift zurückweisen oder verschieben!");
/// "%s": the agent's BIC, the bank code of the IBAN, the BIC the bank code file lists for it.
inline const std::string kBicNotOfBankCode =
    "Warnung: Die BIC '%s' passt nicht zur Bankleitzahl '%s' der IBAN (lt. Bankleitzahlendatei: '%s').";

// Tree mode only.
inline const std::string kTooManyDecimals = "Maximal zwei Nachkommastellen erlaubt!";
/// "%s": the element's name; an error, where the shorter text above is a warning.
inline const std::string kGuidelineWarningTooLong =
    A("Lt. Belegungsrichtlinien sollte das Element '%s' nicht belegt werden und darf 140 Zeichen nicht übersteigen!");
inline const std::string kOriginalAccountOrAgent =
    "Fehler: Es darf nur das Element 'OrgnlDbtrAcct' oder 'OrgnlDbtrAgt' belegt werden!";

/// The findings that go beyond what a bank accepts (repeated references,
/// dates against the bank calendar, a BIC of another bank than the IBAN's):
/// hints and warnings for the person who sends the file, which never make a
/// check fail, in either mode.
inline bool IsAdvisory(const std::string& text) {
    for (const std::string* t :
         {&kDuplicatePaymentBlockId, &kDuplicateEndToEndId, &kCollectionTooEarly, &kBicNotOfBankCode}) {
        const size_t fixed = t->find('%');
        if (text.compare(0, fixed, *t, 0, fixed) == 0) return true;
    }
    return false;
}

}  // namespace valorix::finding
