// Loading the selected schema into a parser (the tree parse and the event pass
// alike), with the entity resolver serving the schema's folder meanwhile.
#pragma once
#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/validators/common/Grammar.hpp>

#include <string>

#include "xml/entityresolver.h"
#include "platform/paths.h"
#include "xml/parserfindings.h"
#include "xml/xmlstr.h"

namespace valorix {

/// The finding for a schema that cannot be loaded (`schemaPath` as on disk).
inline std::string SchemaLoadFailedText(const std::string& schemaPath) {
    return "Das Schema '" + ShownPath(schemaPath) + "' konnte nicht geladen werden!";
}

/// True when the schema loaded without error. Errors while loading mean the
/// schema is broken or missing; the check must then never pass as valid.
template <class Parser>
bool LoadSchemaGrammar(Parser& parser, CSafeEntityResolver& resolver) {
    ParserFindings grammarErrors;
    parser.setErrorHandler(&grammarErrors);
    resolver.SetSchemaLoading(true);
    bool loaded = false;
    try {
        // The path goes to the parser as UTF-16 of its UTF-8 bytes, never
        // through the parser's idea of the local code page.
        const std::u16string file = Utf8ToUtf16(resolver.SchemaFile());
        if (!file.empty() && IsFile(resolver.SchemaFile())) {
            xercesc::LocalFileInputSource source(XP(file));
            loaded = parser.loadGrammar(source, xercesc::Grammar::SchemaGrammarType, true) != nullptr &&
                     !grammarErrors.SawErrors();
        }
    } catch (...) {
        loaded = false;
    }
    resolver.SetSchemaLoading(false);
    parser.setErrorHandler(nullptr);
    return loaded;
}

}  // namespace valorix
