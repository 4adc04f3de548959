#include "commands/executor.hpp"

#include <fstream>
#include <sstream>

#include "commands/command_table.hpp"

namespace orv::commands {
namespace {

// Command files may run command files; this bounds a file that runs itself.
constexpr int kMaxFileDepth = 8;

class DepthGuard {
 public:
  explicit DepthGuard(int &depth) : depth_(++depth) {}
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard &) = delete;
  DepthGuard &operator=(const DepthGuard &) = delete;

 private:
  int &depth_;
};

std::string substitute(const std::string &line, const std::vector<std::string> &args) {
  std::string out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '%' || i + 1 >= line.size()) {
      out += line[i];
      continue;
    }
    const char c = line[i + 1];
    if (c == '%') {
      out += '%';
    } else if (c == '*') {
      for (std::size_t k = 0; k < args.size(); ++k) out.append(k ? " " : "").append(args[k]);
    } else if (c >= '1' && c <= '9') {
      const std::size_t k = static_cast<std::size_t>(c - '1');
      if (k >= args.size())
        throw Failure(Status::CommandError, std::string("argument %") + c + " not given");
      out += args[k];
    } else {
      out += '%';
      continue;
    }
    ++i;
  }
  return out;
}

}  // namespace

void execute_line(Session &e, std::string_view line) {
  std::vector<std::string> words = split_words(line);
  if (words.empty()) return;
  const std::string keyword = upper(words[0]);
  const CommandDef *command = find_command(keyword);
  if (!command) throw Failure(Status::CommandError, "unknown command '" + words[0] + "'");
  Arguments args(keyword, std::move(words));
  command->run(e, args);
}

void execute_text(Session &e, std::string_view text) {
  if (text.find_first_of("\r\n") == std::string_view::npos) {
    execute_line(e, text);
    return;
  }
  int number = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    ++number;
    try {
      execute_line(e, line);
    } catch (const Failure &f) {
      throw Failure(f.status(), "line " + std::to_string(number) + ": " + f.what());
    }
    // A CR LF pair ends one line.
    start = end + (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
  }
}

void run_command_file(Session &e, const std::string &file, const std::vector<std::string> &args) {
  if (e.command_file_depth() >= kMaxFileDepth)
    throw Failure(Status::CommandError, "command files nested more than 8 deep");
  DepthGuard guard(e.command_file_depth());
  const std::filesystem::path path = e.resolve(file);
  // A folder opens as a stream that reads nothing: it would pass as an empty file.
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec))
    throw Failure(Status::FileError, "cannot read command file " + file + ": it is a folder");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure(Status::FileError, "cannot read command file " + file);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);  // UTF-8 mark
    try {
      execute_line(e, substitute(line, args));
    } catch (const Failure &f) {
      throw Failure(f.status(),
                    path.filename().string() + ":" + std::to_string(number) + ": " + f.what());
    }
  }
  if (in.bad()) throw Failure(Status::FileError, "cannot read command file " + file);
}

std::string generate_command(int module, int keyword, int word, std::string_view text) {
  const auto mods = modules();
  if (module < 1 || module > static_cast<int>(mods.size()))
    throw Failure(Status::UnknownName, "unknown module number " + std::to_string(module));
  const auto commands = mods[static_cast<std::size_t>(module - 1)].commands;
  if (keyword < 1 || keyword > static_cast<int>(commands.size()))
    throw Failure(Status::UnknownName, "unknown keyword number " + std::to_string(keyword) +
                                           " of module " + std::to_string(module));
  std::string line(commands[static_cast<std::size_t>(keyword - 1)].keyword);
  const auto &words = dictionary();
  if (word > static_cast<int>(words.size()))
    throw Failure(Status::UnknownName, "unknown dictionary word " + std::to_string(word));
  if (word > 0) line.append(" ").append(words[static_cast<std::size_t>(word - 1)]);
  if (!text.empty()) line.append(" ").append(text);
  return line;
}

}  // namespace orv::commands
