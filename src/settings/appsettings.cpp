// Loading and saving the settings record; the key list lives once, in visitSettings.
#include "settings/appsettings.h"

#include "settings/inifile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace settings {

AppSettingsRecord AppSettings;

namespace {

std::string& programDirStorage() {
  static std::string dir;
  return dir;
}

std::string executableDir() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  std::string path(buf, std::size_t(n));
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

// Visits every key in the order the file is written. Defaults are evaluated at the
// moment of the visit, so a receive key whose default is its send key's value sees the
// value that was just read for that send key.
template <class Visitor>
void visitSettings(AppSettingsRecord& s, Visitor& v) {
  v.text("Receive", "Wav", s.ReceiveWav, "");
  v.boolean("Receive", "AtStartup", s.ReceiveAtStartup, false);
  v.integer("Receive", "AnswerOnRing", s.AnswerOnRing, 1);
  v.text("User", "Fax", s.UserFax, "");
  v.text("User", "Name", s.UserName, "");
  v.text("Dialing", "DialPrefix", s.DialPrefix, "");
  v.text("Modem", "InitString", s.InitString, "");
  v.integer("Dialing", "DialAttempts", s.DialAttempts, 3);
  v.integer("Dialing", "RetryWait", s.RetryWait, 60);
  v.boolean("Dialing", "BlindDial", s.BlindDial, false);
  v.boolean("Dialing", "IgnoreBusy", s.IgnoreBusy, false);
  v.integer("Modem", "ComPort", s.ComPort, -1);
  v.integer("Modem", "FaxClass", s.FaxClass, 0);
  v.integer("Dialing", "ToneOrPulse", s.ToneOrPulse, 0);
  v.integer("Dialing", "Timeout", s.Timeout, 60);
  v.boolean("Dialing", "ECM", s.ECM, false);
  v.boolean("Receive", "ECMReceive", s.ECMReceive, s.ECM);
  v.text("Modem", "InitStringReceive", s.InitStringReceive, s.InitString);
  v.integer("Modem", "FaxClassReceive", s.FaxClassReceive, s.FaxClass);
  v.integer("Modem", "MaximumBPSReceive", s.MaximumBPSReceive, s.MaximumBPS);
  v.boolean("Receive", "PrintOnReceipt", s.PrintOnReceipt, false);
  v.text("Receive", "PrintOnReceiptPrinter", s.PrintOnReceiptPrinter, "Default Windows Printer");
  v.boolean("Receive", "SavePdf", s.SavePdfOnReceipt, false);
  v.text("Receive", "SavePdfFolder", s.SavePdfFolder, "");
  v.text("Default Font", "Name", s.FontName, "Arial");
  v.integer("Default Font", "Size", s.FontSize, 10);
  v.boolean("Default Font", "Bold", s.FontBold, false);
  v.boolean("Default Font", "Italic", s.FontItalic, false);
  v.boolean("Default Font", "Underline", s.FontUnderline, false);
  v.integer("Modem", "MaximumBPS", s.MaximumBPS, 9600);
  v.text("Resetting", "String", s.ResetString, "");
  v.text("Resetting", "AfterString", s.ResetAfterString, "");
  v.boolean("User", "PrefixDisable", s.PrefixDisable, false);
  v.boolean("Hints", "On", s.HintsOn, true);
  static const AppSettingsRecord defaults;
  for (std::size_t i = 0; i < s.ComDevices.size(); ++i)
    v.text("Ports", "Com" + std::to_string(i + 1), s.ComDevices[i], defaults.ComDevices[i]);
}

struct Loader {
  const IniFile& ini;
  void text(const std::string& sec, const std::string& key, std::string& out,
            const std::string& def) {
    out = ini.readString(sec, key, def);
  }
  void integer(const std::string& sec, const std::string& key, int& out, int def) {
    out = ini.readInteger(sec, key, def);
  }
  void boolean(const std::string& sec, const std::string& key, bool& out, bool def) {
    out = ini.readBool(sec, key, def);
  }
};

struct Saver {
  IniFile& ini;
  void text(const std::string& sec, const std::string& key, std::string& v, const std::string&) {
    ini.writeString(sec, key, v);
  }
  void integer(const std::string& sec, const std::string& key, int& v, int) {
    ini.writeInteger(sec, key, v);
  }
  void boolean(const std::string& sec, const std::string& key, bool& v, bool) {
    ini.writeBool(sec, key, v);
  }
};

}  // namespace

// The installation's shared data folder seen from its bin folder; the build passes the
// relation of its install folders.
#ifndef BRINDLE_SHARE_FROM_BIN
#define BRINDLE_SHARE_FROM_BIN "../share/brindle"
#endif

namespace {

std::string withSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// mkdir -p with the user's private mode for what it makes.
bool makePath(const std::string& dir) {
  for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
    const std::string part = dir.substr(0, slash);
    if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos || slash + 1 >= dir.size()) break;
  }
  return isDirectory(dir);
}

std::string sharedDataDir(const std::string& exeDir) {
  return withSlash(withSlash(exeDir) + BRINDLE_SHARE_FROM_BIN);
}

}  // namespace

bool IsInstalledProgramDir(const std::string& exeDir) {
  return isDirectory(sharedDataDir(exeDir));
}

DataDirRoots DataDirRootsFromEnvironment() {
  DataDirRoots roots;
  if (const char* v = std::getenv("XDG_DATA_HOME")) roots.xdgDataHome = v;
  if (const char* v = std::getenv("HOME")) roots.home = v;
  return roots;
}

std::string DataDirFor(const std::string& exeDir, const DataDirRoots& roots) {
  const auto writable = roots.writable ? roots.writable : [](const std::string& dir) {
    return ::access(dir.c_str(), W_OK) == 0;
  };
  // An installed program is never written into, even by root, who may write anywhere.
  if (writable(exeDir) && !IsInstalledProgramDir(exeDir)) return withSlash(exeDir);
  // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
  std::string base = withSlash(roots.xdgDataHome);
  if (base.empty() || base[0] != '/') {
    if (roots.home.empty() || roots.home[0] != '/') return {};
    base = withSlash(roots.home) + ".local/share/";
  }
  const std::string dir = base + "brindle/";
  return makePath(dir) ? dir : std::string();
}

std::string ReadOnlyDataPath(const std::string& name) {
  const std::string exeDir = executableDir();
  const std::string beside = exeDir + name;
  if (isFile(beside)) return beside;
  const std::string shared = sharedDataDir(exeDir) + name;
  return isFile(shared) ? shared : beside;
}

std::string ProgramDir() {
  std::string& dir = programDirStorage();
  if (dir.empty()) {
    const std::string exeDir = executableDir();
    dir = DataDirFor(exeDir, DataDirRootsFromEnvironment());
    if (dir.empty()) dir = exeDir;
  }
  return dir;
}

void SetProgramDir(const std::string& dir) {
  std::string d = dir.empty() ? std::string("./") : dir;
  if (d.back() != '/') d += '/';
  programDirStorage() = d;
}

std::string SettingsFilePath() { return ProgramDir() + kSettingsFileName; }

AppSettingsRecord LoadSettingsFrom(const std::string& path) {
  IniFile ini(path);
  ini.load();
  AppSettingsRecord s;
  // MaximumBPSReceive defaults to MaximumBPS, which comes later in the file order; the
  // send rate is read ahead so that the receive default is the stored send rate.
  s.MaximumBPS = ini.readInteger("Modem", "MaximumBPS", 9600);
  Loader loader{ini};
  visitSettings(s, loader);
  return s;
}

void SaveSettingsTo(const std::string& path, const AppSettingsRecord& settings) {
  IniFile ini(path);
  ini.load();
  AppSettingsRecord copy = settings;
  Saver saver{ini};
  visitSettings(copy, saver);
  ini.writeString("Version", "Version", kSettingsVersion);
  ini.save();
}

void LoadSettings() { AppSettings = LoadSettingsFrom(SettingsFilePath()); }

void SaveSettings() { SaveSettingsTo(SettingsFilePath(), AppSettings); }

}  // namespace settings
