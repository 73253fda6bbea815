#pragma once
// An output file written under a temporary name in its own folder and renamed into place once
// it is complete, so that the output's name only ever holds a whole output: a run that ends
// early (a signal, SIGKILL, a run-time error) leaves the previous output, if any, untouched.
// Two runs writing one output each write their own file; the later rename wins, whole.
// A name that stands for something other than a regular file (a device, a pipe) or for one of
// the process's own descriptors (/dev/stdout) is written in place, as nothing there can pass for
// a finished file; so is an output in a folder the run may not add files to, which cannot be
// replaced otherwise.

#include <string>
#include <vector>

namespace tabulink {

class PendingOutput {
 public:
  PendingOutput() = default;
  // `finalPath` through a symbolic link is the file the link points to.
  explicit PendingOutput(const std::string& finalPath);

  bool inPlace() const { return inPlace_; }
  const std::string& finalPath() const { return final_; }
  // Where to write: a new temporary name beside the final one ("<name>.XXXXXX.part") on each
  // call, for a name found taken; the final path itself when written in place.
  std::string nextWritePath();

  // `path` now exists and belongs to this output, to be renamed to `finalPath` on commit (first
  // the companions, such as a memo file, then the main file). Call with the run files locked
  // (lockRunFiles) since the creation.
  void created(const std::string& path, const std::string& finalPath);

  // Renames every file into place, with the permissions of the file it replaces; 0, or the
  // errno of the failure (the temporary files are then removed).
  int commit();
  // Removes the temporary files: the output was not finished.
  void abandon();

 private:
  struct Part {
    std::string path;
    std::string finalPath;
  };
  std::string final_;
  bool inPlace_ = false;
  std::vector<Part> parts_;
};

}  // namespace tabulink
