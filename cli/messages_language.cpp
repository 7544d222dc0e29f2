// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/messages_language.h"

#include <cstdlib>
#include <string_view>

#include "library/kicad_mod_reader.h"

namespace trevak::cli {

namespace {

bool startsWithLetters(const std::string& code, std::string_view base) {
  if (code.size() < base.size()) return false;
  for (std::size_t i = 0; i < base.size(); ++i) {
    const char c = code[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != base[i]) return false;
  }
  return code.size() == base.size() || code[base.size()] == '_' || code[base.size()] == '-';
}

}  // namespace

std::optional<MessagesLanguage> messagesLanguageFromCode(const std::string& code) {
  if (startsWithLetters(code, "en")) return MessagesLanguage::English;
  if (startsWithLetters(code, "pt")) return MessagesLanguage::Portuguese;
  return std::nullopt;
}

MessagesLanguage messagesLanguage() {
  const char* value = std::getenv("TREVAK_LANG");
  if (value == nullptr) return MessagesLanguage::English;
  return messagesLanguageFromCode(value).value_or(MessagesLanguage::English);
}

bool takeLanguageOption(std::vector<std::string>& args, std::string& error) {
  if (args.empty()) return true;
  std::string code;
  std::size_t taken = 0;
  if (args[0] == "--lang") {
    if (args.size() < 2) {
      error = "--lang needs en or pt";
      return false;
    }
    code = args[1];
    taken = 2;
  } else if (args[0].rfind("--lang=", 0) == 0) {
    code = args[0].substr(7);
    taken = 1;
  } else {
    return true;
  }
  if (!messagesLanguageFromCode(code)) {
    error = "--lang needs en or pt, not '" + code + "'";
    return false;
  }
  args.erase(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(taken));
  ::setenv("TREVAK_LANG", code.c_str(), 1);
  return true;
}

std::string readerMessage(const std::string& message) {
  if (messagesLanguage() == MessagesLanguage::Portuguese) return message;
  // The store's text is newerKicadMessage(N): find N by its own wording.
  const std::string probe = newerKicadMessage(0);
  const std::string head = probe.substr(0, probe.size() - 2);  // without "0)"
  if (message.rfind(head, 0) != 0 || message.empty() || message.back() != ')') return message;
  return "made by a newer KiCad (version " +
         message.substr(head.size(), message.size() - head.size() - 1) + ")";
}

}  // namespace trevak::cli
