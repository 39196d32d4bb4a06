// Full Unicode case folding, by which names that a case-blind disk or archive
// tool may take as one are found out: "Ärger" and "äRGER", "Straße" and
// "STRASSE".
#pragma once

#include <string>
#include <string_view>

// UTF-8 `text` with every character replaced by its full case folding;
// bytes that are no UTF-8 pass as they are.
std::string CaseFolded(std::string_view text);
