// Opening, command text, keywords, system variables, saving, reference date.
#include "api/boundary.hpp"
#include "core/engine.hpp"

using namespace orv;
using namespace orv::api;

extern "C" {

int VBOpenMelisto(void) {
  return guarded(-code(Status::Internal), [] {
    engine().open();
    return kEngineVersion;
  });
}

int VBOpenMelistoFld(const char *folder, orv_len lfolder) {
  return guarded(-code(Status::Internal), [&] {
    auto dir = text_in(folder, lfolder);
    if (!dir) return -code(Status::BadArgument);
    std::error_code ec;
    if (!dir->empty() && !std::filesystem::is_directory(std::string(*dir), ec))
      return -code(Status::FileError);
    engine().open();
    if (!dir->empty()) engine().set_work_folder(std::filesystem::absolute(std::string(*dir), ec));
    return kEngineVersion;
  });
}

int VBCloseMelisto(void) {
  return guarded_status([] { engine().close(); });
}

int SetBatchMode(const int *batch) {
  return guarded_status([&] { engine().set_batch(need(batch, "batch flag") != 0); });
}

int cChangeWorkFolder(const char *folder, int8_t *exists, orv_len lfolder) {
  return guarded_status([&] {
    put(exists, 0);
    const std::string dir(need_text(folder, lfolder, "folder"));
    std::error_code ec;
    if (dir.empty() || !std::filesystem::is_directory(engine().resolve(dir), ec))
      fail(Status::FileError, "folder not found: " + dir);
    engine().set_work_folder(std::filesystem::absolute(engine().resolve(dir), ec));
    put(exists, 1);
  });
}

int CmdAddForExec(const char *scmd, orv_len lcmd) {
  return guarded_status([&] { engine().pending().emplace_back(need_text(scmd, lcmd, "command")); });
}

int CmdGen(const int *mprinc, const int *mmodul, const int *word, const char *scmd,
           const int *extmode, orv_len lcmd) {
  (void)mprinc, (void)mmodul, (void)word, (void)scmd, (void)extmode, (void)lcmd;
  return guarded_status([] { fail(Status::CommandError, "unknown module"); });
}

int cMelKeyword(const int *dict, int *ln, char *sout, orv_len lsout) {
  (void)dict;
  put(ln, 0);
  text_out(sout, lsout, "");
  return code(Status::UnknownName);
}

int cMelModuleKW(const int *mprinc, const int *mmodul, int *ln, char *sout, orv_len lsout) {
  (void)mprinc, (void)mmodul;
  put(ln, 0);
  text_out(sout, lsout, "");
  return code(Status::UnknownName);
}

int GetAttr(const int *isym, char *sout, orv_len lsout) {
  (void)isym;
  text_out(sout, lsout, "");
  return 0;
}

int CmdCommit(const int *flag) {
  (void)flag;
  return guarded_status([] { engine().pending().clear(); });
}

int CmdExec(const char *scmd, orv_len lcmd) {
  return guarded_status([&] {
    need_text(scmd, lcmd, "command");
    fail(Status::CommandError, "unknown command");
  });
}

int ReadExecCmdFile(const char *filename, const char *args, orv_len lfile, orv_len largs) {
  return guarded_status([&] {
    need_text(filename, lfile, "file name");
    need_text(args, largs, "arguments");
    fail(Status::FileError, "cannot read command file");
  });
}

int sGetSysVar(const char *varname, char *sval, int *len_val, orv_len lvar, orv_len lsval) {
  put(len_val, 0);
  text_out(sval, lsval, "");
  return guarded_status([&] {
    need_text(varname, lvar, "variable name");
    fail(Status::UnknownName, "unknown system variable");
  });
}

int fSaveFile(const char *sfile, const char *sversion, orv_len lfile, orv_len lversion) {
  return guarded_status([&] {
    need_text(sfile, lfile, "file name");
    need_text(sversion, lversion, "version");
    fail(Status::NoModel, "no model loaded");
  });
}

int cGetDateref(const int *size, char *sdate, orv_len lsdate) {
  (void)size;
  text_out(sdate, lsdate, "");
  return 0;
}

}  // extern "C"
