// Text to values: numbers, strings, symbols, lists and dotted pairs, quote.
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "host/lisp/lisp.hpp"

namespace host::lisp {

namespace {

// Raised inside the reader; `incomplete` when more text could complete it.
struct ReadStop {
  bool incomplete;
  std::string message;
};

bool isDelimiter(char c) {
  return c == '(' || c == ')' || c == '\'' || c == '"' || c == ';' || c == ' ' || c == '\t' || c == '\n' ||
         c == '\r' || c == '\f' || c == '\v';
}

// A token that reads as a number: integers within 32 bits stay integers,
// larger ones and anything with a point or exponent are reals.
bool parseNumber(const std::string& tok, Value& out) {
  size_t i = 0;
  if (i < tok.size() && (tok[i] == '+' || tok[i] == '-')) ++i;
  bool digits = false, point = false, exponent = false;
  for (; i < tok.size(); ++i) {
    char c = tok[i];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point && !exponent) {
      point = true;
    } else if ((c == 'e' || c == 'E') && digits && !exponent) {
      exponent = true;
      if (i + 1 < tok.size() && (tok[i + 1] == '+' || tok[i + 1] == '-')) ++i;
      if (i + 1 >= tok.size()) return false;
      digits = false;  // the exponent needs digits of its own
    } else {
      return false;
    }
  }
  if (!digits) return false;
  if (!point && !exponent) {
    errno = 0;
    long long v = std::strtoll(tok.c_str(), nullptr, 10);
    if (errno == 0 && v >= INT32_MIN && v <= INT32_MAX) {
      out = Value::fromInt(int32_t(v));
      return true;
    }
  }
  double d = std::strtod(tok.c_str(), nullptr);
  out = Value::fromReal(d);
  return true;
}

class Reader {
 public:
  explicit Reader(const std::string& text) : s_(text) {}

  // False at the end of the text.
  bool skipSpace() {
    while (pos_ < s_.size()) {
      char c = s_[pos_];
      if (c == ';') {
        while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
        ++pos_;
      } else {
        return true;
      }
    }
    return false;
  }

  Value read(int nesting) {
    if (nesting > kMaxNesting) throw ReadStop{false, "imbrication trop profonde"};
    if (!skipSpace()) throw ReadStop{true, "parenthese fermante manquante"};
    char c = s_[pos_];
    if (c == '(') {
      ++pos_;
      return readList(nesting + 1);
    }
    if (c == ')') {
      ++pos_;
      throw ReadStop{false, "parenthese fermante en trop"};
    }
    if (c == '\'') {
      ++pos_;
      if (!skipSpace()) throw ReadStop{true, "expression manquante apres '"};
      Value quotedForm = read(nesting + 1);
      return Value::list({Value::symbol("QUOTE"), quotedForm});
    }
    if (c == '"') {
      ++pos_;
      return readString();
    }
    std::string tok = token();
    if (tok == ".") throw ReadStop{false, "point mal place"};
    Value num;
    if (parseNumber(tok, num)) return num;
    return Value::symbol(tok);
  }

 private:
  std::string token() {
    size_t start = pos_;
    while (pos_ < s_.size() && !isDelimiter(s_[pos_])) ++pos_;
    return s_.substr(start, pos_ - start);
  }

  Value readList(int nesting) {
    std::vector<Value> items;
    Value tail;
    for (;;) {
      if (!skipSpace()) throw ReadStop{true, "parenthese fermante manquante"};
      char c = s_[pos_];
      if (c == ')') {
        ++pos_;
        break;
      }
      if (c == '.' && (pos_ + 1 >= s_.size() || isDelimiter(s_[pos_ + 1]))) {
        ++pos_;
        if (items.empty()) throw ReadStop{false, "point mal place"};
        tail = read(nesting);
        if (!skipSpace()) throw ReadStop{true, "parenthese fermante manquante"};
        if (s_[pos_] != ')') throw ReadStop{false, "point mal place"};
        ++pos_;
        break;
      }
      items.push_back(read(nesting));
    }
    try {
      return Value::list(items, tail);
    } catch (const LispError& e) {
      throw ReadStop{false, e.what()};
    }
  }

  Value readString() {
    std::string out;
    while (pos_ < s_.size()) {
      char c = s_[pos_++];
      if (c == '"') return Value::fromString(out);
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= s_.size()) break;
      char e = s_[pos_++];
      switch (e) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'e': out += '\x1b'; break;
        default:
          if (e >= '0' && e <= '7') {
            // Up to three octal digits.
            int v = e - '0';
            for (int k = 0; k < 2 && pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '7'; ++k)
              v = v * 8 + (s_[pos_++] - '0');
            out += char(v & 0xFF);
          } else {
            out += e;  // \" \\ and any other character stand for themselves
          }
      }
    }
    throw ReadStop{true, "chaîne non terminée"};
  }

  const std::string& s_;
  size_t pos_ = 0;
};

}  // namespace

ReadResult readAll(const std::string& text) {
  ReadResult r;
  Reader reader(text);
  try {
    while (reader.skipSpace()) r.forms.push_back(reader.read(0));
  } catch (const ReadStop& stop) {
    r.status = stop.incomplete ? ReadStatus::Incomplete : ReadStatus::Error;
    r.error = stop.message;
    r.forms.clear();
  } catch (const LispError& e) {
    r.status = ReadStatus::Error;
    r.error = e.what();
    r.forms.clear();
  }
  return r;
}

Value readOne(const std::string& text) {
  ReadResult r = readAll(text);
  if (r.status != ReadStatus::Ok) throw LispError(r.error);
  if (r.forms.size() != 1) throw LispError("une seule expression attendue");
  return r.forms.front();
}

}  // namespace host::lisp
