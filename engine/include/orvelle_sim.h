/*
 * The 84 entry points of the simulation engine library Orvelle_SIM_x64.
 *
 * Calling conventions, shared by the real engine, the scripted test engine and
 * the _pyorvsim binding:
 *  - numbers and arrays are passed by address;
 *  - a text is passed as the address of its characters, never relied upon to be
 *    NUL-terminated; its length follows as a 64-bit value after all the other
 *    arguments, one per text argument, in argument order (output texts with the
 *    fixed length of their buffer). cShearStr alone takes its identifier
 *    without a length and reads it up to its terminating NUL;
 *  - attribute indices handed to the Get/Set*Attr entry points are 2-byte
 *    signed integers; GetIndexAttr and GetNbCoudes return 32-bit values of
 *    which callers keep the low 16 bits, signed;
 *  - results come back as the function value (32-bit integer or real),
 *    through address arguments, or both.
 */
#ifndef ORVELLE_SIM_H
#define ORVELLE_SIM_H

#include <stdint.h>

#if defined(_WIN32)
#define ORV_API __declspec(dllexport)
#else
#define ORV_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int64_t orv_len; /* trailing text length */

/* Opening, commands, keywords, files */
ORV_API int VBOpenMelisto(void);
ORV_API int VBOpenMelistoFld(const char *folder, orv_len lfolder);
ORV_API int VBCloseMelisto(void);
ORV_API int SetBatchMode(const int *batch);
ORV_API int cChangeWorkFolder(const char *folder, int8_t *exists, orv_len lfolder);
ORV_API int CmdAddForExec(const char *scmd, orv_len lcmd);
ORV_API int CmdGen(const int *mprinc, const int *mmodul, const int *word, const char *scmd,
                   const int *extmode, orv_len lcmd);
ORV_API int cMelKeyword(const int *dict, int *ln, char *sout, orv_len lsout);
ORV_API int cMelModuleKW(const int *mprinc, const int *mmodul, int *ln, char *sout, orv_len lsout);
ORV_API int GetAttr(const int *isym, char *sout, orv_len lsout);
ORV_API int CmdCommit(const int *flag);
ORV_API int CmdExec(const char *scmd, orv_len lcmd);
ORV_API int ReadExecCmdFile(const char *filename, const char *args, orv_len lfile, orv_len largs);
ORV_API int sGetSysVar(const char *varname, char *sval, int *len_val, orv_len lvar, orv_len lsval);
ORV_API int fSaveFile(const char *sfile, const char *sversion, orv_len lfile, orv_len lversion);
ORV_API int cGetDateref(const int *size, char *sdate, orv_len lsdate);

/* Element lookup and attributes */
ORV_API int GetNbObjects(const int *typelt);
ORV_API int GetElementIndex(const int *typelt, const char *sid, int *num, orv_len lsid);
ORV_API int GetIdElem(const int *typelt, const int *num, char *sid, orv_len lsid);
ORV_API float NodeValbyID(const char *sid, const char *sattr, orv_len lsid, orv_len lsattr);
ORV_API int GetIndexAttr(const char *sattr, orv_len lsattr);
ORV_API int GetNodeAttr(const int *num, const int16_t *iattr, float *value);
ORV_API int NodePosbyID(const char *sid, double *x, double *y, float *z, float *dz, orv_len lsid);
ORV_API float LinkValbyID(const char *sid, const char *sattr, orv_len lsid, orv_len lsattr);
ORV_API int GetLinkAttr(const int *num, const int16_t *iattr, float *value);
ORV_API float MeanValbyID(const char *sid, const char *sattr, orv_len lsid, orv_len lsattr);
ORV_API float TankValbyID(const char *sid, const char *sattr, orv_len lsid, orv_len lsattr);
ORV_API int GetTankAttr(const int *num, const int16_t *iattr, float *value);
ORV_API int StrAttrbyID(const int *typelt, const char *sid, const char *sattr, char *str,
                        orv_len lsid, orv_len lsattr, orv_len lstr);
ORV_API int StrAttrbyNum(const int *typelt, const int *num, const char *sattr, char *str,
                         orv_len lsattr, orv_len lstr);
ORV_API int cGetLinkNodes(const int *iarc, int *ni, int *nf);
ORV_API int GetUnitName(const char *attr, char *att_name, int *len_name, orv_len lattr, orv_len lname);
ORV_API float GetUnitCoef(const char *attr, orv_len lattr);
ORV_API int SetBranchAttr(const int *index, const int16_t *iattr, const float *val);
ORV_API int SetNodeAttr(const int *index, const int16_t *iattr, const float *val);
ORV_API int GetSymmetricNodeID(const char *sid, char *sids, orv_len lsid, orv_len lsids);
ORV_API int GetDistLink(const char *sid, const double *xp, const double *yp, double *d, double *s1,
                        double *s2, int *status, orv_len lsid);
ORV_API int SelectLen(const char *sname, int *nbelt, int *typelt, orv_len lsname);
ORV_API int Selection(const int *nbelt, int *selbuf);

/* Network-wide vectors and branch geometry */
ORV_API int cGetAll(const int *typelt, const char *attr, const int *nbval, float *vect, orv_len lattr);
ORV_API int cGetAllMinMax(const int *typelt, const char *attr, const int *nbval, float *tmin,
                          float *vmin, float *tmax, float *vmax, float *vmoy, orv_len lattr);
ORV_API int GetNbCoudes(const int *index);
ORV_API int LinkXYZV(const char *sid, const char *attr, const int *nbval, double *xb, double *yb,
                     float *zb, float *vb, orv_len lsid, orv_len lattr);
ORV_API int LinkBBox(const char *sid, double *xmin, double *xmax, double *ymin, double *ymax,
                     orv_len lsid);
ORV_API int LinkXYZDV(const char *sid, const char *attr, const int *nbval, double *xb, double *yb,
                      float *zb, float *vb, orv_len lsid, orv_len lattr);

/* Simulation run and time series */
ORV_API int SolveH(void);
ORV_API int GetNbTimeSteps(void);
ORV_API int GetNbValProfilResultat(void);
ORV_API int GetDateMinMax(float *tmin, float *tmax);
ORV_API int GetWQTSInfo(const int *typelt, float *tmax);
ORV_API int TSValbyId(const int *typelt, const char *sid, const char *sattr, const int *nbval,
                      float *vec_tim, float *vec_val, const float *interval, orv_len lsid, orv_len lsattr);
ORV_API int NbMesbyId(const int *typelt, const char *sid, const char *sattr, orv_len lsid, orv_len lsattr);
ORV_API int TSMesbyId(const int *typelt, const char *sid, const char *sattr, const int *nbval,
                      float *vec_tim, float *vec_val, const float *interval, orv_len lsid, orv_len lsattr);
ORV_API int NBTSDemand(const char *scode, int *nbval, orv_len lscode);
ORV_API int NBTSDemandCZ(const char *scode, const char *szone, int *nbval, orv_len lscode, orv_len lszone);
ORV_API int TSDemand(const char *scode, const int *nbval, float *vec_tim, float *vec_val, int *mode,
                     orv_len lscode);
ORV_API int TSDemandCZ(const char *scode, const char *szone, const int *nbval, float *vec_tim,
                       float *vec_val, int *mode, orv_len lscode, orv_len lszone);
ORV_API int NBTSDevice(const char *sid, const char *sattr, int *nbval, orv_len lsid, orv_len lsattr);
ORV_API int TSDevice(const char *sid, const char *code, const int *nbval, const float *interval,
                     float *vec_tim, float *vec_val, int *mode, orv_len lsid, orv_len lcode);

/* Demand codes, tables and diagnostics */
ORV_API int CSNodebyID(const char *sid, const char *scode, float *csm, orv_len lsid, orv_len lscode);
ORV_API int GetNbCsmPair(const char *sid, int *nb, int *szcod, orv_len lsid);
ORV_API int GetNextCsmPair(char *scode, float *csm, int *length, orv_len lscode);
ORV_API int GetUsedCodes(const int *used_only, int *nbc);
ORV_API int GetNextCodeCSMNodeCount(char *code, float *demand, int *nodecount, int *lncode, orv_len lcode);
ORV_API int GetNbTableEntry(const char *table, const int *ityp, int *nbc, orv_len ltable);
ORV_API int GetNextTableEntry(char *item, int *ncount, int *lnitem, orv_len litem);
ORV_API int GetNbSimErrDevice(int *nbelt);
ORV_API int GetNextSimErrDevice(char *item, int *typelt, int *lnitem, orv_len litem);

/* Calibration, statistics, shear stress and water quality */
ORV_API int cSetIndCal(const float *seuilb, const float *seuiln, const float *seuilr);
ORV_API int GetIndCal(const int *typelt, const char *sid, float *val, int *ival, orv_len lsid);
ORV_API int Kalibra_Summary(int *iter, int *iter100, float *fobjmin, float *fobj100, float *fobj0,
                            float *flambda);
ORV_API int cQuantiles(const int *typres, const char *sattr, const int *nqtl, const float *qtl,
                       const int *lres, const int *bufres, float *tabres, orv_len lsattr);
ORV_API int cSQuantiles(const char *sel, const char *sattr, const int *nqtl, const float *qtl,
                        const int *lres, float *tabres, orv_len lsel, orv_len lsattr);
ORV_API int cDuree_Cumulee(const int *typres, const char *sattr, const char *sop, const float *seuil,
                           const int *lres, const int *bufres, float *tabres, orv_len lsattr, orv_len lsop);
ORV_API int cSDuree_Cumulee(const char *sel, const char *sattr, const char *sop, const float *seuil,
                            const int *lres, float *tabres, orv_len lsel, orv_len lsattr, orv_len lsop);
ORV_API int cShearStr(const char *sid, const float *v, float *s, float *ds);
ORV_API int GetNBMaxWQcomp(void);
ORV_API int GetWQDataInit(const char *snode, int *nvec, orv_len lsnode);
ORV_API int GetWQData(const int *nvecx, int *nvec, float *tvec, float *cvec, char *snode, char *scode,
                      char *attr, int *lnod, int *lcod, orv_len lsnode, orv_len lscode, orv_len lattr);

/* Model editing */
ORV_API int cSetDensity(const int *nbval, const float *tval, const float *dval);
ORV_API int cSHLTableEntry(const char *shlid, const float *shl, const char *comment, int *istat,
                           orv_len lshlid, orv_len lcomment);
ORV_API int cAddSHL(const char *sid, const char *shlid, const int *shl, orv_len lsid, orv_len lshlid);
ORV_API int cModSHL(const char *sid, const char *shlid, const int *shl, orv_len lsid, orv_len lshlid);
ORV_API int cClearSHL(const char *sid, const char *shlid, orv_len lsid, orv_len lshlid);

#ifdef __cplusplus
}
#endif

#endif
