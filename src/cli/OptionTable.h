// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// One table of options a command: each row names the option once (long and short name, value,
// help text, what its value is) with the function that applies it. The parser, `--help` (and so
// the manual page, made from `orv --help-all`) and the shell completion (`orv --list-options`)
// all read these rows, so an option exists in all of them or in none.
#pragma once

#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orv::cli {

// What an option's value is, which tells the completion what to offer after it.
enum class ValueKind {
  Flag,         // no value
  Free,         // a value typed by the user (a number, K/N): nothing offered
  File,         // any file name
  Folder,       // a folder name
  Profile,      // a profile file (.orv) or a name in the Profiles folder
  SettingName,  // Section.Key=VALUE, the names of `orv profile --list-keys`
};

struct OptionDoc {
  constexpr OptionDoc(std::string_view name_, std::string_view shortName_, std::string_view value_,
                      ValueKind kind_, std::string_view help_, std::string_view heading_ = {})
      : name(name_), shortName(shortName_), value(value_), kind(kind_), help(help_),
        heading(heading_) {}

  std::string_view name;       // "--jobs"
  std::string_view shortName;  // "-j", or empty
  std::string_view value;      // the value's placeholder in the help ("N"); empty for a flag
  ValueKind kind = ValueKind::Flag;
  std::string_view help;     // one or more lines, '\n' between them
  std::string_view heading;  // a group title in the help; empty: the first, untitled group
};

template <class Target>
struct Option {
  OptionDoc doc;
  // Applies the option to the target (value empty for a flag). False with error set when the
  // value is not acceptable.
  bool (*apply)(Target& target, const std::string& value, std::string& error);
};

// How a command's parse treats words that are not options.
struct ParseRules {
  // The words of the usage error for a word that looks like an option but is none:
  // "unknown option" gives "unknown option '--frob'".
  std::string_view unknownWords = "unknown option";
  // Whether parsing stops at the first operand (the global options stand before the command).
  bool stopAtOperand = false;
};

// Parses args against the rows: "--name VALUE", "--name=VALUE", "-s VALUE", "-sVALUE",
// "-s=VALUE", flags, "--" before operands only. Operands are appended in order; with stopAtOperand the index of the
// first operand is returned in *stoppedAt (args.size() when none). False with a usage message
// (without the "orv COMMAND: " prefix) on the first fault.
bool ParseWithDocs(std::span<const OptionDoc* const> docs, std::span<const std::string> args,
                   const ParseRules& rules,
                   const std::function<bool(size_t row, const std::string& value,
                                            std::string& error)>& apply,
                   std::vector<std::string>& operands, std::string& error,
                   size_t* stoppedAt = nullptr);

template <class Target>
std::vector<const OptionDoc*> DocsOf(std::span<const Option<Target>> table) {
  std::vector<const OptionDoc*> docs;
  for (const Option<Target>& o : table) docs.push_back(&o.doc);
  return docs;
}

template <class Target>
bool ParseOptions(std::span<const Option<Target>> table, std::span<const std::string> args,
                  Target& target, std::vector<std::string>& operands, std::string& error,
                  const ParseRules& rules = {}, size_t* stoppedAt = nullptr) {
  std::vector<const OptionDoc*> docs = DocsOf(table);
  return ParseWithDocs(
      docs, args, rules,
      [&](size_t row, const std::string& value, std::string& message) {
        return table[row].apply(target, value, message);
      },
      operands, error, stoppedAt);
}

// The help of a command: the usage line (the command, then every option in table order, then
// operands), the description, the options grouped under their headings with their help text,
// then the closing text. `command` is "" for the global help.
struct HelpText {
  std::string_view command;      // "run"
  std::string_view operands;     // "[PATH...]"
  std::string_view description;  // paragraphs between the usage and the options
  std::string_view closing;      // paragraphs after the options
};
std::string FormatHelp(const HelpText& text, std::span<const OptionDoc* const> docs);
// The option rows alone, under their headings ("Options:" for the untitled group).
std::string FormatOptionRows(std::span<const OptionDoc* const> docs);

// The lines `orv --list-options COMMAND` prints for the completion: NAME<TAB>SHORT<TAB>KIND, SHORT
// "-" when there is none, KIND one of flag, value, file, folder, profile, key.
std::string FormatOptionList(std::span<const OptionDoc* const> docs);

}  // namespace orv::cli
