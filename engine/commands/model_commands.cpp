// MODEL module: LOAD, SAVE, UNLOAD, FOLDER.
#include "commands/command_table.hpp"
#include "session/model_files.hpp"

namespace orv::commands {

void cmd_load(Session &e, Arguments &a) { load_model(e, a.rest_text("model file name")); }

void cmd_save(Session &e, Arguments &a) {
  const std::string file = a.rest_text("file name");
  save_model(e, file);
}

void cmd_unload(Session &e, Arguments &a) {
  a.finish();
  e.model();  // no model: nothing to unload is an error
  e.unload_model();
}

void cmd_folder(Session &e, Arguments &a) {
  const std::string folder = a.rest_text("folder");
  std::error_code ec;
  const auto path = std::filesystem::absolute(e.resolve(folder), ec);
  if (ec || !std::filesystem::is_directory(path, ec))
    throw Failure(Status::FileError, "folder not found: " + folder);
  e.set_work_folder(path);
}

}  // namespace orv::commands
