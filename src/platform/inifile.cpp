#include "platform/inifile.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/paths.h"
#include "platform/strutil.h"

namespace valorix {
namespace {

std::vector<std::string> ReadLines(const std::string& path, bool* exists) {
    std::vector<std::string> lines;
    std::ifstream in(FsPath(path), std::ios::binary);
    *exists = static_cast<bool>(in);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Section name of a "[name]" line, or nothing.
std::optional<std::string> SectionOf(const std::string& line) {
    std::string t = Trim(line);
    if (t.size() >= 2 && t.front() == '[') {
        size_t close = t.find(']');
        if (close != std::string::npos) return Trim(t.substr(1, close - 1));
    }
    return std::nullopt;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> ReadIniSection(const std::string& path, const std::string& section) {
    std::vector<std::pair<std::string, std::string>> entries;
    bool exists = false;
    bool inSection = false;
    for (const std::string& line : ReadLines(path, &exists)) {
        if (auto sec = SectionOf(line)) {
            inSection = EqualsNoCase(*sec, section);
            continue;
        }
        if (!inSection) continue;
        std::string t = TrimLeft(line);
        if (t.empty() || t[0] == ';') continue;
        size_t eq = t.find('=');
        if (eq == std::string::npos) continue;
        entries.emplace_back(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)));
    }
    return entries;
}

namespace {
std::optional<std::string> Lookup(const std::string& path, const std::string& section, const std::string& key) {
    const std::string wanted = Trim(key);
    for (auto& [k, v] : ReadIniSection(path, section)) {
        if (!EqualsNoCase(k, wanted)) continue;
        // One pair of matching quotes around the value is not part of it.
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            return v.substr(1, v.size() - 2);
        return v;
    }
    return std::nullopt;
}
}  // namespace

std::string ReadIniString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& def, size_t bufSize) {
    std::string value = Lookup(path, section, key).value_or(def);
    if (bufSize == 0) return {};
    if (value.size() > bufSize - 1) value.resize(bufSize - 1);
    return value;
}

int ReadIniInt(const std::string& path, const std::string& section, const std::string& key, int def) {
    auto value = Lookup(path, section, key);
    if (!value) return def;
    const std::string& v = *value;
    size_t i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == '-' || v[i] == '+')) negative = v[i++] == '-';
    long long n = 0;
    while (i < v.size() && v[i] >= '0' && v[i] <= '9' && n < 0x7FFFFFFF) n = n * 10 + (v[i++] - '0');
    if (n > 0x7FFFFFFF) n = 0x7FFFFFFF;
    return static_cast<int>(negative ? -n : n);
}

bool WriteIniString(const std::string& path, const std::string& section, const std::string& key,
                    const std::string& value) {
    bool exists = false;
    std::vector<std::string> lines = ReadLines(path, &exists);
    const std::string entry = key + "=" + value;
    bool inSection = false, done = false;
    size_t sectionEnd = std::string::npos;  // line index after the last line of the section
    for (size_t i = 0; i < lines.size() && !done; ++i) {
        if (auto sec = SectionOf(lines[i])) {
            if (inSection) break;
            inSection = EqualsNoCase(*sec, section);
            if (inSection) sectionEnd = i + 1;
            continue;
        }
        if (!inSection) continue;
        std::string t = TrimLeft(lines[i]);
        if (!t.empty()) sectionEnd = i + 1;
        size_t eq = t.find('=');
        if (t.empty() || t[0] == ';' || eq == std::string::npos) continue;
        if (EqualsNoCase(Trim(t.substr(0, eq)), Trim(key))) {
            lines[i] = entry;
            done = true;
        }
    }
    if (!done) {
        if (sectionEnd != std::string::npos) {
            lines.insert(lines.begin() + static_cast<long>(sectionEnd), entry);
        } else {
            lines.push_back("[" + section + "]");
            lines.push_back(entry);
        }
    }
    // Through a new file and a rename: a reader sees the old file or the new one, never a part.
    std::string content;
    for (const std::string& line : lines) content += line + "\r\n";
    return WriteFileAtomically(path, content);
}

}  // namespace valorix
