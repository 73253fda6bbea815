#include "app/pending_output.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <filesystem>

#include "core/text.h"
#include "failure/run_files.h"
#include "table/file_handle.h"

namespace tabulink {
namespace {

// The folder that holds `path`.
std::string folderOf(const std::string& path) {
  std::string parent = std::filesystem::path(path).parent_path().string();
  return parent.empty() ? "." : parent;
}

// Links one name may pass through, as the kernel counts them.
constexpr int kMaxLinks = 40;

}  // namespace

int ownDescriptor(std::string_view path) {
  if (path == "/dev/stdout") return STDOUT_FILENO;
  if (path == "/dev/stderr") return STDERR_FILENO;
  for (std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    if (!path.starts_with(prefix)) continue;
    const std::string_view digits = path.substr(prefix.size());
    int fd = -1;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), fd);
    if (error == std::errc() && end == digits.data() + digits.size() && fd >= 0) return fd;
  }
  return -1;
}

std::string followedPath(const std::string& path, std::string& refusal) {
  namespace fs = std::filesystem;
  // The name is walked one part at a time, as the kernel walks it, so that a link anywhere in it
  // (a folder's name too) meets the same rule; what was walked holds no link any more.
  std::vector<fs::path> rest;  // the parts still to walk, the next one last
  auto walkNext = [&rest](const fs::path& name) {
    const std::vector<fs::path> parts(name.begin(), name.end());
    rest.insert(rest.end(), parts.rbegin(), parts.rend());
  };
  // A name of the process's own descriptors stays one: the links behind it lead to whatever the
  // process was given, which is no file's name.
  if (ownDescriptor(path) >= 0) return path;
  walkNext(path);
  fs::path walked;
  for (int followed = 0; !rest.empty();) {
    const fs::path part = std::move(rest.back());
    rest.pop_back();
    if (part.empty() || part == ".") continue;
    fs::path next = walked / part;
    struct stat link {};
    if (::lstat(next.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
      walked = std::move(next);
      continue;
    }
    const std::string folder = walked.empty() ? "." : walked.string();
    struct stat parent {};
    if (++followed > kMaxLinks || ::stat(folder.c_str(), &parent) != 0) {
      refusal = "too many symbolic links";
      errno = ELOOP;
      return {};
    }
    // Anyone may put a link into a sticky folder that anyone may write (/tmp), pointing at a file
    // of the run's user: such a link is followed only when it is the run's own or the folder
    // owner's, the rule the kernel applies with fs.protected_symlinks.
    const bool shared = (parent.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH);
    if (shared && link.st_uid != ::geteuid() && link.st_uid != parent.st_uid) {
      refusal = "the symbolic link " + next.string() + " is another user's, in the shared folder " +
                folder;
      errno = EACCES;
      return {};
    }
    std::error_code error;
    const fs::path target = fs::read_symlink(next, error);
    if (error) {
      walked = std::move(next);
      continue;
    }
    if (rest.empty() && ownDescriptor(target.native()) >= 0) return target.string();
    if (target.is_absolute()) walked.clear();
    walkNext(target);
  }
  return walked.string();
}

PendingOutput::PendingOutput(const std::string& finalPath) : final_(finalPath) {
  std::string why;
  std::string followed = followedPath(finalPath, why);
  if (!why.empty()) {
    const int error = errno;
    refuse(error, "The output " + finalPath + " was not written: " + why + ".");
    return;
  }
  final_ = std::move(followed);
  // The names of the process's own descriptors lead to whatever it was given (a terminal, a pipe,
  // a file the shell opened, perhaps for appending): never replaced, only written.
  descriptor_ = ownDescriptor(final_);
  if (descriptor_ >= 0) {
    inPlace_ = true;
    return;
  }
  struct stat info {};
  if (::stat(final_.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    inPlace_ = true;
    return;
  }
  // Writing a regular file in place would leave it half-written by any end that comes early, and
  // mix the rows of two runs: where no temporary name can be made beside it, nothing is written.
  const std::string folder = folderOf(final_);
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0 &&
      (errno == EACCES || errno == EPERM || errno == EROFS))
    refuse(errno, "The output " + final_ + " was not written: the run may not add files to " +
                      folder + ", where an output is made under a temporary name first.");
}

void PendingOutput::refuse(int error, std::string why) {
  refusedError_ = error;
  refusal_ = std::move(why);
}

int PendingOutput::openInPlace() const {
  if (descriptor_ >= 0) return ::fcntl(descriptor_, F_DUPFD_CLOEXEC, 0);
  return ::open(final_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
}

std::string PendingOutput::nextWritePath() {
  forgetRunFileName(writePath_);
  writePath_ = final_ + "." + randomLetters(6) + ".part";
  nameRunFile(writePath_, final_);
  return writePath_;
}

void PendingOutput::created(const std::string& path, const std::string& finalPath) {
  if (inPlace_) return;
  trackRunFile(path, RunFileKind::UnfinishedOutput);
  // Renamed in the reverse order of creation: the main file, made first, goes into place last.
  parts_.insert(parts_.begin(), {path, finalPath});
}

int PendingOutput::commit() {
  if (inPlace_ || parts_.empty()) return 0;
  auto tracking = lockRunFiles();
  // A table and its memo file cannot be renamed in one step: runs that put outputs in place in
  // one folder take turns (a lock on the folder, released when the process ends however it ends),
  // so that no table meets the memo file of another run.
  FileHandle folder;
  if (parts_.size() > 1) {
    folder = FileHandle(::open(folderOf(final_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    while (folder.valid() && ::flock(folder.get(), LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  struct stat previous {};
  const bool replacing = ::stat(final_.c_str(), &previous) == 0 && S_ISREG(previous.st_mode);
  // An earlier main file goes first when companions follow: an old table beside a new memo
  // file would pass for an output, no table at all does not.
  if (replacing && parts_.size() > 1) ::unlink(final_.c_str());
  int error = 0;
  for (const Part& part : parts_) {
    if (replacing) {
      // The replaced file's owner keeps it (a run as root replacing a user's output); where
      // the run may not give a file away, the owner is the run's, as for a new file.
      [[maybe_unused]] const int owned =
          ::chown(part.path.c_str(), previous.st_uid, previous.st_gid);
      ::chmod(part.path.c_str(), previous.st_mode & 07777);
    }
    if (::rename(part.path.c_str(), part.finalPath.c_str()) != 0) {
      error = errno;
      break;
    }
    untrackRunFile(part.path);
  }
  if (error != 0) abandon();
  parts_.clear();
  forgetRunFileName(writePath_);
  return error;
}

void PendingOutput::abandon() {
  auto tracking = lockRunFiles();
  for (const Part& part : parts_) {
    ::unlink(part.path.c_str());
    untrackRunFile(part.path);
  }
  parts_.clear();
  forgetRunFileName(writePath_);
}

}  // namespace tabulink
