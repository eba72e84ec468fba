// The one in-memory record of the user's settings, its file "BDL.INI" in the program
// directory, and where the program keeps its files.
#pragma once

#include <array>
#include <functional>
#include <string>

namespace settings {

struct AppSettingsRecord {
  std::string ReceiveWav;         // [Receive] Wav
  bool ReceiveAtStartup = false;  // [Receive] AtStartup
  int AnswerOnRing = 1;           // [Receive] AnswerOnRing
  std::string UserFax;            // [User] Fax
  std::string UserName;           // [User] Name
  std::string DialPrefix;         // [Dialing] DialPrefix
  std::string InitString;         // [Modem] InitString
  int DialAttempts = 3;           // [Dialing] DialAttempts
  int RetryWait = 60;             // [Dialing] RetryWait
  bool BlindDial = false;         // [Dialing] BlindDial
  bool IgnoreBusy = false;        // [Dialing] IgnoreBusy
  int ComPort = -1;               // [Modem] ComPort, zero-based; -1 never configured
  int FaxClass = 0;               // [Modem] FaxClass: 0 auto, 1 class 1, 2 class 2, 3 class 2.0
  int ToneOrPulse = 0;            // [Dialing] ToneOrPulse
  int Timeout = 60;               // [Dialing] Timeout
  bool ECM = false;               // [Dialing] ECM
  bool ECMReceive = false;        // [Receive] ECMReceive (defaults to ECM)
  std::string InitStringReceive;  // [Modem] InitStringReceive (defaults to InitString)
  int FaxClassReceive = 0;        // [Modem] FaxClassReceive (defaults to FaxClass)
  int MaximumBPSReceive = 9600;   // [Modem] MaximumBPSReceive (defaults to MaximumBPS)
  bool PrintOnReceipt = false;    // [Receive] PrintOnReceipt
  std::string PrintOnReceiptPrinter = "Default Windows Printer";  // [Receive] PrintOnReceiptPrinter
  bool SavePdfOnReceipt = false;                                  // [Receive] SavePdf
  std::string SavePdfFolder;                                      // [Receive] SavePdfFolder
  std::string FontName = "Arial";                                 // [Default Font] Name
  int FontSize = 10;                                              // [Default Font] Size
  bool FontBold = false;                                          // [Default Font] Bold
  bool FontItalic = false;                                        // [Default Font] Italic
  bool FontUnderline = false;                                     // [Default Font] Underline
  int MaximumBPS = 9600;                                          // [Modem] MaximumBPS
  std::string ResetString;                                        // [Resetting] String
  std::string ResetAfterString;                                   // [Resetting] AfterString
  bool PrefixDisable = false;                                     // [User] PrefixDisable
  bool HintsOn = true;                                            // [Hints] On
  // [Ports] Com1..Com6: the device behind each COM number.
  std::array<std::string, 6> ComDevices = {"/dev/ttyS0",   "/dev/ttyS1",   "/dev/ttyACM0",
                                           "/dev/ttyACM1", "/dev/ttyUSB0", "/dev/ttyUSB1"};
};

// The settings of this run, filled by LoadSettings.
extern AppSettingsRecord AppSettings;

constexpr const char* kSettingsFileName = "BDL.INI";
constexpr const char* kSettingsVersion = "2.8d";

// The program directory always ends in "/". It is the folder DataDirFor chooses for the
// executable's folder unless SetProgramDir chose another (the --data-dir option).
std::string ProgramDir();
void SetProgramDir(const std::string& dir);

// What decides where an installed program keeps its files: the user's environment and a
// way to ask whether a folder may be written (a parameter so a test can say no).
struct DataDirRoots {
  std::string xdgDataHome;  // $XDG_DATA_HOME, "" when unset
  std::string home;         // $HOME
  std::function<bool(const std::string& dir)> writable;  // empty: access(2) with W_OK
};
// The folder for the settings, tables, received faxes and temporary files of a program
// whose executable lies in `exeDir`: that folder itself when it may be written and is not
// an installed program's (a run from the build tree); otherwise the user's data folder,
// $XDG_DATA_HOME/brindle (~/.local/share/brindle), made when it is not there yet. Ends in
// "/"; "" when the user's data folder cannot be made either.
std::string DataDirFor(const std::string& exeDir, const DataDirRoots& roots);
DataDirRoots DataDirRootsFromEnvironment();
// True when `exeDir` is the bin folder of an installation: its shared data folder
// (../share/brindle beside it) is there.
bool IsInstalledProgramDir(const std::string& exeDir);
// Where a read-only file the program ships (the main dictionary) lies: beside the
// executable in the build tree, in the installation's shared data folder otherwise.
// The path beside the executable when neither holds it.
std::string ReadOnlyDataPath(const std::string& name);
std::string SettingsFilePath();

// Reads every key into AppSettings, taking the default for what is missing or unreadable.
void LoadSettings();
// Writes every key from AppSettings in their fixed order, then Version. Throws
// IniWriteError ("Unable to write to <file>") when the file cannot be written.
void SaveSettings();

// The same on an explicit file and record, for callers and tests that keep their own.
AppSettingsRecord LoadSettingsFrom(const std::string& path);
void SaveSettingsTo(const std::string& path, const AppSettingsRecord& settings);

}  // namespace settings
