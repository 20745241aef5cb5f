// Loading the selected schema into a parser (the tree parse and the event pass
// alike), with the entity resolver serving the schema's folder meanwhile.
#pragma once
#include <xercesc/validators/common/Grammar.hpp>

#include <string>

#include "xml/entityresolver.h"
#include "xml/errorreporter.h"

namespace valorix {

/// True when the schema loaded without error. Errors while loading mean the
/// schema is broken or missing; the check must then never pass as valid.
template <class Parser>
bool LoadSchemaGrammar(Parser& parser, CSafeEntityResolver& resolver, const std::string& schemaPath) {
    DOMTreeErrorReporter grammarErrors;
    parser.setErrorHandler(&grammarErrors);
    resolver.SetSchemaLoading(true);
    bool loaded = false;
    try {
        loaded = parser.loadGrammar(schemaPath.c_str(), xercesc::Grammar::SchemaGrammarType, true) != nullptr &&
                 !grammarErrors.SawErrors();
    } catch (...) {
        loaded = false;
    }
    resolver.SetSchemaLoading(false);
    parser.setErrorHandler(nullptr);
    return loaded;
}

}  // namespace valorix
