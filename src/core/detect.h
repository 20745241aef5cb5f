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
//
// Everything known about an edition is one row of the edition table
// (kEditions in detect.cpp): its format code, root, namespace, debit kind,
// Austrian variant, DK subset, schema, edition text, whether it is a
// container and whether German banks still accept it. DetectFormat runs the
// sequence of tests; each test is a step that picks one of the step's
// rows, and the rows of a step are tried in table order, so the table keeps
// its rows in the order of the tests. Schema selection, the retired-edition
// hint and the edition the reports name all read the same row.
//
// Adding an edition:
//  - one row in kEditions (one per debit kind and per DK subset where the
//    schema differs), at the place of its step where its test must come.
//    An edition with a namespace of its own is a row of the step Exact; a
//    new version of the messages after 3.0 keeps their format code (11 to
//    14), so the rules read it as they read the versions before it;
//  - its schema, when it is new, one line in VALORIX_SCHEMA_ROWS
//    (cmake/EmbedSchemas.cmake), which gives the schema its id;
//  - one case in the table test of tests/test_detect.cpp
//    (FormatCodesAndSchemaRows).
#pragma once
#include <span>
#include <string>
#include <vector>

#include "rules/classification.h"

namespace valorix {

class ParsedTree;

/// Target namespace of the Bundesbank foreign-trade report schemas.
inline constexpr const char* kBbkNamespace = "http://www.bundesbank.de/xmw/2003-01-01";

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

/// The step of DetectFormat that picks a row of the edition table.
enum class EditionStep : unsigned char {
    Exact,            ///< the root's namespace is the row's, and its local name the row's root
    ForeignTrade,     ///< the root is the Bundesbank's foreign-trade report
    Statement,        ///< a camt namespace that holds the row's test
    AustrianIban,     ///< the ISO namespace of 3.0, with an Austrian IBAN first in the file
    Austrian,         ///< a STUZZA namespace that holds every word of the row's test
    Iso,              ///< a Document in an ISO namespace that holds every word of the row's test
    Swift,            ///< a Document of 2.4: a SWIFT namespace, or the 2.4 message named in the text
    Grouped,          ///< a Document of 2.3 whose text names the grouped message
    Sepade,           ///< any other Document
    SepadeContainer,  ///< a 2.3 container (sepade root)
    Container,        ///< a conxml container whose namespace holds every word of the row's test
    None,             ///< never picked: a status report of an edition, checked as its credit transfer
};

/// A row's debit kind when the text decides it (containers).
constexpr int kDebitFromText = -1;

/// One edition, as detection, schema selection and the reports know it.
struct EditionRow {
    EditionStep step;
    const char* test;      ///< the words the namespace must hold, for the steps that read them; "" always holds
    FormatCode code;
    const char* root;      ///< local name of the root element
    const char* ns;        ///< the namespace the root must carry
    int debitKind;         ///< 0 credit transfer (or no orders), 1 direct debit, kDebitFromText
    int austrian;          ///< Austrian variant: 0, 1 (STUZZA namespace), 2 (ISO namespace, Austrian IBAN)
    int subset;            ///< DK subset (4 or 5) of the schema; 0 for the other editions
    bool container;
    bool noOrders;         ///< statements, status reports, reversals: no payment orders
    const char* retired;   ///< since when German banks no longer accept it (UTF-8), or null
    const char* schema;    ///< in the data folder; null for a row never picked
    const char* edition;   ///< UTF-8 edition text of the verdict
};

/// The edition table, in the order of the tests.
std::span<const EditionRow> Editions();

struct Detection {
    bool stopped = false;  ///< an early stop: no verdict follows
    FormatCode formatCode = FormatCode::Unknown;
    int debitKind = 0;
    int austrianVariant = 0;
    int subtype = 0;
    int isEmw = 0;
    int xmlnsRepeated = 0;
    int subset = 0;  ///< the DK subset (4 or 5) the schema belongs to; 0 for the older editions
    const EditionRow* row = nullptr;  ///< the edition; null when stopped
    std::string schemaFile;
    std::string edition;
    std::string expectedNamespace;
    std::string fileNamespace;  ///< the namespace the root carries
    bool directPossible = true;
    std::string directReason;
};

struct SchemaChoice {
    const char* file;
    const char* edition;  ///< UTF-8 edition text
};
/// The schema and edition of the edition table's row for a format code,
/// direct-debit flag, Austrian variant and DK subset (4 or 5; the DK
/// subsets of the editions after 3.0 only).
SchemaChoice SelectSchema(FormatCode formatCode, bool directDebit, int austrianVariant, int subset = 5);

/// The hint for an edition German banks no longer accept (CP1252), or "". It
/// names the message of the file's own namespace; a namespace that is no
/// retired edition's gets none, whatever schema the file is checked with.
std::string RetiredEditionHint(const Detection& d);

/// Runs detection and the structural and namespace checks; appends their
/// messages (CP1252) to `messages`. `subtype` is the value before detection.
Detection DetectFormat(const DetectInput& in, std::vector<std::string>& messages);

}  // namespace valorix
