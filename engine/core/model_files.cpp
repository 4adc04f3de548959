#include "core/model_files.hpp"

#include <fstream>

#include "io/inp_reader.hpp"
#include "io/inp_writer.hpp"

namespace orv {

void load_model(Engine &e, const std::string &file) {
  if (file.empty()) throw Failure(Status::BadArgument, "missing model file name");
  const std::filesystem::path path = e.resolve(file);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec))
    throw Failure(Status::FileError, "model file not found: " + file);
  Model model;
  try {
    model = read_inp(path.string());
  } catch (const InputError &err) {
    // The file's own name is enough beside the line: messages stay short.
    throw Failure(Status::InputError, path.filename().string() +
                                          (err.line() > 0 ? ":" + std::to_string(err.line()) : "") +
                                          ": " + err.reason());
  }
  e.install_model(std::move(model), path.string());
}

void save_model(const Engine &e, const std::string &file) {
  const Model &model = e.model();
  if (file.empty()) throw Failure(Status::BadArgument, "missing file name");
  const std::filesystem::path path = e.resolve(file);
  const std::string text = inp_text(model);
  // Never replace a file with nothing.
  if (text.empty()) throw Failure(Status::Internal, "the INP writer produced no text");
  std::filesystem::path temporary = path;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) throw Failure(Status::FileError, "cannot write " + file);
    out << text;
    out.close();
    if (!out) {
      std::error_code ec;
      std::filesystem::remove(temporary, ec);
      throw Failure(Status::FileError, "cannot write " + file);
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    throw Failure(Status::FileError, "cannot write " + file);
  }
}

}  // namespace orv
