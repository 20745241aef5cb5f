// The local SCL directory file ("NVSCL.INI"): its date, its validation and
// the lookup structure of the BIC check.
//
// The file is an INI file with one section "BIC": the key "STAND" holds the
// directory's date as YYMMDD, every other key is a BIC with its reachability
// flags ("COBADEFFXXX=1100"). The Bundesbank's directory lists a few
// thousand banks; a file from elsewhere (a download, a hand-made copy) may be
// anything, so it is read as a stream, never whole, and a download replaces
// the local file only when it is a complete, valid directory.
#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace valorix {

/// Calls `line(text, number, tooLong)` for each line of the file, without
/// its line end; false when the file cannot be opened or read, or when
/// `line` returns false (which stops the reading). A line of more than 4096
/// bytes is passed on empty with `tooLong` set, so a file of garbage never
/// costs more memory than one such line.
bool ForEachLine(const std::string& path, const std::function<bool(std::string_view, long, bool)>& line);

/// True for six digits YYMMDD that name a real calendar day (years 2000-2099)
/// at most a year after today.
bool IsPlausibleStand(std::string_view stand);

/// True when `candidate` (a plausible YYMMDD) is newer than `local`; a local
/// date that is not plausible (empty, damaged) is older than any valid one.
bool SclStandIsNewer(const std::string& candidate, const std::string& local);

/// The "STAND" value of section "BIC", read line by line up to the key
/// (never the whole file); "" when the file or the key is missing.
std::string ReadSclStand(const std::string& path);

/// What a directory file holds, read as a stream.
struct SclFileCheck {
    bool valid = false;     ///< a plausible STAND, only well-formed entries, at least one bank
    std::string stand;      ///< the STAND value as written
    long banks = 0;         ///< entries with a BIC key
    std::string reason;     ///< CP1252: why the file is not a valid directory
};

/// Validates a directory as `--import-scl` writes it: a "[BIC]" section, a
/// plausible six-digit STAND, only "BIC=flags" lines (BIC of 8 or 11
/// letters and digits, 1 to 9 flags of 0 and 1), at least one bank.
SclFileCheck ValidateSclDirectory(const std::string& path);

/// The state of the directory file a check reads.
enum class SclDirectoryState {
    Valid,    ///< a plausible STAND and at least one bank
    Missing,  ///< no file, or a file without any bank
    Damaged,  ///< present, but unreadable or without a valid STAND
};

/// The flags of `key` (upper case, 8 or 11 characters) in the directory at
/// `path`, "" when it is not listed or the directory is not valid. The file
/// is parsed once per version (path, modification time, size) into a sorted
/// table of fixed-size records; `SclDirectoryStateOf` tells its state.
std::string SclLookup(const std::string& path, const std::string& key);
SclDirectoryState SclDirectoryStateOf(const std::string& path);

/// A new check begins: the next lookup looks at the directory file again
/// (it is parsed anew when it changed); within one check it is looked at once.
void RevisitSclDirectory();

/// Notes in `worst` (a check's own, Valid at its start) that a BIC could not
/// be looked up because the directory is in `state`; damaged outweighs missing.
void NoteSclDirectoryNotUsed(SclDirectoryState& worst, SclDirectoryState state);
/// The summary line of a check whose BICs met `worst` (CP1252), "" when every
/// BIC was looked up in a valid directory or none was asked for.
std::string SclDirectoryHint(SclDirectoryState worst);

}  // namespace valorix
