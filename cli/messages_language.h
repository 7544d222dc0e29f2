// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace trevak::cli {

/// The languages of trevak-cli's messages. They are English; the few texts the library store
/// words in Portuguese for the window (a footprint from a newer KiCad) follow the language:
/// English unless Portuguese is asked for.
enum class MessagesLanguage { English, Portuguese };

/// "en" or "pt" (any letter case, a region such as "pt_BR" allowed); nullopt for anything else.
std::optional<MessagesLanguage> messagesLanguageFromCode(const std::string& code);

/// The language asked for by TREVAK_LANG (which `--lang` sets); English when it is unset or
/// names no known language.
MessagesLanguage messagesLanguage();

/// Takes a leading `--lang CODE` or `--lang=CODE` off `args` and makes it the process's
/// TREVAK_LANG, so that the drawing program started for `render` speaks it too. False, with
/// `error` set, for a missing or unknown code.
bool takeLanguageOption(std::vector<std::string>& args, std::string& error);

/// A message of the footprint reader in the messages' language (its newer-KiCad text is
/// Portuguese in the store); any other message as it is.
std::string readerMessage(const std::string& message);

}  // namespace trevak::cli
