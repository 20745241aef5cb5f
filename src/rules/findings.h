// The finding texts of the business rules that both parsing modes give (CP1252).
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

}  // namespace valorix::finding
