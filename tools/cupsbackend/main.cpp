// brindle: the printer backend of the "Brindle" queue. The scheduler runs it with
//   brindle JOB-ID USER TITLE COPIES OPTIONS [FILE]
// (the job on standard input when FILE is missing) and, with no arguments, to list the
// device it offers. Each job goes into the printing user's spool folder, where Brindle
// picks it up as a new fax; copies mean nothing for a fax and are ignored.
//
// The backend is installed mode 0700 so the scheduler runs it as root: only root can make
// a folder that belongs to the printing user and is closed to everyone else. It does that
// first, then gives up root for the user's identity before it writes a byte, so the job
// file is the user's own (mode 0600) and a link the user put in the folder gets nothing
// the user could not write anyway.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <string>

#include "base/fileowner.h"
#include "spooljob.h"

namespace {

int Report(const cupsbackend::Outcome& o) {
  std::cerr << (o.status == cupsbackend::kOk ? "INFO: " : "ERROR: ") << o.message << std::endl;
  return o.status;
}

bool IsJobId(const std::string& s) {
  return !s.empty() && s.size() < 12 &&
         std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) {
    std::cout << "direct brindle:/ \"Brindle Fax\" \"Brindle fax\"" << std::endl;
    return cupsbackend::kOk;
  }
  if (argc != 6 && argc != 7) {
    std::cerr << "usage: brindle job-id user title copies options [file]" << std::endl;
    return cupsbackend::kFailed;
  }
  const std::string jobId = argv[1];
  if (!IsJobId(jobId)) return Report({cupsbackend::kCancelJob, "bad job id \"" + jobId + "\""});

  // The job file is opened while still root: the scheduler's spool is not the user's.
  base::UniqueFd input(argc == 7 ? open(argv[6], O_RDONLY | O_CLOEXEC) : dup(STDIN_FILENO));
  if (input.get() < 0) return Report({cupsbackend::kFailed, "cannot open the job"});

  cupsbackend::Recipient who;
  if (auto o = cupsbackend::PrepareFolder(argv[2], who); o.status != cupsbackend::kOk) return Report(o);
  if (auto o = cupsbackend::BecomeUser(who); o.status != cupsbackend::kOk) return Report(o);
  return Report(cupsbackend::WriteJob(input.get(), who, jobId, argv[3]));
}
