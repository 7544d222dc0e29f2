// SPDX-License-Identifier: GPL-3.0-or-later
// trevak-genlib: writes a generated legacy footprint library to standard output or a file.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "bench/library_generator.h"

namespace {

void usage() {
  std::cerr << "usage: trevak-genlib [--modules N] [--seed S] [--lf] [--mm] [--pads N] [--lines N]"
               " [--prefix P] [--name-placeholders] [-o FILE]\n";
}

}  // namespace

int main(int argc, char* argv[]) {
  trevak::bench::GeneratorOptions opts;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        usage();
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--modules") opts.modules = std::stoi(value());
    else if (a == "--seed") opts.seed = std::stoull(value());
    else if (a == "--lf") opts.crlf = false;
    else if (a == "--mm") opts.millimetres = true;
    else if (a == "--pads") opts.padsPerModule = std::stoi(value());
    else if (a == "--lines") opts.linesPerModule = std::stoi(value());
    else if (a == "--prefix") opts.namePrefix = value();
    else if (a == "--name-placeholders") opts.namePlaceholders = true;
    else if (a == "-o") output = value();
    else {
      usage();
      return 2;
    }
  }
  if (output.empty()) {
    trevak::bench::generateLibrary(opts, std::cout);
    return std::cout ? 0 : 1;
  }
  std::ofstream out(output, std::ios::binary);
  trevak::bench::generateLibrary(opts, out);
  out.close();
  if (!out) {
    std::cerr << "trevak-genlib: cannot write " << output << "\n";
    return 1;
  }
  return 0;
}
