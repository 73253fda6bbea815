#pragma once
// An output file written under a temporary name in its own folder and renamed into place once
// it is complete, so that the output's name only ever holds a whole output: a run that ends
// early (a signal, SIGKILL, a run-time error) leaves the previous output, if any, untouched.
// Two runs writing one output each write their own file; the later rename wins, whole.
// A name that stands for something other than a regular file (a device, a pipe) or for one of
// the process's own descriptors (/dev/stdout) is written in place, as nothing there can pass for
// a finished file. An output that can be neither (its folder takes no new file from the run, a
// symbolic link the run may not follow) is refused.

#include <string>
#include <string_view>
#include <vector>

namespace tabulink {

// The descriptor that `path` names in this process (/dev/stdout, /dev/stderr, /dev/fd/N,
// /proc/self/fd/N); -1 for any other name.
int ownDescriptor(std::string_view path);

// The file `path` names, every symbolic link in it followed where the kernel's rule for links in
// shared folders (fs.protected_symlinks) lets the run follow it; "" when it does not, with
// `refusal` saying why and errno set.
std::string followedPath(const std::string& path, std::string& refusal);

class PendingOutput {
 public:
  PendingOutput() = default;
  // `finalPath` through a symbolic link is the file the link points to, where the kernel's rule
  // for links in shared folders (fs.protected_symlinks) lets the run follow it.
  explicit PendingOutput(const std::string& finalPath);

  // Why the output cannot be written at all, "" when it can; refusedError() is the errno to go
  // with it.
  const std::string& refusal() const { return refusal_; }
  int refusedError() const { return refusedError_; }
  bool inPlace() const { return inPlace_; }
  const std::string& finalPath() const { return final_; }
  // An output written in place, opened for writing without truncating it (a file the shell
  // opened for appending stays appended to); the descriptor, or -1 with errno.
  int openInPlace() const;
  // A new temporary name beside the final one ("<name>.XXXXXX.part") on each call, for a name
  // found taken; messages about it and its companions name the final one.
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
  void refuse(int error, std::string why);

  struct Part {
    std::string path;
    std::string finalPath;
  };
  std::string final_;
  bool inPlace_ = false;
  int descriptor_ = -1;  // the own descriptor the name stands for
  std::string refusal_;
  int refusedError_ = 0;
  std::vector<Part> parts_;
  std::string writePath_;  // the latest temporary name
};

}  // namespace tabulink
