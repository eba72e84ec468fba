// The work of the printer backend: check where a job goes, then write it there as the
// user who printed it.
#pragma once

#include <sys/types.h>

#include <string>

namespace cupsbackend {

// The exit codes the scheduler understands.
enum BackendStatus { kOk = 0, kFailed = 1, kCancelJob = 5 };

struct Outcome {
  BackendStatus status = kOk;
  std::string message;  // for the scheduler's log and the job's state message
};

struct Recipient {
  uid_t uid = 0;
  gid_t gid = 0;
  std::string name;
  std::string folder;  // the user's spool folder
};

// Finds the local user and makes sure their spool folder exists, is theirs and closed to
// everyone else (created mode 0700 and given to them when missing). Needs root.
Outcome PrepareFolder(const std::string& user, Recipient& out);

// Drops root for the user's identity, so the job file is created by the user (mode 0600)
// and nothing in their folder can make the backend write elsewhere.
Outcome BecomeUser(const Recipient& who);

// "pdf" or "ps" from the first bytes of a job; empty for anything else.
std::string JobKind(const std::string& head);

// Copies the job from `input` into the folder under its final name. The file appears
// under that name only when complete, so the program never picks up half a job.
Outcome WriteJob(int input, const Recipient& who, const std::string& jobId,
                 const std::string& title);

}  // namespace cupsbackend
