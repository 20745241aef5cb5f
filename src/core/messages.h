// The program's German texts (CP1252), as the user reads them.
#pragma once
#include <string>

#include "platform/codepage.h"

namespace valorix::msg {

// Pre-checks
inline const std::string kTwoByte = A("'%s' ist eine 2 Byte kodierte Datei und kann nicht korrekt versandt werden!");
inline const std::string kNoDeclaration = A("'%s' beginnt nicht mit einer XML Deklaration (<?xml ...)!");
inline const std::string kCharsBeforeDeclaration =
    A("Die Datei enthält Zeichen vor der XML Deklaration (<?xml...), sie werden vor dem Prüfen entfernt!");
inline const std::string kEncodingNotAllowed = A("Erlaubte Kodierungen sind UTF-8 und ISO-8859 nicht '%s'!");
inline const std::string kEncodingMissing =
    A("Erlaubte Kodierungen sind UTF-8 und ISO-8859, die Datei enthält keine Angabe!");
inline const std::string kNulByte =
    A("Die Datei enthält hier ein NUL-Byte (0x00), das in XML nicht erlaubt ist; der Rest der Datei wird nicht gelesen!");
/// Completes "Die Datei '...' kann nicht geprüft werden: ".
inline const std::string kFileTooLarge =
    A("sie ist %llu MB groß, geprüft werden Dateien bis %llu MB (Einstellung OPTION/MAXFILEMB)!");
/// The same for a stream that ended no sooner than the bound.
inline const std::string kStreamTooLarge =
    A("sie ist mehr als %llu MB groß, geprüft werden Dateien bis %llu MB (Einstellung OPTION/MAXFILEMB)!");
inline const std::string kNoMemoryForFile = A("Für die Prüfung der Datei '%s' reicht der Arbeitsspeicher nicht aus!");

// Check run
inline const std::string kNotWellFormed = A("'%s' ist kein oder ein formal fehlerhaftes XML Dokument!");
inline const std::string kNoSchemaMemory = A("Zu wenig Speicher zum Parsen gegen das Schema!");

// Detection and structure
inline const std::string kNotSepaXml = A("Es handelt sich nicht um eine SEPA XML Datei!");
inline const std::string kMixedCtDd = A("Es handelt sich nicht um eine SEPA Datei aus Lastschriften oder Überweisungen!");
inline const std::string kPrefix = A("Elementnamen mit mit Präfix sollten nicht verwendet werden!");
inline const std::string kMixedSchemes = A("B2B,COR1 und CORE Lastschriften dürfen nicht in einer Datei enthalten sein!");
inline const std::string kCor1In30 = A("COR1 ist in Version 3.0 nicht mehr zulässig!");
inline const std::string kMixedServiceLevels =
    A("SEPA Überweisungen und Eilüberweisungen dürfen nicht in einer Datei enthalten sein!");
inline const std::string kNoNamespace = A("Es ist kein Namensraum für das Root-Element '%s' angegeben!");
inline const std::string kSchemaLocationOther =
    A("Das Attribut 'schemaLocation' enthält eine vom Namensraum abweichende Angabe!");
inline const std::string kSchemaLocationLocalPath = A(
    "Die Angabe eines lokalen Pfades im Attribut 'schemaLocation' kann in den Verarbeitungssystemen zur Abweisung "
    "der gesamten Datei führen.");
inline const std::string kSchemaLocationMismatch =
    A("Das Attribut 'schemaLocation' enthält eine nicht zum Namensraum passende XSD Datei-Angabe : %s");
inline const std::string kNamespaceMismatch =
    A("Der Namensraum '%s' des Wurzelelements '%s' entspricht nicht dem erforderlichen Namensraum '%s'");

inline const std::string kRetiredEdition =
    A("Hinweis: Das Format %s wird von deutschen Banken seit %s nicht mehr angenommen!");

// Verdict
inline const std::string kVerdictValid = A("'%s' enthält ein korrektes SEPA XML Dokument (%s)!");
inline const std::string kVerdictValidEmw = A("'%s' enthält eine korrekte EMW Einlieferung!");
inline const std::string kVerdictValidCamt = A("'%s' enthält ein korrektes CAMT%s Dokument (%s)!");
inline const std::string kVerdictValidStatus = A("'%s' enthält einen korrekten Statusbericht pain.002 (%s)!");
inline const std::string kVerdictInvalid =
    A("'%s' enthält ein XML Dokument, das nicht der Schemadefinition (%s) entspricht!");
inline const std::string kVerdictCharsetCamt =
    A("'%s' enthält ein korrektes CAMT%s Dokument (%s), das nicht unterstützte Zeichen enthält!");
inline const std::string kVerdictCharsetStatus =
    A("'%s' enthält einen korrekten Statusbericht pain.002 (%s), der nicht unterstützte Zeichen enthält!");
inline const std::string kVerdictCharset =
    A("'%s' enthält ein korrektes SEPA XML Dokument (%s), das nicht unterstützte Zeichen enthält!");
inline const std::string kMissingCreditorIds = A("Es fehlen SEPA Gläubigeridentifikationen <CdtrSchmeId>!");
inline const std::string kCreditorIdsBothLevels = A(
    "SEPA Gläubigeridentifikationen <CdtrSchmeId> sollten nur auf Sammler oder Transaktionsebene vorhanden sein!");
inline const std::string kEmptyDate = A("Leeres Datumsfeld ist nicht erlaubt!");
inline const std::string kCharsetBasic = A(
    "enthält nicht unterstützte Zeichen. Erlaubt sind \"0-9\" \"a-z\" \"A-Z\" die Zeichen \"-':?,+()/.\" sowie "
    "Leerzeichen.");
inline const std::string kCharsetExtended = A(
    "enthält nicht unterstützte Zeichen. Erlaubt sind \"0-9\" \"a-z\" \"A-Z\" \"äöüÜÖÄß\" die Zeichen "
    "&*%$\"-':?,+()/.\" sowie Leerzeichen.");

// Direct sending
inline const std::string kDirectSending = A("Ein direkter Versand der Datei per FinTS/HBCI ist nicht möglich");
inline const std::string kReasonNotGerman = A(", da es sich nicht um ein deutsches Format handelt.");
inline const std::string kReasonContainer = A(", da Containerformate nicht unterstützt werden.");
inline const std::string kReasonSeveralBlocks =
    A(", da mehrere logische Dateien <PmtInf> in den Geschäftvorfällen nicht erlaubt sind.");

}  // namespace valorix::msg
