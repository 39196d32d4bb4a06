#include "definition_syntax.h"

std::string_view HeaderText(std::string_view line) {
  // The line is trimmed, so removing the "]" before or after trimming what
  // follows the "[" gives the same text.
  std::string_view text = line.substr(1);
  if (!text.empty() && text.back() == ']') text.remove_suffix(1);
  return TrimmedView(text);
}

bool BankKeyNumberText(std::string_view key, std::string_view& numberText) {
  constexpr std::string_view kBankKeyPrefix = "Patch";
  if (!StartsWithIgnoringCase(key, kBankKeyPrefix)) return false;
  std::string_view rest = TrimmedView(key.substr(kBankKeyPrefix.size()));
  if (rest.empty() || rest.front() != '[') return false;
  rest.remove_prefix(1);
  if (rest.empty() || rest.back() != ']') return false;
  rest.remove_suffix(1);
  numberText = TrimmedView(rest);
  return true;
}
