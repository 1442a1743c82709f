// A LISP expression spread over many lines at the console: the first line
// typed at "Commande: ", the others read as the expression asks for them,
// then the expression evaluated. Each line is a point of a list:
//
//   (setq n (length (list
//   (list 0.5 0.25 "P0")
//   ...
//   )))
//
//   bench_lisp [benchmark options]
//
// BM_ConsoleExpression/N is the console with N lines. BM_ReadAgainEachLine/N
// reads the text again from its start after every line, as the console did
// before it kept its reading between lines: its time grows with the square
// of the lines, so it runs once per size (10,000 lines take a minute or
// more).
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "console.hpp"
#include "host/app/console_io.hpp"
#include "host/lisp/lisp.hpp"

namespace {

std::string lineOf(int i) {
  return "(list " + std::to_string(i) + ".5 " + std::to_string(i) + ".25 \"P" + std::to_string(i) + "\")";
}

// The lines after the first, each ended by a line feed.
std::string followingLines(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += lineOf(i) + "\n";
  return s + ")))\n";
}

void BM_ConsoleExpression(benchmark::State& state) {
  const int n = int(state.range(0));
  const std::string rest = followingLines(n);
  host::lisp::Evaluator session;
  host::lisp::Evaluator* previousSession = host::lisp::setSession(&session);
  for (auto _ : state) {
    std::istringstream in(rest);
    std::ostringstream out;
    host::ConsoleIO io(in, out);
    host::ConsoleIO* previous = host::setConsole(&io);
    geltaro::executeCommandLine("(setq n (length (list");
    host::setConsole(previous);
    const host::lisp::Value count = session.getVar("n");
    if (count.kind != host::lisp::Value::Kind::Int || count.integer != n)
      state.SkipWithError("the expression was not read whole");
  }
  host::lisp::setSession(previousSession);
  state.counters["lines"] = double(n + 2);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(rest.size()));
}
BENCHMARK(BM_ConsoleExpression)->Arg(10000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ReadAgainEachLine(benchmark::State& state) {
  const int n = int(state.range(0));
  for (auto _ : state) {
    std::string text = "(setq n (length (list";
    for (int i = 0; i < n; ++i) {
      benchmark::DoNotOptimize(host::lisp::readAll(text).status);
      text += "\n" + lineOf(i);
    }
    text += "\n)))";
    benchmark::DoNotOptimize(host::lisp::readAll(text).forms.size());
  }
  state.counters["lines"] = double(n + 2);
}
BENCHMARK(BM_ReadAgainEachLine)->Arg(1000)->Arg(2000)->Arg(4000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
