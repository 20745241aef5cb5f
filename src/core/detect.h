// Format detection and schema selection.
//
// A payment file says what it is only indirectly: by its root element, its
// namespace and a few telltale names in its text. Banks accept one format per
// edition of the German (DFÜ-Abkommen) and Austrian specifications, and several
// editions share element names, so the decision is a fixed sequence of
// case-sensitive substring tests whose order matters. The outcome is the
// format code, the schema that validates the file, the edition text of the
// verdict and the namespace the root must carry, plus the structural checks
// that no schema can express.
#pragma once
#include <string>
#include <vector>

#include "rules/classification.h"

namespace valorix {

class ParsedTree;

/// Target namespace of the Bundesbank foreign-trade report schemas.
extern const char* const kBbkNamespace;

struct DetectInput {
    std::string root;                    ///< qualified name of the root element
    std::string ns;                      ///< namespace URI of the root (may be empty)
    const std::string* text = nullptr;   ///< the document text
    std::vector<std::string> attrNames;  ///< root attributes, in order
    std::vector<std::string> attrValues;
    bool eventMode = false;
    ParsedTree* tree = nullptr;  ///< tree mode: the parsed document, cursor at the root
    // Event mode, from the collecting pass:
    int prefixCount = 0;
    std::vector<std::string> localInstruments;  ///< in document order
    std::vector<std::string> serviceLevels;     ///< first one and every later one that differs
    int subset = 0;  ///< the DK subset to validate the editions after 3.0 with: 4 or 5 (anything else: 5)
};

struct Detection {
    bool stopped = false;  ///< an early stop: no verdict follows
    int formatCode = -1;
    int debitKind = 0;
    int austrianVariant = 0;
    int subtype = 0;
    int isEmw = 0;
    int xmlnsRepeated = 0;
    int subset = 0;  ///< the DK subset (4 or 5) the schema belongs to; 0 for the older editions
    std::string schemaBase;  ///< G
    std::string schemaFile;
    int resourceId = 0;
    std::string edition;
    std::string expectedNamespace;
    std::string fileNamespace;  ///< the namespace the root carries
    bool directPossible = true;
    std::string directReason;
};

struct SchemaChoice {
    const char* file;
    int resourceId;
    const char* edition;  ///< UTF-8 edition text set by this row, or null
};
/// The schema row for a format code, direct-debit flag, Austrian variant and
/// DK subset (4 or 5; the editions after 3.0 only).
SchemaChoice SelectSchema(int formatCode, bool directDebit, int austrianVariant, int subset = 5);

/// The hint for an edition German banks no longer accept (CP1252), or "". It
/// names the message of the file's own namespace; a namespace that is no
/// retired edition's gets none, whatever schema the file is checked with.
std::string RetiredEditionHint(const Detection& d);

/// Runs detection and the structural and namespace checks; appends their
/// messages (CP1252) to `messages`. `subtype` is the value before detection.
Detection DetectFormat(const DetectInput& in, std::vector<std::string>& messages);

}  // namespace valorix
