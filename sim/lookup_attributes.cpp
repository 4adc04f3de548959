// Element lookup: counts, identifiers and indices, numeric and text
// attributes, positions, units, setting one attribute by identifier and
// named selections.
#include <cstdint>

#include "routines.hpp"

namespace sim {
namespace {

// Engine type codes used by the lookups of the setters.
constexpr int32_t kBranchType = 1;
constexpr int32_t kNodeType = 2;

// The engine's attribute index of a name: the low 16 bits, signed.
int16_t attribute_index(Text sattr) { return static_cast<int16_t>(GetIndexAttr(sattr.p, sattr.n)); }

// Reads one attribute by element index; a name that is no attribute reads 0.0
// without asking the element getter.
template <int (*Getter)(const int *, const int16_t *, float *)>
void by_index(int32_t &num, Text sattr, float &val) {
  const int16_t k = attribute_index(sattr);
  if (k < 1) return;
  Getter(&num, &k, &val);
}

// Looks the element up under `type`, then sets the attribute. Neither index is
// tested: an unknown identifier or name is the setter's to report.
template <int (*Setter)(const int *, const int16_t *, const float *)>
int32_t set_by_id(int32_t type, Text sid, Text sattr, const float &val) {
  int32_t index = 0;
  GetElementIndex(&type, sid.p, &index, sid.n);
  const int16_t k = attribute_index(sattr);
  return Setter(&index, &k, &val);
}

const frame::RoutineDef table[] = {
    // Counting and lookup
    routine("nbelt = nbobjects(typelt)", "typelt:i nbelt:i",
            [](int32_t &typelt, int32_t &nbelt) { nbelt = GetNbObjects(&typelt); }),
    routine("num = geteltindex(typelt,sid)", "typelt:i sid:s num:i",
            [](int32_t &typelt, Text sid, int32_t &num) {
              GetElementIndex(&typelt, sid.p, &num, sid.n);
            }),
    routine("sid,id_len = getid(typelt,num)", "typelt:i num:i sid:s48 id_len:i",
            [](int32_t &typelt, int32_t &num, Text sid, int32_t &id_len) {
              id_len = GetIdElem(&typelt, &num, sid.p, 48);
              if (id_len == 0) blank(sid);  // never stale text from a failed lookup
            }),
    routine("ni,nf = extrnodes(iarc)", "iarc:i ni:i nf:i",
            [](int32_t &iarc, int32_t &ni, int32_t &nf) { cGetLinkNodes(&iarc, &ni, &nf); }),
    routine("sids,lnid = symmetric_node(sid)", "sid:s sids:s18 lnid:i",
            [](Text sid, Text sids, int32_t &lnid) {
              GetSymmetricNodeID(sid.p, sids.p, sid.n, 18);
              lnid = 18;
              while (lnid > 0 && sids.p[lnid - 1] == ' ') --lnid;
            }),

    // Numeric attribute by identifier
    routine("val = nodeattr(sid,sattr)", "sid:s sattr:s val:f",
            [](Text sid, Text sattr, float &val) { val = NodeValbyID(sid.p, sattr.p, sid.n, sattr.n); }),
    routine("val = branchattr(sid,sattr)", "sid:s sattr:s val:f",
            [](Text sid, Text sattr, float &val) { val = LinkValbyID(sid.p, sattr.p, sid.n, sattr.n); }),
    routine("val = nodemeanattr(sid,sattr)", "sid:s sattr:s val:f",
            [](Text sid, Text sattr, float &val) { val = MeanValbyID(sid.p, sattr.p, sid.n, sattr.n); }),
    routine("val = rsvattr(sid,sattr)", "sid:s sattr:s val:f",
            [](Text sid, Text sattr, float &val) { val = TankValbyID(sid.p, sattr.p, sid.n, sattr.n); }),

    // Numeric attribute by index
    routine("rval = nnodeattr(num,sattr)", "num:i sattr:s rval:f",
            [](int32_t &num, Text sattr, float &rval) { by_index<GetNodeAttr>(num, sattr, rval); }),
    routine("val = nlinkattr(num,sattr)", "num:i sattr:s val:f",
            [](int32_t &num, Text sattr, float &val) { by_index<GetLinkAttr>(num, sattr, val); }),
    routine("val = ntankattr(num,sattr)", "num:i sattr:s val:f",
            [](int32_t &num, Text sattr, float &val) { by_index<GetTankAttr>(num, sattr, val); }),

    // Text attributes
    routine("str,length = strattr(typelt,sid,sattr)", "typelt:i sid:s sattr:s str:s48 length:i",
            [](int32_t &typelt, Text sid, Text sattr, Text str, int32_t &length) {
              length = StrAttrbyID(&typelt, sid.p, sattr.p, str.p, sid.n, sattr.n, 48);
            }),
    routine("str,length = nstrattr(typelt,num,sattr)", "typelt:i num:i sattr:s str:s48 length:i",
            [](int32_t &typelt, int32_t &num, Text sattr, Text str, int32_t &length) {
              length = StrAttrbyNum(&typelt, &num, sattr.p, str.p, sattr.n, 48);
            }),

    // Position and geometry
    routine("x,y,z,dz = nodexyz(sid)", "sid:s x:d y:d z:f dz:f",
            [](Text sid, double &x, double &y, float &z, float &dz) {
              NodePosbyID(sid.p, &x, &y, &z, &dz, sid.n);
            }),
    routine("d,s1,s2 = distlink(sid,xp,yp)", "sid:s xp:d yp:d d:d s1:d s2:d",
            [](Text sid, double &xp, double &yp, double &d, double &s1, double &s2) {
              int32_t status = 0;
              GetDistLink(sid.p, &xp, &yp, &d, &s1, &s2, &status, sid.n);
              if (status != 0) d = s1 = s2 = -1.0;
            }),

    // Units
    routine("att_name,len_name = getunit(attr)", "attr:s att_name:s48 len_name:i",
            [](Text attr, Text att_name, int32_t &len_name) {
              GetUnitName(attr.p, att_name.p, &len_name, attr.n, 48);
            }),
    routine("coef = getunitval(attr)", "attr:s coef:f",
            [](Text attr, float &coef) { coef = GetUnitCoef(attr.p, attr.n); }),

    // Setting an attribute by identifier
    routine("istat = setbranchattrbyid(sid,sattr,val)", "sid:s sattr:s val:f istat:i",
            [](Text sid, Text sattr, float &val, int32_t &istat) {
              istat = set_by_id<SetBranchAttr>(kBranchType, sid, sattr, val);
            }),
    routine("istat = setnodeattrbyid(sid,sattr,val)", "sid:s sattr:s val:f istat:i",
            [](Text sid, Text sattr, float &val, int32_t &istat) {
              istat = set_by_id<SetNodeAttr>(kNodeType, sid, sattr, val);
            }),

    // Selections
    routine("nbelt,typelt = getselectlen(sname)", "sname:s nbelt:i typelt:i",
            [](Text sname, int32_t &nbelt, int32_t &typelt) {
              if (SelectLen(sname.p, &nbelt, &typelt, sname.n) != 0) nbelt = 0;
            }),
    routine("selbuf = getselect(nbelt)", "nbelt:i selbuf:i(nbelt)",
            [](int32_t &nbelt, Array<int32_t> selbuf) { Selection(&nbelt, selbuf.p); }),
};

}  // namespace

std::span<const frame::RoutineDef> lookup_attribute_routines() { return table; }

}  // namespace sim
