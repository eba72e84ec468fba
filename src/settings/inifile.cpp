// Windows-style profile file: parsing, lookup with the profile rules, and atomic saving.
#include "settings/inifile.h"

#include "base/asciitext.h"
#include "base/atomicfile.h"

#include <climits>
#include <fstream>
#include <sstream>

namespace settings {

namespace {

std::string unquote(const std::string& v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

// A value must stay on its own line: line breaks inside it would start new lines.
std::string singleLine(const std::string& v) {
  std::string out = v;
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = base::ToLowerAscii(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

IniWriteError::IniWriteError(const std::string& fileName)
    : std::runtime_error("Unable to write to " + fileName) {}

bool parseProfileInteger(const std::string& text, int& out) {
  const std::string t = base::TrimBlanksAndTabs(text);
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    unsigned long long v = 0;
    for (std::size_t i = 2; i < t.size(); ++i) {
      const int d = hexDigit(t[i]);
      if (d < 0) return false;
      v = v * 16 + unsigned(d);
      if (v > 0xFFFFFFFFull) return false;
    }
    out = int(static_cast<unsigned int>(v));  // 0xFFFFFFFF reads as -1, as the 32-bit reader does
    return true;
  }
  std::size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  if (i == t.size()) return false;
  long long v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    v = v * 10 + (t[i] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v > INT_MAX || v < INT_MIN) return false;
  out = int(v);
  return true;
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

void IniFile::load() {
  lines_.clear();
  std::ifstream in(path_, std::ios::binary);
  if (!in) return;
  std::ostringstream buf;
  buf << in.rdbuf();
  parse(buf.str());
}

void IniFile::parse(const std::string& text) {
  lines_.clear();
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string raw = text.substr(pos, end - pos);
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    pos = end + 1;

    Line line;
    line.raw = raw;
    const std::string t = base::TrimBlanksAndTabs(raw);
    if (!t.empty() && t.front() == '[') {
      const std::size_t close = t.find(']');
      if (close != std::string::npos) {
        line.isSection = true;
        line.section = base::TrimBlanksAndTabs(t.substr(1, close - 1));
      }
    } else if (!t.empty() && t.front() != ';') {
      const std::size_t eq = t.find('=');
      if (eq != std::string::npos && eq > 0) {
        line.isKey = true;
        line.key = base::TrimBlanksAndTabs(t.substr(0, eq));
        line.value = unquote(base::TrimBlanksAndTabs(t.substr(eq + 1)));
      }
    }
    lines_.push_back(std::move(line));
  }
}

std::string IniFile::text() const {
  std::string out;
  for (const Line& l : lines_) {
    out += l.raw;
    out += "\r\n";
  }
  return out;
}

void IniFile::save() const {
  const std::string data = text();
  if (base::ReplaceFile(path_, {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()}))
    throw IniWriteError(path_);
}

int IniFile::findSection(const std::string& section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].isSection && base::EqualsIgnoreCase(lines_[i].section, section)) return int(i);
  return -1;
}

int IniFile::findKey(int sectionLine, const std::string& key) const {
  for (std::size_t i = std::size_t(sectionLine) + 1; i < lines_.size(); ++i) {
    if (lines_[i].isSection) break;
    if (lines_[i].isKey && base::EqualsIgnoreCase(lines_[i].key, key)) return int(i);
  }
  return -1;
}

bool IniFile::hasKey(const std::string& section, const std::string& key) const {
  const int s = findSection(section);
  return s >= 0 && findKey(s, key) >= 0;
}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& def) const {
  const int s = findSection(section);
  const int k = s >= 0 ? findKey(s, key) : -1;
  const std::string& v = k >= 0 ? lines_[std::size_t(k)].value : def;
  return v.substr(0, kMaxTextLength);
}

int IniFile::readInteger(const std::string& section, const std::string& key, int def) const {
  int v = def;
  if (!hasKey(section, key) || !parseProfileInteger(readString(section, key, ""), v)) return def;
  return v;
}

bool IniFile::readBool(const std::string& section, const std::string& key, bool def) const {
  return readInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::writeString(const std::string& section, const std::string& key,
                          const std::string& value) {
  const std::string v = singleLine(value);
  Line keyLine;
  keyLine.isKey = true;
  keyLine.key = key;
  keyLine.value = base::TrimBlanksAndTabs(v);
  keyLine.raw = key + "=" + v;

  int s = findSection(section);
  if (s < 0) {
    Line sec;
    sec.isSection = true;
    sec.section = section;
    sec.raw = "[" + section + "]";
    lines_.push_back(sec);
    lines_.push_back(keyLine);
    return;
  }
  const int k = findKey(s, key);
  if (k >= 0) {
    keyLine.key = lines_[std::size_t(k)].key;  // keep the spelling already in the file
    keyLine.raw = keyLine.key + "=" + v;
    lines_[std::size_t(k)] = keyLine;
    return;
  }
  // Append after the section's last key line, before any blank lines that follow it.
  std::size_t at = std::size_t(s) + 1;
  for (std::size_t i = at; i < lines_.size() && !lines_[i].isSection; ++i)
    if (!base::TrimBlanksAndTabs(lines_[i].raw).empty()) at = i + 1;
  lines_.insert(lines_.begin() + std::ptrdiff_t(at), keyLine);
}

void IniFile::writeInteger(const std::string& section, const std::string& key, int value) {
  writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(const std::string& section, const std::string& key, bool value) {
  writeString(section, key, value ? "1" : "0");
}

}  // namespace settings
