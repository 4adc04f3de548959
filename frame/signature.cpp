// Descriptor parsing: signature line and declarations become a Routine with
// its parse format, keyword list, conversion plan, docstring and module line.
#include <cctype>
#include <cstring>
#include <sstream>
#include <string_view>

#include "internal.hpp"

namespace frame {
namespace {

std::vector<std::string> split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::string ordinal(int n) {
  static const char *const words[] = {"1st", "2nd", "3rd", "4th", "5th", "6th", "7th", "8th"};
  return n >= 1 && n <= 8 ? words[n - 1] : std::to_string(n) + "th";
}

bool broken(const RoutineDef &def, const std::string &why) {
  PyErr_Format(PyExc_SystemError, "routine descriptor \"%s\": %s", def.signature, why.c_str());
  return false;
}

struct SignatureLine {
  std::vector<std::string> results, required, optional;
  std::string name;
};

bool parse_signature_line(const RoutineDef &def, SignatureLine &line) {
  std::string_view s(def.signature);
  std::size_t open = s.find('('), close = s.rfind(')');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open)
    return broken(def, "signature line needs parentheses");
  std::string_view head = s.substr(0, open);
  if (std::size_t eq = head.find(" = "); eq != std::string_view::npos) {
    line.results = split(head.substr(0, eq), ',');
    head = head.substr(eq + 3);
  }
  line.name = std::string(head);
  std::string_view params = s.substr(open + 1, close - open - 1);
  std::size_t bracket = params.find('[');
  std::string_view required = params.substr(0, bracket);
  if (!required.empty() && required.back() == ',') required.remove_suffix(1);
  line.required = split(required, ',');
  if (bracket != std::string_view::npos) {
    std::string_view optional = params.substr(bracket + 1);
    if (optional.empty() || optional.back() != ']') return broken(def, "unclosed [");
    optional.remove_suffix(1);
    line.optional = split(optional, ',');
  }
  return true;
}

int find_decl(const std::vector<Decl> &decls, std::string_view name) {
  for (std::size_t k = 0; k < decls.size(); ++k)
    if (decls[k].kind != Kind::Check && decls[k].name == name) return static_cast<int>(k);
  return -1;
}

// "name:type[=default]" or "?len(a)>=b"; references resolve against earlier items.
bool parse_declaration(const RoutineDef &def, const std::string &item, std::vector<Decl> &decls) {
  Decl d;
  if (item[0] == '?') {
    d.kind = Kind::Check;
    d.check_text = item.substr(1);
    std::size_t ge = d.check_text.find(">=");
    if (d.check_text.rfind("len(", 0) != 0 || ge == std::string::npos || d.check_text[ge - 1] != ')')
      return broken(def, "check must read len(a)>=b: " + item);
    d.check_array = find_decl(decls, d.check_text.substr(4, ge - 5));
    std::string bound = d.check_text.substr(ge + 2);
    if (!bound.empty() && std::isdigit(static_cast<unsigned char>(bound[0])))
      d.check_bound_literal = std::stoll(bound);
    else
      d.check_bound_ref = find_decl(decls, bound);
    if (d.check_array < 0 || decls[d.check_array].kind != Kind::Array ||
        (d.check_bound_ref < 0 && !std::isdigit(static_cast<unsigned char>(bound[0]))))
      return broken(def, "check names unknown items: " + item);
    decls.push_back(d);
    return true;
  }
  std::size_t colon = item.find(':');
  if (colon == std::string::npos) return broken(def, "declaration without type: " + item);
  d.name = item.substr(0, colon);
  std::string type = item.substr(colon + 1);
  if (std::size_t eq = type.find('='); eq != std::string::npos) {
    d.default_text = type.substr(eq + 1);
    type.resize(eq);
    if (d.default_text.rfind("len(", 0) == 0) {
      d.default_len_of = find_decl(decls, d.default_text.substr(4, d.default_text.size() - 5));
      if (d.default_len_of < 0 || decls[d.default_len_of].kind != Kind::Array)
        return broken(def, "default names no earlier array: " + item);
    } else if (d.default_text != "''") {
      d.default_value = std::stod(d.default_text);
    }
  }
  switch (type[0]) {
    case 'i': d.kind = Kind::Int; d.type_num = NPY_INT; break;
    case 'l': d.kind = Kind::Logical; break;
    case 'f': d.kind = Kind::Real; d.type_num = NPY_FLOAT; break;
    case 'd': d.kind = Kind::Double; d.type_num = NPY_DOUBLE; break;
    case 'b': d.kind = Kind::Byte; break;
    case 's':
      d.kind = Kind::String;
      if (type.size() > 1) d.fixed_length = std::stoll(type.substr(1));
      break;
    default: return broken(def, "unknown type: " + item);
  }
  if (std::size_t paren = type.find('('); paren != std::string::npos) {
    if (d.kind != Kind::Int && d.kind != Kind::Real && d.kind != Kind::Double)
      return broken(def, "array of unsupported type: " + item);
    d.kind = Kind::Array;
    for (const std::string &text : split(type.substr(paren + 1, type.size() - paren - 2), ',')) {
      Extent e{text};
      if (std::isdigit(static_cast<unsigned char>(text[0])))
        e.constant = std::stoll(text);
      else
        e.ref = find_decl(decls, text);  // -1: converted later, so free
      d.extents.push_back(e);
    }
  }
  decls.push_back(d);
  return true;
}

char body_kind(const Decl &d) {
  switch (d.kind) {
    case Kind::Int: case Kind::Logical: return 'i';
    case Kind::Real: return 'f';
    case Kind::Double: return 'd';
    case Kind::Byte: return 'b';
    case Kind::String: return 's';
    case Kind::Array: return d.type_num == NPY_FLOAT ? 'F' : d.type_num == NPY_DOUBLE ? 'D' : 'I';
    case Kind::Check: break;
  }
  return '?';
}

char type_char(int type_num) { return type_num == NPY_FLOAT ? 'f' : type_num == NPY_DOUBLE ? 'd' : 'i'; }

std::string doc_type(const Decl &d) {
  switch (d.kind) {
    case Kind::Int: case Kind::Logical: case Kind::Byte: return "int";
    case Kind::Real: case Kind::Double: return "float";
    case Kind::String: return "string(len=" + std::to_string(d.fixed_length) + ")";
    case Kind::Array: {
      std::string bounds;
      for (const Extent &e : d.extents) bounds += (bounds.empty() ? "" : ",") + e.text;
      return "rank-" + std::to_string(d.extents.size()) + " array('" + type_char(d.type_num) +
             "') with bounds (" + bounds + ")";
    }
    case Kind::Check: break;
  }
  return "";
}

std::string parameter_line(const Decl &d) {
  std::string line = d.name + " : input " + doc_type(d);
  if (d.default_len_of >= 0) line += ", optional\n    Default: " + d.default_text;
  return line;
}

void append_block(std::string &doc, const char *title, const char *rule,
                  const std::vector<std::string> &lines) {
  if (lines.empty()) return;
  doc += std::string("\n\n") + title + "\n" + rule;
  for (const std::string &l : lines) doc += "\n" + l;
}

std::string join(const std::vector<std::string> &parts, const char *separator) {
  std::string text;
  for (const std::string &p : parts) text += (text.empty() ? "" : separator) + p;
  return text;
}

void build_docs(Routine &r, const SignatureLine &line) {
  std::vector<std::string> required, optional, results, module_params;
  for (const std::string &name : line.required) {
    const Decl &d = r.decls[find_decl(r.decls, name)];
    required.push_back(parameter_line(d));
    module_params.push_back(name);
  }
  for (const std::string &name : line.optional) {
    const Decl &d = r.decls[find_decl(r.decls, name)];
    optional.push_back(parameter_line(d));
    if (d.default_len_of >= 0)
      module_params.push_back(name + "=" + d.default_text);
    else if (d.kind == Kind::String)
      module_params.push_back(name + "=''");
    else
      module_params.push_back(name + "=");
  }
  for (int k : r.results) results.push_back(r.decls[k].name + " : " + doc_type(r.decls[k]));
  std::string head = line.results.empty() ? "" : join(line.results, ",") + " = ";
  r.doc = std::string(r.def->signature) + "\n\nWrapper for ``" + r.name + "``.";
  append_block(r.doc, "Parameters", "----------", required);
  append_block(r.doc, "Other Parameters", "----------------", optional);
  append_block(r.doc, "Returns", "-------", results);
  if (required.empty() && optional.empty() && results.empty()) r.doc += "\n";
  r.module_line = "  " + head + r.name + "(" + join(module_params, ",") + ")";
}

// The text of a failed conversion of d, as the caller will read it.
std::string conversion_message(const Routine &r, const Decl &d) {
  std::string where = r.module_name + "." + r.name;
  switch (d.kind) {
    case Kind::Int: return where + "() " + d.ordinal + " (" + d.name + ") can't be converted to int";
    case Kind::Real: return where + "() " + d.ordinal + " (" + d.name + ") can't be converted to float";
    case Kind::Double: return where + "() " + d.ordinal + " (" + d.name + ") can't be converted to double";
    case Kind::String:
      return "string_from_pyobj failed in converting " + d.ordinal + " `" + d.name + "' of " + where +
             " to C string";
    case Kind::Array:
      return "failed in converting " + d.ordinal + " `" + d.name + "' of " + where + " to C/Fortran array";
    default: return "";
  }
}

}  // namespace

bool parse_routine(const RoutineDef &def, const char *module_name, PyObject *error, Routine &r) {
  SignatureLine line;
  if (!parse_signature_line(def, line)) return false;
  r.def = &def;
  r.name = line.name;
  r.module_name = module_name;
  r.error = error;
  for (const std::string &item : split(def.declarations, ' '))
    if (!item.empty() && !parse_declaration(def, item, r.decls)) return false;

  // Python parameters: required first, then optional, each with its ordinal.
  int python_index = 0;
  auto bind = [&](const std::vector<std::string> &names, bool optional) {
    int position = 0;
    for (const std::string &name : names) {
      int k = find_decl(r.decls, name);
      if (k < 0) return broken(def, "parameter not declared: " + name);
      Decl &d = r.decls[k];
      d.input = true;
      d.optional = optional;
      d.python_index = python_index++;
      d.ordinal = ordinal(++position) + (optional ? " keyword" : " argument");
      if (optional && d.default_text.empty()) return broken(def, "optional without default: " + name);
      r.keywords.push_back(name);
    }
    return true;
  };
  if (!bind(line.required, false) || !bind(line.optional, true)) return false;
  r.python_count = python_index;
  r.required_count = static_cast<int>(line.required.size());
  if (r.python_count > max_python_params) return broken(def, "too many parameters");

  for (const std::string &name : line.results) {
    int k = find_decl(r.decls, name);
    if (k < 0 || r.decls[k].input) return broken(def, "result is not a hidden output: " + name);
    r.results.push_back(k);
  }
  // Body slots follow the declarations; every non-input must be a result.
  std::string kinds;
  for (Decl &d : r.decls) {
    if (d.kind == Kind::Check) continue;
    if (!d.input) {
      d.ordinal = "hidden";
      bool listed = false;
      for (int k : r.results) listed |= r.decls[k].name == d.name;
      if (!listed) return broken(def, "hidden output not returned: " + d.name);
      if (d.kind == Kind::String && d.fixed_length < 0)
        return broken(def, "hidden string needs a length: " + d.name);
    } else if (d.kind == Kind::Byte || (d.kind == Kind::String && d.fixed_length >= 0)) {
      return broken(def, "input of an output-only type: " + d.name);
    }
    d.slot = r.slot_count++;
    d.message = conversion_message(r, d);
    kinds += body_kind(d);
  }
  if (r.slot_count > max_slots) return broken(def, "too many declarations");
  // An extent naming no earlier item must name a later input (a free extent).
  for (const Decl &d : r.decls)
    for (const Extent &e : d.extents)
      if (e.ref < 0 && !std::isdigit(static_cast<unsigned char>(e.text[0])) &&
          (!d.input || find_decl(r.decls, e.text) < 0))
        return broken(def, "extent names no parameter converted before: " + e.text);
  if (kinds != def.body_kinds)
    return broken(def, "body parameters " + std::string(def.body_kinds) +
                           " do not match the declarations " + kinds);

  for (const std::string &k : r.keywords) r.keyword_list.push_back(const_cast<char *>(k.c_str()));
  r.keyword_list.push_back(nullptr);
  r.parse_format = std::string(line.required.size(), 'O');
  if (!line.optional.empty()) r.parse_format += "|" + std::string(line.optional.size(), 'O');
  r.parse_format += ":" + r.module_name + "." + r.name;
  build_docs(r, line);
  return true;
}

}  // namespace frame
