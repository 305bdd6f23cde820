// Helpers of the compiler tests: run the front end on a text and read the log.
#pragma once

#include <string>
#include <vector>

#include "script/compiler/compile_log.h"
#include "script/compiler/compile_unit.h"
#include "script/compiler/front_end.h"
#include "script/compiler/scanner.h"
#include "script/compiler/symbols.h"
#include "script/compiler/tokens.h"

namespace compiler_test {

inline std::vector<std::string> LogLines(const GSCompileLog& log) {
  std::vector<std::string> lines;
  for (uint32_t i = 0; i < log.LineCount(); ++i) lines.push_back(log.Line(i));
  return lines;
}

struct FrontResult {
  int errors = 0;
  std::vector<std::string> lines;
};

// Checks `text` as the main file "t.gs".
inline FrontResult Check(const std::string& text) {
  GSCompileLog log;
  GSCompiler::FrontEnd front;
  FrontResult result;
  result.errors = front.CheckText("t.gs", text, &log);
  result.lines = LogLines(log);
  return result;
}

// Wraps statements in a class with one void function.
inline std::string InFunction(const std::string& body) { return "class A {\nvoid f() {\n" + body + "\n}\n};\n"; }

inline std::vector<int> Tokens(const std::string& text) {
  GSCompiler::yyFlexLexer scanner(text.data(), text.size());
  std::vector<int> tokens;
  for (;;) {
    int token = scanner.yylex();
    if (token == GSCompiler::TOKEN_END) break;
    tokens.push_back(token);
    if (token == GSCompiler::kTokenTooLong) break;
  }
  return tokens;
}

}  // namespace compiler_test
