// The engine's one table of texts: error messages and progress (status) texts, each
// under its string-table number, so every caller sees the same words for a code.
#pragma once

namespace faxcodes {

// String-table number of an error code: 11000 + (|c| div 1000) * 100 + (|c| mod 1000),
// or 11800 + |c| for |c| from 100 to 199.
int errorStringId(int code);

// The text stored under a string-table number, or nullptr when there is none.
const char* tableText(int stringId);

// Message text of an error code: "" for 0, a generic text for a code without one.
const char* errorText(int code);

// Progress text of a status code 1..42 (string-table number 13000 + code); "" otherwise.
const char* statusText(int code);

// Maps an errno value of a failed file operation to the run-time file error code.
int ioErrorFromErrno(int err, bool writing);

}  // namespace faxcodes
