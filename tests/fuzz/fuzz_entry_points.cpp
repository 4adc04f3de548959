// The C entry points called in arbitrary order with arbitrary arguments
// (null pointers, negative and oversized counts, unknown names), against the
// town network with or without results. Every buffer is exactly as large as
// the count handed with it, so AddressSanitizer sees any write beyond it.
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine_calls.hpp"
#include "fuzz_input.hpp"

#ifndef ORV_FUZZ_TOWN
#error "ORV_FUZZ_TOWN names the network the calls run against"
#endif

namespace {

using fuzz::Input;

std::string name(Input &in) {
  const auto kind = in.number<std::uint8_t>();
  if (kind < 160)
    return std::string(in.pick({"J1", "J2", "J5", "J8", "R1", "T1", "P1", "P3", "P9", "PU1", "V1", "DOM",
                                "COM", "", " ", "j1", "ALL", "nosuch"}));
  return in.text(40);
}

std::string attribute(Input &in) {
  const auto kind = in.number<std::uint8_t>();
  if (kind < 200)
    return std::string(in.pick({"P", "Q", "H", "V", "D", "DI", "L", "R", "Z", "LV", "S", "QA", "C", "HL",
                                "X", "Y", "VOL", "", "p", "?"}));
  return in.text(8);
}

// A count in [-3, 40): the caller's arrays hold max(count, 0) values.
int count(Input &in) { return static_cast<int>(in.below(43)) - 3; }
std::size_t room(int n) { return n > 0 ? static_cast<std::size_t>(n) : 0; }

// An output text: a buffer of exactly its declared length, or none.
struct OutText {
  explicit OutText(Input &in) : size(static_cast<orv_len>(in.below(66)) - 2), buffer(size > 0 ? size : 0) {}
  char *data() { return buffer.empty() ? nullptr : buffer.data(); }
  orv_len size;
  std::vector<char> buffer;
};

template <class T>
T *maybe(Input &in, T &value) {
  return in.below(16) == 0 ? nullptr : &value;
}

#define TEXT(s) (s).data(), static_cast<orv_len>((s).size())

const std::vector<std::function<void(Input &)>> &calls() {
  static const std::vector<std::function<void(Input &)>> table = {
      [](Input &in) { int t = in.small_int(); GetNbObjects(&t); },
      [](Input &in) {
        int t = in.small_int(), num = 0;
        const std::string s = name(in);
        GetElementIndex(&t, s.data(), maybe(in, num), static_cast<orv_len>(s.size()));
      },
      [](Input &in) {
        int t = in.small_int(), num = in.small_int();
        OutText out(in);
        GetIdElem(&t, &num, out.data(), out.size);
      },
      [](Input &in) {
        const std::string s = name(in), a = attribute(in);
        switch (in.below(4)) {
          case 0: NodeValbyID(s.data(), a.data(), static_cast<orv_len>(s.size()), static_cast<orv_len>(a.size())); break;
          case 1: LinkValbyID(s.data(), a.data(), static_cast<orv_len>(s.size()), static_cast<orv_len>(a.size())); break;
          case 2: MeanValbyID(s.data(), a.data(), static_cast<orv_len>(s.size()), static_cast<orv_len>(a.size())); break;
          default: TankValbyID(s.data(), a.data(), static_cast<orv_len>(s.size()), static_cast<orv_len>(a.size()));
        }
      },
      [](Input &in) { const std::string a = attribute(in); GetIndexAttr(TEXT(a)); },
      [](Input &in) {
        int num = in.small_int();
        std::int16_t attr = in.number<std::int16_t>();
        float value = 0;
        switch (in.below(3)) {
          case 0: GetNodeAttr(&num, &attr, maybe(in, value)); break;
          case 1: GetLinkAttr(&num, &attr, maybe(in, value)); break;
          default: GetTankAttr(&num, &attr, maybe(in, value));
        }
      },
      [](Input &in) {
        int num = in.small_int();
        std::int16_t attr = in.number<std::int16_t>();
        const float value = in.any_float();
        if (in.below(2)) SetBranchAttr(&num, &attr, &value);
        else SetNodeAttr(&num, &attr, &value);
      },
      [](Input &in) {
        int t = in.small_int(), num = in.small_int();
        const std::string s = name(in), a = attribute(in);
        OutText out(in);
        if (in.below(2)) StrAttrbyID(&t, s.data(), a.data(), out.data(), static_cast<orv_len>(s.size()),
                                     static_cast<orv_len>(a.size()), out.size);
        else StrAttrbyNum(&t, &num, a.data(), out.data(), static_cast<orv_len>(a.size()), out.size);
      },
      [](Input &in) { int k = in.small_int(), a = 0, b = 0; cGetLinkNodes(&k, maybe(in, a), maybe(in, b)); },
      [](Input &in) {
        const std::string a = attribute(in);
        OutText out(in);
        int length = 0;
        GetUnitName(a.data(), out.data(), maybe(in, length), static_cast<orv_len>(a.size()), out.size);
        GetUnitCoef(TEXT(a));
      },
      [](Input &in) {
        const std::string s = name(in);
        OutText out(in);
        GetSymmetricNodeID(s.data(), out.data(), static_cast<orv_len>(s.size()), out.size);
      },
      [](Input &in) {
        const std::string s = name(in);
        const double x = in.any_float(), y = in.any_float();
        double d = 0, s1 = 0, s2 = 0;
        int status = 0;
        GetDistLink(s.data(), &x, &y, &d, &s1, &s2, maybe(in, status), static_cast<orv_len>(s.size()));
      },
      [](Input &in) {
        const std::string s = name(in);
        int n = 0, t = 0;
        SelectLen(s.data(), &n, &t, static_cast<orv_len>(s.size()));
        int asked = count(in);
        std::vector<int> numbers(room(asked));
        Selection(&asked, numbers.data());
      },
      [](Input &in) {
        int t = in.small_int(), n = count(in);
        const std::string a = attribute(in);
        std::vector<float> v(room(n)), v2(room(n)), v3(room(n)), v4(room(n)), v5(room(n));
        if (in.below(2)) cGetAll(&t, a.data(), &n, v.data(), static_cast<orv_len>(a.size()));
        else cGetAllMinMax(&t, a.data(), &n, v.data(), v2.data(), v3.data(), v4.data(), v5.data(),
                           static_cast<orv_len>(a.size()));
      },
      [](Input &in) {
        int k = in.small_int();
        GetNbCoudes(&k);
        const std::string s = name(in), a = attribute(in);
        int n = count(in);
        std::vector<double> x(room(n)), y(room(n));
        std::vector<float> z(room(n)), v(room(n));
        if (in.below(2)) LinkXYZV(s.data(), a.data(), &n, x.data(), y.data(), z.data(), v.data(),
                                  static_cast<orv_len>(s.size()), static_cast<orv_len>(a.size()));
        else LinkXYZDV(s.data(), a.data(), &n, x.data(), y.data(), z.data(), v.data(),
                       static_cast<orv_len>(s.size()), static_cast<orv_len>(a.size()));
        double b[4];
        LinkBBox(s.data(), &b[0], &b[1], &b[2], &b[3], static_cast<orv_len>(s.size()));
      },
      [](Input &in) {
        float a = 0, b = 0;
        int t = in.small_int();
        GetNbTimeSteps();
        GetNbValProfilResultat();
        GetDateMinMax(maybe(in, a), maybe(in, b));
        GetWQTSInfo(&t, maybe(in, a));
      },
      [](Input &in) {
        int t = in.small_int(), n = count(in);
        const std::string s = name(in), a = attribute(in);
        const float interval = in.any_float();
        std::vector<float> tim(room(n)), val(room(n));
        if (in.below(2)) TSValbyId(&t, s.data(), a.data(), &n, tim.data(), val.data(), maybe(in, interval),
                                   static_cast<orv_len>(s.size()), static_cast<orv_len>(a.size()));
        else TSMesbyId(&t, s.data(), a.data(), &n, tim.data(), val.data(), maybe(in, interval),
                       static_cast<orv_len>(s.size()), static_cast<orv_len>(a.size()));
        NbMesbyId(&t, s.data(), a.data(), static_cast<orv_len>(s.size()), static_cast<orv_len>(a.size()));
      },
      [](Input &in) {
        const std::string code = name(in), zone = name(in);
        int n = 0, mode = 0;
        NBTSDemand(code.data(), maybe(in, n), static_cast<orv_len>(code.size()));
        NBTSDemandCZ(code.data(), zone.data(), &n, static_cast<orv_len>(code.size()), static_cast<orv_len>(zone.size()));
        int asked = count(in);
        std::vector<float> tim(room(asked)), val(room(asked));
        if (in.below(2)) TSDemand(code.data(), &asked, tim.data(), val.data(), &mode, static_cast<orv_len>(code.size()));
        else TSDemandCZ(code.data(), zone.data(), &asked, tim.data(), val.data(), &mode,
                        static_cast<orv_len>(code.size()), static_cast<orv_len>(zone.size()));
      },
      [](Input &in) {
        const std::string s = name(in), a = attribute(in);
        int n = 0, mode = 0;
        NBTSDevice(s.data(), a.data(), maybe(in, n), static_cast<orv_len>(s.size()), static_cast<orv_len>(a.size()));
        int asked = count(in);
        const float interval = in.any_float();
        std::vector<float> tim(room(asked)), val(room(asked));
        TSDevice(s.data(), a.data(), &asked, &interval, tim.data(), val.data(), &mode,
                 static_cast<orv_len>(s.size()), static_cast<orv_len>(a.size()));
      },
      [](Input &in) {
        const std::string s = name(in), code = name(in);
        float csm = 0;
        int n = 0, width = 0, length = 0, nodes = 0, used = in.small_int();
        CSNodebyID(s.data(), code.data(), &csm, static_cast<orv_len>(s.size()), static_cast<orv_len>(code.size()));
        GetNbCsmPair(s.data(), maybe(in, n), &width, static_cast<orv_len>(s.size()));
        OutText out(in);
        GetNextCsmPair(out.data(), &csm, maybe(in, length), out.size);
        GetUsedCodes(&used, &n);
        OutText code_out(in);
        GetNextCodeCSMNodeCount(code_out.data(), &csm, &nodes, &length, code_out.size);
      },
      [](Input &in) {
        const std::string table = name(in);
        int kind = in.small_int(), n = 0, length = 0, t = 0;
        GetNbTableEntry(table.data(), &kind, maybe(in, n), static_cast<orv_len>(table.size()));
        OutText out(in);
        GetNextTableEntry(out.data(), &n, maybe(in, length), out.size);
        GetNbSimErrDevice(&n);
        OutText device(in);
        GetNextSimErrDevice(device.data(), &t, &length, device.size);
      },
      [](Input &in) {
        const std::string s = name(in);  // read up to its NUL
        const float v = in.any_float();
        float shear = 0, d = 0;
        cShearStr(s.c_str(), maybe(in, v), &shear, &d);
      },
      [](Input &in) {
        const std::string s = name(in);
        int n = 0;
        GetWQDataInit(s.data(), maybe(in, n), static_cast<orv_len>(s.size()));
        GetNBMaxWQcomp();
      },
      [](Input &in) {
        int n = count(in);
        std::vector<float> t(room(n)), d(room(n));
        for (std::size_t k = 0; k < t.size(); ++k) t[k] = in.any_float(), d[k] = in.any_float();
        cSetDensity(&n, t.data(), d.data());
      },
      [](Input &in) {
        const std::string s = name(in), table = name(in), comment = in.text(20);
        const float shl[2] = {in.any_float(), in.any_float()};
        int status = 0, flags = in.small_int();
        cSHLTableEntry(table.data(), shl, comment.data(), &status, static_cast<orv_len>(table.size()),
                       static_cast<orv_len>(comment.size()));
        switch (in.below(3)) {
          case 0: cAddSHL(s.data(), table.data(), &flags, static_cast<orv_len>(s.size()), static_cast<orv_len>(table.size())); break;
          case 1: cModSHL(s.data(), table.data(), &flags, static_cast<orv_len>(s.size()), static_cast<orv_len>(table.size())); break;
          default: cClearSHL(s.data(), table.data(), static_cast<orv_len>(s.size()), static_cast<orv_len>(table.size()));
        }
      },
      [](Input &in) {
        const std::string variable = std::string(in.pick({"NNODES", "LASTERROR", "WORKDIR", "DURATION", "INSTANT",
                                                           "MODELFILE", "FLOWUNITS", ""})) + in.text(4);
        OutText out(in);
        int length = 0;
        sGetSysVar(variable.data(), out.data(), maybe(in, length), static_cast<orv_len>(variable.size()), out.size);
        int size = in.small_int();
        OutText date(in);
        cGetDateref(&size, date.data(), date.size);
      },
      [](Input &in) {
        int k = in.small_int(), m = in.small_int(), length = 0;
        OutText out(in);
        switch (in.below(3)) {
          case 0: GetAttr(&k, out.data(), out.size); break;
          case 1: cMelKeyword(&k, maybe(in, length), out.data(), out.size); break;
          default: cMelModuleKW(&m, &k, maybe(in, length), out.data(), out.size);
        }
      },
      [](Input &in) {
        int m = in.small_int(), k = in.small_int(), w = in.small_int(), ext = in.small_int();
        // The keyword numbers may make a file command of the text: keep it in the scratch folder.
        const std::string text = in.text(30);
        if (fuzz::reaches_the_disk(text) || text.find('/') != std::string::npos ||
            text.find("..") != std::string::npos)
          return;
        CmdGen(&m, &k, &w, text.data(), &ext, static_cast<orv_len>(text.size()));
      },
      [](Input &in) {
        const std::string line = in.text(60);
        if (fuzz::reaches_the_disk(line) || fuzz::upper(line).find("TIME") != std::string::npos) return;
        CmdAddForExec(TEXT(line));
        int flag = in.small_int();
        CmdCommit(maybe(in, flag));
      },
      [](Input &in) {
        float a = in.any_float(), b = in.any_float(), c = in.any_float();
        cSetIndCal(&a, &b, &c);
        const std::string s = name(in);
        int t = in.small_int(), i = 0;
        float v = 0, f[4];
        GetIndCal(&t, s.data(), &v, &i, static_cast<orv_len>(s.size()));
        Kalibra_Summary(&i, &i, &f[0], &f[1], &f[2], &f[3]);
      },
  };
  return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::open_engine();
  Input in(data, size);
  // Each input starts from the same model, with results or without.
  if (fuzz::command("LOAD " + fuzz::quoted(ORV_FUZZ_TOWN)) != 0) std::abort();
  if (in.below(2) == 0) SolveH();
  for (int k = 0; k < 64 && !in.empty(); ++k) calls()[in.below(calls().size())](in);
  return 0;
}
