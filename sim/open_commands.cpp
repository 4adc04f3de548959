// Opening and closing the engine, command text, keywords, system variables,
// the reference date and saving the model.
#include "routines.hpp"

namespace sim {
namespace {

// The open routines store the raw version, then report an engine older than
// the threshold (or a failure) as a non-positive status. A negative value is
// already non-positive and is kept as it is (negating INT32_MIN would overflow).
int32_t opened(int32_t version, int32_t threshold) {
  vers_orvdll = version;
  if (version >= threshold || version < 0) return version;
  return -version;
}

const frame::RoutineDef table[] = {
    routine("istat = inimel()", "istat:i",
            [](int32_t &istat) { istat = opened(VBOpenMelisto(), 20161124); }),
    routine("istat = inimelfld([folder])", "folder:s='' istat:i",
            [](Text folder, int32_t &istat) {
              istat = opened(VBOpenMelistoFld(folder.p, folder.n), 20160706);
            }),
    routine("closemel()", "", [] { VBCloseMelisto(); }),
    routine("istat = batchmode(batch)", "batch:i istat:i",
            [](int32_t &batch, int32_t &istat) { istat = SetBatchMode(&batch); }),
    routine("exists = cwfold(folder)", "folder:s exists:b",
            [](Text folder, int8_t &exists) { cChangeWorkFolder(folder.p, &exists, folder.n); }),
    routine("addcmd(scmd)", "scmd:s", [](Text scmd) { CmdAddForExec(scmd.p, scmd.n); }),
    routine("gencmd(mprinc,mmodul,[word,scmd,extmode])",
            "mprinc:i mmodul:i word:i=0 scmd:s='' extmode:l=0",
            [](int32_t &mprinc, int32_t &mmodul, int32_t &word, Text scmd, int32_t &extmode) {
              CmdGen(&mprinc, &mmodul, &word, scmd.p, &extmode, scmd.n);
            }),
    routine("ln,sout = keyword(dict)", "dict:i ln:i sout:s24",
            [](int32_t &dict, int32_t &ln, Text sout) { cMelKeyword(&dict, &ln, sout.p, sout.n); }),
    routine("ln,sout = modulekeyword(mprinc,mmodul)", "mprinc:i mmodul:i ln:i sout:s24",
            [](int32_t &mprinc, int32_t &mmodul, int32_t &ln, Text sout) {
              cMelModuleKW(&mprinc, &mmodul, &ln, sout.p, sout.n);
            }),
    routine("sout = attrkeyword(isym)", "isym:i sout:s2",
            [](int32_t &isym, Text sout) { GetAttr(&isym, sout.p, 2); }),
    routine("istat = commit([flg])", "flg:l=0 istat:i",
            [](int32_t &flg, int32_t &istat) { istat = CmdCommit(&flg); }),
    routine("istat = cmd(scmd)", "scmd:s istat:i",
            [](Text scmd, int32_t &istat) { istat = CmdExec(scmd.p, scmd.n); }),
    routine("istat = cmdfile(filename,[args])", "filename:s args:s='' istat:i",
            [](Text filename, Text args, int32_t &istat) {
              istat = ReadExecCmdFile(filename.p, args.p, filename.n, args.n);
            }),
    routine("sval,len_val = getvar(varname)", "varname:s sval:s48 len_val:i",
            [](Text varname, Text sval, int32_t &len_val) {
              sGetSysVar(varname.p, sval.p, &len_val, varname.n, 48);
            }),
    routine("sdate,s_len = refdate()", "sdate:s26 s_len:i",
            [](Text sdate, int32_t &s_len) {
              blank(sdate);
              if (!gate_open(20140816)) return;
              const int32_t size = 26;
              s_len = cGetDateref(&size, sdate.p, 26);
              if (s_len == 0) blank(sdate);  // never partial text
            }),
    routine("istat = savefile(sfile,sversion)", "sfile:s sversion:s istat:i",
            [](Text sfile, Text sversion, int32_t &istat) {
              istat = 1;
              if (gate_open(20141001)) istat = fSaveFile(sfile.p, sversion.p, sfile.n, sversion.n);
            }),
};

}  // namespace

std::span<const frame::RoutineDef> open_command_routines() { return table; }

}  // namespace sim
