#include "library_generator.h"

#include <string>
#include <vector>

namespace lh {

namespace {

// A small generator of its own (xorshift32), so the text is the same with
// every standard library.
struct Rng {
  uint32_t s;
  explicit Rng(uint32_t seed) : s(seed * 2654435761u + 0x9E3779B9u) {
    if (s == 0) s = 1;
  }
  uint32_t next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
  int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<uint32_t>(n)); }
  bool chance(int one_in) { return below(one_in) == 0; }
};

const char* const kVerbs[] = {"Trim",   "Pad",   "Split", "Join",  "Count", "Find",   "Replace",
                              "Strip",  "Quote", "Wrap",  "Merge", "Parse", "Format", "Encode",
                              "Decode", "Sort",  "Scan",  "Fold",  "Map",   "Hash"};
const char* const kNouns[] = {"Text",  "Words", "Lines", "Field", "Token", "Chars", "Path",
                              "Value", "List",  "Item",  "Entry", "Block", "Range", "Key"};

enum class Shape { kString, kStringOptional, kNumberOptional, kNumber, kNoArguments };

struct Signature {
  std::string name;
  Shape shape;
};

bool returns_string(Shape s) { return s == Shape::kString || s == Shape::kStringOptional; }

void line(std::string& out, const std::string& text) {
  out += text;
  out += "\r\n";
}

// A call of `target` with arguments that fit its parameters; optional
// arguments are sometimes left out.
std::string call_of(const Signature& target, Rng& rng) {
  std::string c = target.name + "(";
  switch (target.shape) {
    case Shape::kString:
      c += rng.chance(2) ? "text" : "\"a, b\"";
      break;
    case Shape::kStringOptional:
      c += "text";
      if (rng.chance(2)) c += ", " + std::to_string(rng.below(9) + 1);
      break;
    case Shape::kNumberOptional:
      c += std::to_string(rng.below(100));
      if (rng.chance(2)) c += "," + std::to_string(rng.below(5));
      if (rng.chance(3)) c += ", 3";
      break;
    case Shape::kNumber:
      c += std::to_string(rng.below(50)) + ", n";
      break;
    case Shape::kNoArguments:
      break;
  }
  return c + ")";
}

// A call in a string context (for string-returning procedures' bodies).
std::string string_call(const Signature& target, Rng& rng) {
  std::string c = call_of(target, rng);
  return returns_string(target.shape) ? c : "Str(" + c + ")";
}

// A call in a numeric context.
std::string number_call(const Signature& target, Rng& rng) {
  std::string c = call_of(target, rng);
  return returns_string(target.shape) ? "Len(" + c + ")" : c;
}

}  // namespace

std::string generate_library_source(int exported_procedures, uint32_t seed) {
  Rng rng(seed);
  const int n = exported_procedures < 0 ? 0 : exported_procedures;
  std::vector<Signature> sigs;
  sigs.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    Signature s;
    s.name = std::string(kVerbs[rng.below(20)]) + kNouns[rng.below(14)] + std::to_string(i);
    // Half of the commands return a string or take optional parameters.
    int pick = rng.below(20);
    s.shape = pick < 4    ? Shape::kString
              : pick < 7  ? Shape::kStringOptional
              : pick < 10 ? Shape::kNumberOptional
              : pick < 19 ? Shape::kNumber
                          : Shape::kNoArguments;
    sigs.push_back(std::move(s));
  }

  std::string out;
  out.reserve(static_cast<size_t>(n) * 640 + 1024);
  line(out, "; Generated library source: " + std::to_string(n) + " commands.");
  line(out, "; Commands for text and list handling, documented for the manual.");
  line(out, "");
  line(out, "#LIBRARY_VERSION = \"1." + std::to_string(seed % 100) + "\"");
  line(out, "");
  line(out, "#LIB_MAXLEN = 4096 ;//resident");
  line(out, "Structure LibRange ;//resident");
  line(out, "  first.l ;//resident");
  line(out, "  last.l ;//resident");
  line(out, "EndStructure ;//resident");
  line(out, "");
  line(out, ";{//Introduction");
  line(out, ";// This library holds commands for text and list handling.");
  line(out, ";// Every command is described on its own page.");
  line(out, ";}");
  line(out, ";->Index The commands of this library, by category.");
  line(out, "");

  const int per_category = 25;
  for (int i = 0; i < n; ++i) {
    const Signature& sig = sigs[static_cast<size_t>(i)];
    if (i % per_category == 0) {
      int cat = i / per_category;
      std::string cname = "Category" + std::to_string(cat);
      line(out, ";->" + cname + " Commands of the " + std::to_string(cat) + ". category.");
      line(out, ";->" + cname + " They share the flags below.");
      line(out, "#CAT" + std::to_string(cat) + "_FLAGS = " + std::to_string(rng.below(256)) + " ;//resident");
      if (rng.chance(2)) {
        line(out, ";{//" + std::string(rng.chance(3) ? " " : "") + cname + " overview");
        line(out, ";// An overview of the commands of this category.");
        line(out, ";// <b>Note:</b> all of them work on 8-bit text.");
        if (rng.chance(2)) {
          line(out, ";{/* Using the category");
          line(out, "; Debug \"" + cname + "\"");
          line(out, ";}");
        }
        line(out, ";}");
      }
      line(out, "");
    }
    if (rng.chance(30)) line(out, ";->" + sig.name + " More about " + sig.name + " on its own page.");

    // Up to four calls of other commands, mostly earlier ones.
    std::vector<const Signature*> callees;
    int calls = n > 1 ? 2 + rng.below(3) : 0;
    for (int k = 0; k < calls; ++k) {
      int j = i > 0 && !rng.chance(5) ? rng.below(i) : rng.below(n);
      if (j == i) j = (j + 1) % n;
      callees.push_back(&sigs[static_cast<size_t>(j)]);
    }
    auto callee = [&](int k) -> const Signature& { return *callees[static_cast<size_t>(k) % callees.size()]; };

    line(out, "; " + std::string(60, '-'));
    std::string comment = rng.chance(4) ? "" : " ; " + sig.name + " works on its argument.";
    switch (sig.shape) {
      case Shape::kString:
        line(out, "ProcedureDLL.s " + sig.name + "(text.s)" + comment);
        break;
      case Shape::kStringOptional:
        line(out, "ProcedureDLL.s " + sig.name + "(text.s, count.l = 1)" + comment);
        break;
      case Shape::kNumberOptional:
        line(out, "ProcedureDLL.l " + sig.name + "(value.l, factor.l = 2, offset.l=0)" + comment);
        break;
      case Shape::kNumber:
        line(out, "ProcedureDLL.l " + sig.name + "(n.l, step.l)" + comment);
        break;
      case Shape::kNoArguments:
        line(out, "ProcedureDLL " + sig.name + "()" + comment);
        break;
    }
    line(out, "  ;// <b>" + sig.name + "</b> returns what its name says.");
    line(out, "  ;// The result is computed from the arguments only.");
    line(out, "  ;//");
    line(out, "  ;// <b>Parameters:</b> the text or value to work on" +
                  std::string(sig.shape == Shape::kStringOptional || sig.shape == Shape::kNumberOptional
                                  ? ", then the optional settings."
                                  : "."));
    line(out, "  ;// <b>Result:</b> " + std::string(returns_string(sig.shape) ? "a new string." : "a number."));
    if (rng.chance(2)) line(out, "  ;// See also the category overview.");
    line(out, "  ; Local state of the command.");

    if (returns_string(sig.shape)) {
      line(out, "  Protected result.s, i.l");
      if (!callees.empty()) {
        line(out, "  result = " + string_call(callee(0), rng));
        line(out, "  result+" + string_call(callee(1), rng));
        line(out, "  If Len(" + string_call(callee(2), rng) + ") > #LIB_MAXLEN");
        line(out, "    result=Left(result, #LIB_MAXLEN) ; keeps " + callee(0).name + "() short");
        line(out, "  EndIf");
      } else {
        line(out, "  result = text");
      }
      if (sig.shape == Shape::kStringOptional) {
        line(out, "  For i = 2 To count");
        line(out, "    result + text");
        line(out, "  Next");
      }
    } else if (sig.shape == Shape::kNoArguments) {
      line(out, "  Protected n.l = 1");
      if (!callees.empty()) line(out, "  Debug " + number_call(callee(0), rng));
    } else {
      std::string arg = sig.shape == Shape::kNumber ? "n" : "value";
      line(out, "  Protected total.l = " + arg);
      if (!callees.empty()) {
        line(out, "  total = total + " + number_call(callee(0), rng));
        line(out, "  total=total*(" + number_call(callee(1), rng) + " + 1)");
        line(out, "\tIf total < 0 : total = 0 : EndIf");
      }
      if (sig.shape == Shape::kNumberOptional) line(out, "  total = total * factor + offset");
    }
    if (rng.chance(3)) {
      line(out, "  ;{/* Example of " + sig.name);
      std::string self = call_of(sig, rng);
      line(out, "  ; Debug " + (returns_string(sig.shape) ? self : "Str(" + self + ")"));
      line(out, "  ;}");
    }
    line(out, "  Debug \"" + sig.name + " done\"");
    if (returns_string(sig.shape))
      line(out, "  ProcedureReturn result");
    else if (sig.shape != Shape::kNoArguments)
      line(out, "  ProcedureReturn total");
    line(out, "EndProcedure");
    if (rng.chance(4)) {
      line(out, ";{/*Demo " + sig.name + " in a program");
      line(out, "; OpenConsole()");
      line(out, "; PrintN(" + (returns_string(sig.shape) ? call_of(sig, rng) : "Str(" + call_of(sig, rng) + ")") + ")");
      line(out, ";}");
    }
    if (rng.chance(40)) line(out, ";/nosource");
    line(out, "");
  }
  line(out, "; End of the library source.");
  return out;
}

std::string generate_documented_library_source(int exported_procedures, uint32_t seed) {
  static const char* const kWords[] = {"text",  "list",   "value",  "result", "buffer", "length", "string", "number",
                                       "empty", "second", "window", "handle", "memory", "record", "folder", "option"};
  Rng rng(seed);
  auto sentence = [&rng](int words) {
    std::string s = "The";
    for (int w = 0; w < words; ++w) s += std::string(" ") + kWords[rng.below(16)];
    return s + ".";
  };
  const int n = exported_procedures < 0 ? 0 : exported_procedures;
  std::string out;
  out.reserve(static_cast<size_t>(n) * 1400 + 1024);
  line(out, "; Generated library source with full pages: " + std::to_string(n) + " commands.");
  line(out, "#LIBRARY_VERSION = \"2." + std::to_string(seed % 100) + "\"");
  line(out, "#DOC_LIMIT = 100 ;//resident");
  line(out, ";{//Introduction");
  line(out, ";// " + sentence(12));
  line(out, ";}");
  for (int i = 0; i < n; ++i) {
    if (i % 50 == 0) line(out, ";->Group" + std::to_string(i / 50) + " " + sentence(6));
    const std::string name = std::string(kVerbs[rng.below(20)]) + kNouns[rng.below(14)] + std::to_string(i);
    const bool text = rng.chance(3);
    line(out, std::string(text ? "ProcedureDLL.s " : "ProcedureDLL.l ") + name +
                  (text ? "(text.s, count.l = 1)" : "(value.l, step.l)") + " ; " + sentence(9));
    for (int k = 0; k < 5; ++k) line(out, "  ;// " + sentence(10 + rng.below(4)));
    line(out, "  ;{/* Example of " + name);
    line(out, "  ; OpenConsole()");
    for (int k = 0; k < 8; ++k)
      line(out, "  ; PrintN(" +
                    std::string(text ? name + "(\"" + kWords[rng.below(16)] + "\", " : "Str(" + name + "(") +
                    std::to_string(rng.below(1000)) + "))) ; " + kWords[rng.below(16)]);
    line(out, "  ; CloseConsole()");
    line(out, "  ;}");
    if (text) {
      line(out, "  Protected result.s = text");
      line(out, "  ProcedureReturn result");
    } else {
      line(out, "  Protected total.l = value * step");
      line(out, "  ProcedureReturn total");
    }
    line(out, "EndProcedure");
    line(out, "");
  }
  return out;
}

}  // namespace lh
