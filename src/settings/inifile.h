// Reader and writer for Windows-style profile files ("[Section]" lines followed by
// "Key=Value" lines), keeping every line it does not understand as it was.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace settings {

// Raised when the file cannot be written; the message is "Unable to write to <file>".
class IniWriteError : public std::runtime_error {
 public:
  explicit IniWriteError(const std::string& fileName);
};

// The profile file rules: section and key names match without regard to case, the
// first of duplicated sections or keys is the one read and written, values lose the
// blanks around them and one pair of enclosing quotes, text values come back with at
// most 1023 characters, and integers are decimal or "0x" hexadecimal.
class IniFile {
 public:
  static constexpr std::size_t kMaxTextLength = 1023;

  IniFile() = default;
  explicit IniFile(std::string path);

  // Reads the file; a missing or unreadable file leaves an empty profile.
  void load();
  // Parses profile text as it would be read from a file.
  void parse(const std::string& text);
  // Writes the profile to a temporary file and renames it over the old one, so a
  // failed write leaves the previous file as it was. Throws IniWriteError.
  void save() const;
  std::string text() const;

  const std::string& path() const { return path_; }

  bool hasKey(const std::string& section, const std::string& key) const;
  std::string readString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  int readInteger(const std::string& section, const std::string& key, int def) const;
  bool readBool(const std::string& section, const std::string& key, bool def) const;

  void writeString(const std::string& section, const std::string& key, const std::string& value);
  void writeInteger(const std::string& section, const std::string& key, int value);
  void writeBool(const std::string& section, const std::string& key, bool value);

 private:
  struct Line {
    std::string raw;      // the line as read or as it will be written
    std::string section;  // set for section lines
    std::string key;      // set for key lines
    std::string value;    // value of a key line, trimmed and unquoted
    bool isSection = false;
    bool isKey = false;
  };

  int findSection(const std::string& section) const;
  int findKey(int sectionLine, const std::string& key) const;

  std::string path_;
  std::vector<Line> lines_;
};

// Parses an integer the way the profile reader does: optional sign and decimal digits,
// or "0x"/"0X" and hexadecimal digits when the text is longer than two characters.
// Returns false for anything else, including values that do not fit in an int.
bool parseProfileInteger(const std::string& text, int& out);

}  // namespace settings
