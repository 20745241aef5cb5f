#include "expect.h"

#include <nlohmann/json.hpp>

#include "harness.h"

namespace valorix::fuzz {

void ExpectWellFormed(const std::string& page, Markup kind, const char* what) {
    const std::string fault = MarkupFault(page, kind);
    if (!fault.empty()) Fault(std::string(what) + " nicht wohlgeformt: " + fault, page);
}

namespace {

// Reads the line as events, without building it in memory (a file with many
// findings makes a line of many megabytes): the top level's keys "file",
// "report" and "summary", and the number of report lines.
class CLineReader : public nlohmann::json::json_sax_t {
public:
    std::string file;
    size_t reportLines = 0;
    bool fileSeen = false, reportSeen = false, summarySeen = false, object = false;

    bool key(string_t& k) override {
        if (m_depth == 1) m_key = k;
        return true;
    }
    bool start_object(std::size_t) override {
        if (m_depth == 0) object = true;
        Open();
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override {
        if (m_depth == 1 && m_key == "report") reportSeen = true;
        Open();
        return true;
    }
    bool end_array() override { return Close(); }
    bool string(string_t& value) override {
        if (m_depth == 1 && m_key == "file") {
            fileSeen = true;
            file = value;
        }
        return Value();
    }
    bool null() override { return Value(); }
    bool boolean(bool) override { return Value(); }
    bool number_integer(number_integer_t) override { return Value(); }
    bool number_unsigned(number_unsigned_t) override { return Value(); }
    bool number_float(number_float_t, const string_t&) override { return Value(); }
    bool binary(binary_t&) override { return false; }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::json::exception& e) override {
        error = e.what() + (" (Byte " + std::to_string(position) + ")");
        return false;
    }
    std::string error;

private:
    void Open() {
        Value();
        ++m_depth;
        if (m_depth == 2 && m_key == "summary") summarySeen = true;
    }
    bool Close() {
        --m_depth;
        return true;
    }
    // A value in the report's array is one report line.
    bool Value() {
        if (m_depth == 2 && m_key == "report") ++reportLines;
        return true;
    }
    int m_depth = 0;
    std::string m_key;
};

}  // namespace

void ExpectJsonLine(const std::string& line, const std::string& file, size_t reportLines, bool summary) {
    if (line.empty() || line.find('\n') != line.size() - 1) Fault("JSON ist nicht eine Zeile", line);
    CLineReader reader;
    if (!nlohmann::json::sax_parse(line, &reader)) Fault("JSON nicht lesbar: " + reader.error, line);
    if (!reader.object || !reader.fileSeen || reader.file != file || !reader.reportSeen ||
        reader.reportLines != reportLines || reader.summarySeen != summary)
        Fault("JSON unvollständig", line);
}

}  // namespace valorix::fuzz
