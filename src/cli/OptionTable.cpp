// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/OptionTable.h"

namespace orv::cli {
namespace {

constexpr size_t kHelpColumn = 22;  // where the help text of an option starts
constexpr size_t kLineWidth = 79;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

std::string UsageWord(const OptionDoc& d) {
  std::string word = "[" + std::string(d.name);
  if (!d.value.empty()) word += " " + std::string(d.value);
  return word + "]";
}

// "--jobs N, -j N": the names as the option list of the help shows them.
std::string NamesText(const OptionDoc& d) {
  std::string text(d.name);
  if (!d.value.empty()) text += " " + std::string(d.value);
  if (!d.shortName.empty()) {
    text += ", " + std::string(d.shortName);
    if (!d.value.empty()) text += " " + std::string(d.value);
  }
  return text;
}

const char* KindName(ValueKind kind) {
  switch (kind) {
    case ValueKind::Flag:
      return "flag";
    case ValueKind::Free:
      return "value";
    case ValueKind::File:
      return "file";
    case ValueKind::Folder:
      return "folder";
    case ValueKind::Profile:
      return "profile";
    case ValueKind::SettingName:
      return "key";
  }
  return "value";
}

}  // namespace

bool ParseWithDocs(std::span<const OptionDoc* const> docs, std::span<const std::string> args,
                   const ParseRules& rules,
                   const std::function<bool(size_t, const std::string&, std::string&)>& apply,
                   std::vector<std::string>& operands, std::string& error, size_t* stoppedAt) {
  if (stoppedAt) *stoppedAt = args.size();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--" && !rules.stopAtOperand) {
      operands.insert(operands.end(), args.begin() + long(i) + 1, args.end());
      return true;
    }
    // Find the row, and the value when it is part of the word ("--log=x", "-j4").
    size_t row = docs.size();
    bool valueInWord = false;
    std::string value;
    for (size_t r = 0; r < docs.size() && row == docs.size(); ++r) {
      const OptionDoc& d = *docs[r];
      bool takesValue = d.kind != ValueKind::Flag;
      if (a == d.name || (!d.shortName.empty() && a == d.shortName)) {
        row = r;
      } else if (takesValue && StartsWith(a, std::string(d.name) + "=")) {
        row = r;
        valueInWord = true;
        value = a.substr(d.name.size() + 1);
      } else if (takesValue && !d.shortName.empty() && a.size() > d.shortName.size() &&
                 StartsWith(a, d.shortName)) {
        row = r;
        valueInWord = true;
        value = a.substr(d.shortName.size());
        if (value[0] == '=') value.erase(0, 1);  // "-j=2" as "--jobs=2"
      }
    }
    if (row == docs.size()) {
      if (a.size() > 1 && a[0] == '-') {
        error = std::string(rules.unknownWords) + " '" + a + "'";
        return false;
      }
      if (rules.stopAtOperand) {
        if (stoppedAt) *stoppedAt = i;
        return true;
      }
      operands.push_back(a);
      continue;
    }
    if (docs[row]->kind != ValueKind::Flag && !valueInWord) {
      // The next word is the value whatever it looks like: "--files-from -" reads stdin.
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      value = args[++i];
    }
    if (!apply(row, value, error)) return false;
  }
  return true;
}

std::string FormatOptionRows(std::span<const OptionDoc* const> docs) {
  std::string out;
  std::string_view heading = "\x01";  // no heading yet
  for (const OptionDoc* d : docs) {
    if (d->heading != heading) {
      heading = d->heading;
      out += "\n" + (heading.empty() ? std::string("Options:") : std::string(heading) + ":") + "\n";
    }
    std::string names = "  " + NamesText(*d);
    std::string_view help = d->help;
    bool first = true;
    if (names.size() + 2 > kHelpColumn) {
      out += names + "\n";
      first = false;
    }
    while (!help.empty()) {
      size_t end = help.find('\n');
      std::string_view part = help.substr(0, end);
      std::string start = first ? names : std::string();
      start.resize(kHelpColumn, ' ');
      out += start + std::string(part) + "\n";
      first = false;
      help.remove_prefix(end == std::string_view::npos ? help.size() : end + 1);
    }
  }
  return out;
}

std::string FormatHelp(const HelpText& text, std::span<const OptionDoc* const> docs) {
  std::string out;
  std::string lead = "Usage: orv";
  if (!text.command.empty()) lead += " [--home DIR] " + std::string(text.command);
  std::string line = lead;
  auto addWord = [&](const std::string& word) {
    if (line.size() + 1 + word.size() > kLineWidth && line.size() > lead.size()) {
      out += line + "\n";
      line = std::string(lead.size(), ' ');
    }
    line += " " + word;
  };
  for (const OptionDoc* d : docs) addWord(UsageWord(*d));
  if (!text.operands.empty()) addWord(std::string(text.operands));
  out += line + "\n";
  if (!text.description.empty()) out += "\n" + std::string(text.description);

  out += FormatOptionRows(docs);
  if (!text.closing.empty()) out += "\n" + std::string(text.closing);
  return out;
}

std::string FormatOptionList(std::span<const OptionDoc* const> docs) {
  std::string out;
  for (const OptionDoc* d : docs) {
    out += std::string(d->name) + "\t" +
           (d->shortName.empty() ? std::string("-") : std::string(d->shortName)) + "\t" +
           KindName(d->kind) + "\n";
  }
  return out;
}

}  // namespace orv::cli
