// Opening, command text, keywords, system variables, saving, reference date.
#include <algorithm>

#include "api/boundary.hpp"
#include "attributes/attribute_table.hpp"
#include "commands/command_table.hpp"
#include "commands/executor.hpp"
#include "commands/system_variables.hpp"
#include "commands/time_text.hpp"
#include "session/session.hpp"
#include "session/model_files.hpp"

using namespace orv;
using namespace orv::api;

namespace {

// Runs one command line through the guard: its status, with the message kept.
int run_line(const std::string &line) {
  return guarded_status([&] { commands::execute_text(default_session(), line); });
}

// Writes a keyword into the output text, its length into ln.
int keyword_out(std::string_view word, int *ln, char *sout, orv_len lsout) {
  put(ln, text_out(sout, lsout, word));
  return code(Status::Ok);
}

}  // namespace

extern "C" {

// The open calls give the version, or a failure as the negated status.
int VBOpenMelisto(void) {
  return guarded_count([] {
    default_session().open();
    return kEngineVersion;
  });
}

int VBOpenMelistoFld(const char *folder, orv_len lfolder) {
  return guarded_count([&] {
    auto dir = text_in(folder, lfolder);
    if (!dir) fail(Status::BadArgument, "invalid folder text");
    std::error_code ec;
    std::filesystem::path path;
    if (!dir->empty()) {
      path = std::filesystem::absolute(std::string(*dir), ec);
      if (ec || !std::filesystem::is_directory(path, ec))
        fail(Status::FileError, "folder not found: " + std::string(*dir));
    }
    default_session().open();
    if (!path.empty()) default_session().set_work_folder(path);
    return kEngineVersion;
  });
}

int VBCloseMelisto(void) {
  return guarded_status([] { default_session().close(); });
}

int SetBatchMode(const int *batch) {
  return guarded_status([&] { default_session().set_batch(need(batch, "batch flag") != 0); });
}

int cChangeWorkFolder(const char *folder, int8_t *exists, orv_len lfolder) {
  put(exists, 0);
  return guarded_status([&] {
    const std::string dir(need_text(folder, lfolder, "folder"));
    std::error_code ec;
    const auto path = std::filesystem::absolute(default_session().resolve(dir), ec);
    if (dir.empty() || ec || !std::filesystem::is_directory(path, ec))
      fail(Status::FileError, "folder not found: " + dir);
    default_session().set_work_folder(path);
    put(exists, 1);
  });
}

int CmdAddForExec(const char *scmd, orv_len lcmd) {
  return guarded_status([&] { default_session().pending().emplace_back(need_text(scmd, lcmd, "command")); });
}

int CmdGen(const int *mprinc, const int *mmodul, const int *word, const char *scmd,
           const int *extmode, orv_len lcmd) {
  return guarded_status([&] {
    const std::string line = commands::generate_command(
        need(mprinc, "module"), need(mmodul, "keyword"), get(word).value_or(0),
        need_text(scmd, lcmd, "command text"));
    if (get(extmode).value_or(0) != 0) {
      default_session().pending().push_back(line);
      return;
    }
    commands::execute_line(default_session(), line);
  });
}

int cMelKeyword(const int *dict, int *ln, char *sout, orv_len lsout) {
  put(ln, 0);
  text_out(sout, lsout, "");
  return guarded_status([&] {
    const int k = need(dict, "word number");
    const auto &words = commands::dictionary();
    if (k < 1 || k > static_cast<int>(words.size()))
      fail(Status::UnknownName, "no dictionary word " + std::to_string(k));
    keyword_out(words[static_cast<std::size_t>(k - 1)], ln, sout, lsout);
  });
}

int cMelModuleKW(const int *mprinc, const int *mmodul, int *ln, char *sout, orv_len lsout) {
  put(ln, 0);
  text_out(sout, lsout, "");
  return guarded_status([&] {
    const int m = need(mprinc, "module"), k = need(mmodul, "keyword");
    const auto mods = commands::modules();
    if (m < 1 || m > static_cast<int>(mods.size()))
      fail(Status::UnknownName, "no module " + std::to_string(m));
    const auto &module = mods[static_cast<std::size_t>(m - 1)];
    if (k == 0) {
      keyword_out(module.name, ln, sout, lsout);
      return;
    }
    if (k < 0 || k > static_cast<int>(module.commands.size()))
      fail(Status::UnknownName, "no keyword " + std::to_string(k) + " in module " + std::to_string(m));
    keyword_out(module.commands[static_cast<std::size_t>(k - 1)].keyword, ln, sout, lsout);
  });
}

int GetAttr(const int *isym, char *sout, orv_len lsout) {
  text_out(sout, lsout, "");
  return guarded(0, [&] {
    const AttributeDef *def = attribute_at(need(isym, "attribute index"));
    return def ? text_out(sout, lsout, def->symbol) : 0;
  });
}

int CmdCommit(const int *flag) {
  return guarded_status([&] {
    const bool keep_going = get(flag).value_or(0) != 0;
    std::vector<std::string> queue;
    queue.swap(default_session().pending());
    int first_failure = 0;
    std::string first_message;
    for (const std::string &line : queue) {
      const int status = run_line(line);
      if (status == 0) continue;
      if (first_failure == 0) first_failure = status, first_message = default_session().last_error();
      if (!keep_going) break;
    }
    if (first_failure != 0)
      fail(static_cast<Status>(first_failure), first_message);
  });
}

int CmdExec(const char *scmd, orv_len lcmd) {
  return guarded_status([&] {
    commands::execute_text(default_session(), need_text(scmd, lcmd, "command"));
  });
}

int ReadExecCmdFile(const char *filename, const char *args, orv_len lfile, orv_len largs) {
  return guarded_status([&] {
    const std::string file(need_text(filename, lfile, "file name"));
    if (file.empty()) fail(Status::BadArgument, "missing command file name");
    commands::run_command_file(default_session(), file,
                               commands::split_words(need_text(args, largs, "arguments")));
  });
}

int sGetSysVar(const char *varname, char *sval, int *len_val, orv_len lvar, orv_len lsval) {
  put(len_val, 0);
  text_out(sval, lsval, "");
  return guarded_status([&] {
    const std::string value =
        commands::system_variable(default_session(), need_text(varname, lvar, "variable name"));
    put(len_val, text_out(sval, lsval, value));
  });
}

int fSaveFile(const char *sfile, const char *sversion, orv_len lfile, orv_len lversion) {
  return guarded_status([&] {
    const std::string file(need_text(sfile, lfile, "file name"));
    need_text(sversion, lversion, "version");  // one format only: INP
    save_model(default_session(), file);
  });
}

int cGetDateref(const int *size, char *sdate, orv_len lsdate) {
  text_out(sdate, lsdate, "");
  return guarded(0, [&] {
    const Session &e = default_session();
    if (!e.has_model()) return 0;
    const orv_len room = std::min<orv_len>(lsdate, get(size).value_or(lsdate));
    const std::string text = commands::format_date_time(e.date(), e.model().times.start_clocktime);
    return text_out(sdate, room, text);
  });
}

}  // extern "C"
