#include "session/model_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <random>
#include <string_view>

#include "io/inp_reader.hpp"
#include "io/inp_writer.hpp"

namespace orv {
namespace {

// The file a path names once its chain of symbolic links is followed (the
// last target need not exist yet), so that saving keeps a user's link;
// nullopt for a chain too long to be one (a loop).
std::optional<std::filesystem::path> link_target(std::filesystem::path path) {
  constexpr int max_links = 40;  // the system's own limit on a chain
  for (int k = 0; k < max_links; ++k) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) return path;
    const std::filesystem::path next = std::filesystem::read_symlink(path, ec);
    if (ec) return path;
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  return std::nullopt;
}

// A temporary file of a name no one else holds, created beside the target so
// that renaming it over the target is atomic; removed unless published.
class TemporaryBeside {
 public:
  explicit TemporaryBeside(const std::filesystem::path &target) {
    std::random_device entropy;
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
      char suffix[24];
      std::snprintf(suffix, sizeof suffix, ".%08x%08x.tmp", entropy(), entropy());
      path_ = target;
      path_ += suffix;
      // 0666 less the umask, as for any file the user creates.
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ < 0 && errno != EEXIST) break;
    }
  }
  TemporaryBeside(const TemporaryBeside &) = delete;
  TemporaryBeside &operator=(const TemporaryBeside &) = delete;
  ~TemporaryBeside() {
    if (fd_ >= 0) ::close(fd_);
    if (!published_) ::unlink(path_.c_str());
  }

  bool write_all(std::string_view text) {
    if (fd_ < 0) return false;
    while (!text.empty()) {
      const ssize_t n = ::write(fd_, text.data(), text.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  // Gives the file the target's permissions, if it exists, and renames it over it.
  bool publish(const std::filesystem::path &target) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) ::fchmod(fd_, existing.st_mode & 07777);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0 || ::rename(path_.c_str(), target.c_str()) != 0) return false;
    published_ = true;
    return true;
  }

 private:
  std::filesystem::path path_;
  int fd_ = -1;
  bool published_ = false;
};

// Replaces the target's content as a whole: readers see the old file or the
// new one, never a part, even when several processes save the same name.
bool replace_file(const std::filesystem::path &target, std::string_view text) {
  TemporaryBeside temporary(target);
  return temporary.write_all(text) && temporary.publish(target);
}

}  // namespace

void load_model(Session &e, const std::string &file) {
  if (file.empty()) throw Failure(Status::BadArgument, "missing model file name");
  const std::filesystem::path path = e.resolve(file);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec))
    throw Failure(Status::FileError, "model file not found: " + file);
  Model model;
  try {
    model = read_inp(path.string());
  } catch (const InputError &err) {
    // Every bad line, the first one first; the file's own name is enough
    // beside the line: messages stay short.
    throw Failure(Status::InputError, InputError::listing(path.filename().string(), err.problems()));
  }
  e.install_model(std::move(model), path.string());
}

void save_model(const Session &e, const std::string &file) {
  const Model &model = e.model();
  if (file.empty()) throw Failure(Status::BadArgument, "missing file name");
  const std::string text = inp_text(model);
  // Never replace a file with nothing.
  if (text.empty()) throw Failure(Status::Internal, "the INP writer produced no text");
  const auto target = link_target(e.resolve(file));
  if (!target || !replace_file(*target, text)) throw Failure(Status::FileError, "cannot write " + file);
}

}  // namespace orv
