// Text to values: numbers, strings, symbols, lists and dotted pairs, quote.
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "host/lisp/lisp.hpp"

namespace host::lisp {

namespace {

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

}  // namespace

ReadResult readAll(const std::string& text) {
  PieceReader reader;
  reader.feed(text);
  return reader.finish();
}

// ---- reading in pieces ---------------------------------------------------------
//
// A pushdown automaton over the reader's grammar: each datum starts at a
// nesting (0 at the top, one more inside a list or after a quote) and is
// refused beyond kMaxNesting; a list may end in ". tail"; a quote wraps the
// next datum in (QUOTE datum). An error is found at the character that
// makes it, and reading stops at the first. Nothing depends on where the
// text was cut: the state between pieces is the stack of open lists and
// quotes, the token or string being read, and the forms read so far.

int PieceReader::nesting() const { return stack_.empty() ? 0 : stack_.back().nesting; }

void PieceReader::fail(std::string message) {
  if (!failed_) {
    failed_ = true;
    message_ = std::move(message);
  }
}

void PieceReader::complete(Value v) {
  for (;;) {
    if (stack_.empty()) {
      forms_.push_back(std::move(v));
      return;
    }
    Frame& top = stack_.back();
    if (top.quote) {
      stack_.pop_back();
      try {
        v = Value::list({Value::symbol("QUOTE"), std::move(v)});
      } catch (const LispError& e) {
        fail(e.what());
        return;
      }
      continue;
    }
    if (top.dot == 0) top.items.push_back(std::move(v));
    else {
      top.tail = std::move(v);
      top.dot = 2;
    }
    return;
  }
}

void PieceReader::closeList() {
  Frame frame = std::move(stack_.back());
  stack_.pop_back();
  Value v;
  try {
    v = Value::list(frame.items, frame.tail);
  } catch (const LispError& e) {
    fail(e.what());
    return;
  }
  complete(std::move(v));
}

void PieceReader::endToken() {
  std::string tok = std::move(token_);
  token_.clear();
  mode_ = Mode::Normal;
  const bool checked = !uncheckedToken_;
  uncheckedToken_ = false;
  if (!stack_.empty() && !stack_.back().quote && stack_.back().dot == 0 && tok == ".") {
    // The dot of a dotted list: the tail follows.
    if (stack_.back().items.empty()) return fail("point mal placé");
    stack_.back().dot = 1;
    return;
  }
  if (!checked && nesting() > kMaxNesting) return fail("imbrication trop profonde");
  if (tok == ".") return fail("point mal placé");
  Value num;
  if (parseNumber(tok, num)) return complete(std::move(num));
  complete(Value::symbol(tok));
}

void PieceReader::normal(char c) {
  if (c == ';') {
    mode_ = Mode::Comment;
    return;
  }
  if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') return;
  Frame* top = stack_.empty() ? nullptr : &stack_.back();
  const bool inList = top && !top->quote;
  if (inList && top->dot == 2) {
    // After the tail of a dotted list only its closing parenthesis.
    if (c == ')') closeList();
    else fail("point mal placé");
    return;
  }
  if (inList && top->dot == 0 && c == ')') return closeList();
  if (inList && top->dot == 0 && c == '.') {
    // A dot or a token starting with one: known at the token's end.
    mode_ = Mode::Token;
    token_ = ".";
    uncheckedToken_ = true;
    return;
  }
  // A datum starts here.
  const int n = nesting();
  if (n > kMaxNesting) return fail("imbrication trop profonde");
  switch (c) {
    case ')': return fail("parenthèse fermante en trop");
    case '(':
    case '\'':
      stack_.emplace_back();
      stack_.back().quote = c == '\'';
      stack_.back().nesting = n + 1;
      return;
    case '"':
      mode_ = Mode::String;
      string_.clear();
      escape_ = 0;
      return;
    default:
      mode_ = Mode::Token;
      token_.assign(1, c);
  }
}

void PieceReader::inString(char c) {
  if (escape_ >= 2) {
    // Octal digits after a backslash, three at most.
    if (c >= '0' && c <= '7' && escape_ < 4) {
      octal_ = octal_ * 8 + (c - '0');
      if (++escape_ < 4) return;
      string_ += char(octal_ & 0xFF);
      escape_ = 0;
      return;
    }
    string_ += char(octal_ & 0xFF);
    escape_ = 0;
  }
  if (escape_ == 1) {
    escape_ = 0;
    switch (c) {
      case 'n': string_ += '\n'; return;
      case 't': string_ += '\t'; return;
      case 'r': string_ += '\r'; return;
      case 'e': string_ += '\x1b'; return;
      default:
        if (c >= '0' && c <= '7') {
          octal_ = c - '0';
          escape_ = 2;
        } else {
          string_ += c;  // \" \\ and any other character stand for themselves
        }
        return;
    }
  }
  if (c == '"') {
    mode_ = Mode::Normal;
    complete(Value::fromString(std::move(string_)));
    string_.clear();
  } else if (c == '\\') {
    escape_ = 1;
  } else {
    string_ += c;
  }
}

void PieceReader::feed(std::string_view text) {
  for (char c : text) {
    if (failed_) return;
    switch (mode_) {
      case Mode::Comment:
        if (c == '\n') mode_ = Mode::Normal;
        break;
      case Mode::String: inString(c); break;
      case Mode::Token:
        if (!isDelimiter(c)) {
          token_ += c;
          break;
        }
        endToken();
        if (!failed_) normal(c);
        break;
      case Mode::Normal: normal(c); break;
    }
  }
}

bool PieceReader::needsMoreInput() const {
  if (failed_) return false;
  if (mode_ == Mode::String) return true;
  if (mode_ == Mode::Token) {
    // The end of the text ends the token.
    const Frame* top = stack_.empty() ? nullptr : &stack_.back();
    if (top && !top->quote && top->dot == 0 && token_ == ".") return !top->items.empty();
    if (token_ == "." || (uncheckedToken_ && nesting() > kMaxNesting)) return false;
    // The token completes the quotes around it; a list left open waits.
    for (auto it = stack_.rbegin(); it != stack_.rend(); ++it)
      if (!it->quote) return true;
    return false;
  }
  return !stack_.empty();
}

ReadResult PieceReader::finish() {
  if (!failed_ && mode_ == Mode::Token) endToken();
  ReadResult r;
  if (failed_) {
    r.status = ReadStatus::Error;
    r.error = message_;
  } else if (mode_ == Mode::String) {
    r.status = ReadStatus::Incomplete;
    r.error = "chaîne non terminée";
  } else if (!stack_.empty()) {
    r.status = ReadStatus::Incomplete;
    r.error = stack_.back().quote ? "expression manquante après '" : "parenthèse fermante manquante";
  } else {
    r.forms = std::move(forms_);
  }
  *this = PieceReader();
  return r;
}

Value readOne(const std::string& text) {
  ReadResult r = readAll(text);
  if (r.status != ReadStatus::Ok) throw LispError(r.error);
  if (r.forms.size() != 1) throw LispError("une seule expression attendue");
  return r.forms.front();
}

}  // namespace host::lisp
